#include "services/BoxBackup.h"

#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMegabyte = 1024 * 1024;
constexpr std::size_t kCopyBlock = 1 << 20;

[[noreturn]] void Fail(const std::string& What, const std::string& FileName, int Err)
{
    throw EFileError("Cannot " + What + " \"" + FileName + "\". " + std::strerror(Err));
}

// Closes a descriptor on every way out.
struct TFd {
    int Handle = -1;
    ~TFd()
    {
        if (Handle >= 0)
            ::close(Handle);
    }
};

// Copies Source into the new file Target (already created, empty) and puts it on the device.
void CopyContent(const std::string& Source, const std::string& Target)
{
    TFd in{::open(Source.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.Handle < 0)
        Fail("read file", Source, errno);
    TFd out{::open(Target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC)};
    if (out.Handle < 0)
        Fail("write file", Target, errno);
    std::vector<char> buffer(kCopyBlock);
    for (;;) {
        const ssize_t got = ::read(in.Handle, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail("read file", Source, errno);
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out.Handle, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                Fail("write file", Target, errno);
            done += put;
        }
    }
    if (::fsync(out.Handle) != 0)
        Fail("write file", Target, errno);
}

} // namespace

TBackupFileNames BackupFileNames(const std::string& BoxFile, const std::string& Folder)
{
    const std::string base = Folder + fs::path(BoxFile).filename().string() + ".bak";
    return TBackupFileNames{base + "1", base + "2", base + "3"};
}

bool BackupWanted(int64_t Size, int32_t MaxBackupSize)
{
    return Size < int64_t{MaxBackupSize} * kMegabyte;
}

void BackupBoxFile(const std::string& BoxFile, const std::string& Folder)
{
    std::error_code ec;
    fs::create_directories(Folder, ec);
    if (ec)
        Fail("create folder", Folder, ec.value());
    const TBackupFileNames names = BackupFileNames(BoxFile, Folder);
    if (fs::exists(names.F1, ec)) {
        fs::remove(names.F3, ec);
        fs::rename(names.F2, names.F3, ec);
        fs::rename(names.F1, names.F2, ec);
    }
    const std::string temp = CreateTempFile(Folder, "." + fs::path(names.F1).filename().string() + ".");
    try {
        CopyContent(BoxFile, temp);
        if (::rename(temp.c_str(), names.F1.c_str()) != 0)
            Fail("write file", names.F1, errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    // The rename itself reaches the device with the folder.
    TFd folder{::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.Handle >= 0)
        ::fsync(folder.Handle);
}
