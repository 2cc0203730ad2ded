#include "storage/NorkLeftovers.h"

#include <cstring>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Removes one leftover while holding it exclusively, and only when the name still refers to
// the file that was checked.
bool RemoveIfLeftover(const std::string& Path)
{
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat held {};
    struct stat named {};
    char magic[5] = {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
        ::pread(fd, magic, sizeof(magic), 0) == ssize_t(sizeof(magic)) && std::memcmp(magic, "NORK\0", 5) == 0 &&
        ::lstat(Path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
        removed = ::unlink(Path.c_str()) == 0;
    ::close(fd);
    return removed;
}

} // namespace

int RemoveLeftoverFiles(const std::string& Folder)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(Folder.c_str()), ::closedir);
    if (!dir)
        return 0;
    int removed = 0;
    const std::size_t prefix = std::strlen(kNorkTempPrefix);
    while (const dirent* e = ::readdir(dir.get()))
        if (std::strncmp(e->d_name, kNorkTempPrefix, prefix) == 0 && RemoveIfLeftover(Folder + "/" + e->d_name))
            ++removed;
    return removed;
}
