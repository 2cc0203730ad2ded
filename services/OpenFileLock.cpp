#include "services/OpenFileLock.h"

#include "dataproc/FilePaths.h"
#include "services/CaseFold.h"
#include "services/FileHandle.h"
#include "services/Global.h"
#include "services/PathUtils.h"
#include "services/PrivateFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// 64-bit FNV-1a: a short, fixed-length file name for keys of any length.
std::string LockFileName(const std::string& Key)
{
    uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : Key) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.lock", static_cast<unsigned long long>(h));
    return name;
}

std::string LockPath(const std::string& FileName)
{
    return OpenFileLockFolder() + "/" + LockFileName(OpenFileKey(FileName));
}

int OpenNoFollow(const std::string& Path, int Flags)
{
    return OpenFileHandle(Path.c_str(), Flags | O_NOFOLLOW, 0600);
}

} // namespace

std::string OpenFileKey(const std::string& FileName)
{
    return AsciiUpperCase(GetFullPath(FileName));
}

std::string OpenFileLockFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string(runtime) + "/" + kAppName;
    return TempFolder() + "/" + kAppName + "-" + std::to_string(::geteuid());
}

bool IsFileOpenedElsewhere(const std::string& FileName)
{
    if (FileName.empty())
        return false;
    const int fd = OpenNoFollow(LockPath(FileName), O_RDONLY);
    if (fd < 0)
        return false;
    // A holder keeps a shared lock, so an exclusive one is refused exactly while some copy holds it.
    bool held = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        held = errno == EWOULDBLOCK;
    else
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return held;
}

TOpenFileMarker::~TOpenFileMarker()
{
    Withdraw();
}

bool TOpenFileMarker::Announce(const std::string& FileName)
{
    Withdraw();
    if (FileName.empty() || !EnsurePrivateFolder(OpenFileLockFolder()))
        return false;
    const int fd = OpenNoFollow(LockPath(FileName), O_RDWR | O_CREAT);
    if (fd < 0)
        return false;
    // Blocking: a checker holds its exclusive probe only for an instant. The descriptor is not
    // inherited by programs started later (O_CLOEXEC), so none of them keeps the box marked.
    int rc;
    do {
        rc = ::flock(fd, LOCK_SH);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    // The key inside tells a person which box a lock file stands for.
    const std::string key = OpenFileKey(FileName) + "\n";
    if (::pwrite(fd, key.data(), key.size(), 0) == static_cast<ssize_t>(key.size()))
        (void)!::ftruncate(fd, static_cast<off_t>(key.size()));
    FHandle = fd;
    return true;
}

void TOpenFileMarker::Withdraw()
{
    if (FHandle >= 0) {
        ::close(FHandle); // closing releases the lock
        FHandle = -1;
    }
}
