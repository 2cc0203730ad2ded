#include "dataproc/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

TFileSystem SystemFileSystem;
TFileSystem* Current = &SystemFileSystem;

} // namespace

int TFileSystem::Open(const char* Path, int Flags, mode_t Mode)
{
    return ::open(Path, Flags, Mode);
}

ssize_t TFileSystem::Read(int Fd, void* Buffer, std::size_t Count, int64_t Offset)
{
    return ::pread(Fd, Buffer, Count, static_cast<off_t>(Offset));
}

ssize_t TFileSystem::Write(int Fd, const void* Buffer, std::size_t Count, int64_t Offset)
{
    return ::pwrite(Fd, Buffer, Count, static_cast<off_t>(Offset));
}

int TFileSystem::Truncate(int Fd, int64_t Size)
{
    return ::ftruncate(Fd, static_cast<off_t>(Size));
}

int TFileSystem::Sync(int Fd)
{
    return ::fsync(Fd);
}

int TFileSystem::Rename(const char* From, const char* To, bool NoReplace)
{
    if (!NoReplace)
        return ::rename(From, To);
    if (::renameat2(AT_FDCWD, From, AT_FDCWD, To, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without the flag: a hard link also refuses an existing name.
    if (::link(From, To) != 0)
        return -1;
    ::unlink(From);
    return 0;
}

int TFileSystem::Close(int Fd)
{
    return ::close(Fd);
}

TFileSystem& FileSystem()
{
    return *Current;
}

TFileSystem* SetFileSystem(TFileSystem* Value)
{
    TFileSystem* old = Current == &SystemFileSystem ? nullptr : Current;
    Current = Value != nullptr ? Value : &SystemFileSystem;
    return old;
}
