#include "dataproc/FileAnchor.h"

#include "dataproc/Exception.h"
#include "dataproc/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>

namespace {

bool SameFile(const struct stat& A, const struct stat& B)
{
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

} // namespace

void TFileAnchor::Open(const std::string& Path)
{
    Close();
    const int fd = FileSystem().Open(Path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        throw EFileError("Cannot open file \"" + Path + "\". " + std::strerror(errno));
    FHandle = fd;
}

void TFileAnchor::Close() noexcept
{
    if (FHandle >= 0)
        FileSystem().Close(FHandle);
    FHandle = -1;
}

void TFileAnchor::Swap(TFileAnchor& Other) noexcept
{
    std::swap(FHandle, Other.FHandle);
}

TFileFate TFileAnchor::FateOf(const std::string& Path) const noexcept
{
    if (FHandle < 0)
        return ffSame;
    struct stat held {};
    struct stat named {};
    if (::stat(Path.c_str(), &named) != 0)
        return ffGone;
    if (::fstat(FHandle, &held) != 0 || !SameFile(held, named))
        return ffReplaced;
    // Still listed under the path but unlinked: it was deleted between the two looks.
    return held.st_nlink == 0 ? ffGone : ffSame;
}

bool TFileAnchor::Holds(int Fd) const noexcept
{
    struct stat held {};
    struct stat other {};
    return FHandle >= 0 && Fd >= 0 && ::fstat(FHandle, &held) == 0 && ::fstat(Fd, &other) == 0 &&
           SameFile(held, other);
}

std::string TFileAnchor::HandlePath() const
{
    return "/proc/self/fd/" + std::to_string(FHandle);
}
