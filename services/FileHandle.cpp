#include "services/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

TFileHandle::~TFileHandle()
{
    if (FFd >= 0)
        ::close(FFd);
}

bool TFileHandle::Close()
{
    const int fd = FFd;
    FFd = -1;
    return fd < 0 || ::close(fd) == 0;
}

int OpenFileHandle(const char* FileName, int Flags, unsigned Mode)
{
    int fd;
    do {
        fd = ::open(FileName, Flags | O_CLOEXEC, static_cast<mode_t>(Mode));
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAllBytes(int Fd, const void* Data, std::size_t Size)
{
    const char* p = static_cast<const char*>(Data);
    while (Size > 0) {
        const ssize_t n = ::write(Fd, p, Size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        Size -= static_cast<std::size_t>(n);
    }
    return true;
}
