#include "services/AppFolders.h"

#include "services/Global.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

std::string ProgramPath()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string ProgramFolder()
{
    const std::string exe = ProgramPath();
    if (exe.empty()) {
        std::error_code ec;
        return fs::current_path(ec).string();
    }
    return fs::path(exe).parent_path().string();
}

bool IsFolderWritable(const std::string& Folder)
{
    struct stat st {};
    return !Folder.empty() && ::stat(Folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(Folder.c_str(), W_OK | X_OK) == 0;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0')
        return home;
    std::vector<char> buf(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr && found->pw_dir)
        return found->pw_dir;
    return "/";
}

namespace {

// An XDG base folder: the variable when it holds an absolute path (relative ones are to be
// ignored), else the given folder below home.
std::string XdgFolder(const char* Variable, const char* BelowHome)
{
    const char* value = std::getenv(Variable);
    if (value != nullptr && value[0] == '/')
        return value;
    return (fs::path(HomeFolder()) / BelowHome).string();
}

} // namespace

std::string ConfigHome()
{
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string DataHome()
{
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::string AppOptionsFileName(const std::string& ProgramFolder)
{
    if (IsFolderWritable(ProgramFolder))
        return (fs::path(ProgramFolder) / kOptionsFileName).string();
    return (fs::path(ConfigHome()) / kAppName / kOptionsFileName).string();
}

std::string AppBackupFolder(const std::string& ProgramFolder)
{
    if (IsFolderWritable(ProgramFolder))
        return (fs::path(ProgramFolder) / "Backup").string();
    return (fs::path(DataHome()) / kAppName / "Backup").string();
}
