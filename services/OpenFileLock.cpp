#include "services/OpenFileLock.h"

#include "dataproc/FilePaths.h"
#include "services/Global.h"
#include "services/PathUtils.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Creates the folder when missing and answers whether it is a private folder of this user:
// another user must not be able to plant or remove lock files in it.
bool EnsurePrivateFolder(const std::string& Folder)
{
    if (::mkdir(Folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(Folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0077) == 0;
}

int OpenNoFollow(const std::string& Path, int Flags)
{
    int fd;
    do {
        fd = ::open(Path.c_str(), Flags | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int Lock(int Fd, int Operation)
{
    int rc;
    do {
        rc = ::flock(Fd, Operation);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// Whether the name still refers to the file open at Fd (it may have been removed and made anew).
bool NamesFile(const std::string& Path, int Fd)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(Fd, &held) == 0 && ::lstat(Path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

// Removes the lock file at Path when nobody holds it. Anyone who opened it just before and is
// waiting for its lock finds the name gone afterwards and makes a new one (see Announce).
void RemoveIfUnheld(const std::string& Path, int Fd)
{
    if (Lock(Fd, LOCK_EX | LOCK_NB) == 0 && NamesFile(Path, Fd))
        ::unlink(Path.c_str());
}

// Lock files that no copy holds any more, left by copies that were killed.
void RemoveUnheldLocks(const std::string& Folder)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(Folder.c_str()), ::closedir);
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name.size() <= 5 || name.compare(name.size() - 5, 5, ".lock") != 0)
            continue;
        const std::string path = Folder + "/" + name;
        const int fd = OpenNoFollow(path, O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            continue;
        RemoveIfUnheld(path, fd);
        ::close(fd);
    }
}

std::string LockPath(const std::string& Key)
{
    return OpenFileLockFolder() + "/" + Key + ".lock";
}

} // namespace

std::string OpenFileKey(const std::string& FileName)
{
    struct stat st {};
    if (FileName.empty() || ::stat(FileName.c_str(), &st) != 0)
        return std::string();
    char key[64];
    std::snprintf(key, sizeof key, "%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return key;
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
    const std::string key = OpenFileKey(FileName);
    if (key.empty())
        return false;
    const std::string path = LockPath(key);
    const int fd = OpenNoFollow(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    // A holder keeps a shared lock, so an exclusive one is refused exactly while some copy holds it.
    bool held = false;
    if (Lock(fd, LOCK_EX | LOCK_NB) != 0)
        held = errno == EWOULDBLOCK;
    else
        RemoveIfUnheld(path, fd); // nobody's: a leftover
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
    const std::string key = OpenFileKey(FileName);
    const std::string folder = OpenFileLockFolder();
    if (key.empty() || !EnsurePrivateFolder(folder))
        return false;
    RemoveUnheldLocks(folder);
    const std::string path = LockPath(key);
    // The lock must be on the file the name refers to once it is held: a copy that let go of
    // the box may have removed the name between our open and our lock.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = OpenNoFollow(path, O_RDWR | O_CREAT);
        if (fd < 0)
            return false;
        // Blocking: a checker holds its exclusive probe only for an instant. The descriptor is
        // not inherited by programs started later (O_CLOEXEC), so none of them keeps the box marked.
        if (Lock(fd, LOCK_SH) != 0) {
            ::close(fd);
            return false;
        }
        if (!NamesFile(path, fd)) {
            ::close(fd);
            continue;
        }
        // The box's path inside tells a person which box a lock file stands for.
        const std::string text = GetFullPath(FileName) + "\n";
        if (::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()))
            (void)!::ftruncate(fd, static_cast<off_t>(text.size()));
        FHandle = fd;
        FLockPath = path;
        return true;
    }
    return false;
}

void TOpenFileMarker::Withdraw()
{
    if (FHandle < 0)
        return;
    // The last holder takes the lock file with it; with other holders it stays theirs.
    RemoveIfUnheld(FLockPath, FHandle);
    ::close(FHandle); // closing releases the lock
    FHandle = -1;
    FLockPath.clear();
}
