#include "dataproc/FilePaths.h"

#include "dataproc/Exception.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string FullPath(const std::string& Path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(Path, ec);
    if (ec)
        p = Path;
    return p.lexically_normal().string();
}

bool IsFileReadOnly(const std::string& FileName)
{
    return ::access(FileName.c_str(), W_OK) != 0;
}

bool FileExists(const std::string& FileName)
{
    struct stat st {};
    return ::stat(FileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string TempFolder()
{
    const char* dir = std::getenv("TMPDIR");
    if (dir != nullptr && *dir != '\0')
        return dir;
    return "/tmp";
}

std::string CreateTempFile(const std::string& Folder, const std::string& Prefix)
{
    std::string pattern = FullPath(Folder) + "/" + Prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw EFileError("Cannot create file \"" + pattern + "\". " + std::strerror(errno));
    ::close(fd);
    return std::string(name.data());
}

std::string FolderOf(const std::string& Path)
{
    std::filesystem::path parent = std::filesystem::path(Path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}
