#include "dataproc/FileStream.h"

#include "dataproc/Exception.h"
#include "dataproc/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int err)
{
    if (err == EWOULDBLOCK)
        return "The file is in use by another process.";
    return std::strerror(err);
}

} // namespace

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode, TShareMode Share)
    : FFileName(FileName)
{
    int flags = O_CLOEXEC;
    switch (Mode) {
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    case fmCreate: flags |= O_RDWR | O_CREAT; break;
    }
    const char* what = Mode == fmCreate ? "create" : "open";
    FHandle = FileSystem().Open(FileName.c_str(), flags, 0600);
    if (FHandle < 0)
        Fail(what, errno);
    struct stat st {};
    if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
        FileSystem().Close(FHandle);
        FHandle = -1;
        Fail(what, EISDIR);
    }
    // The lock comes before any truncation, so a file another process holds is never cut.
    const int lock = (Share == shExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::flock(FHandle, lock) != 0) {
        const int err = errno;
        FileSystem().Close(FHandle);
        FHandle = -1;
        Fail(what, err);
    }
    if (Mode == fmCreate && FileSystem().Truncate(FHandle, 0) != 0) {
        const int err = errno;
        FileSystem().Close(FHandle);
        FHandle = -1;
        Fail(what, err);
    }
    FWritable = Mode != fmOpenRead;
    FSizeTracked = Share == shExclusive;
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        FileSystem().Close(FHandle); // closing the descriptor releases the flock
}

void TFileStream::Fail(const char* what, int err) const
{
    throw EFileError(std::string("Cannot ") + what + " file \"" + FFileName + "\". " + Reason(err));
}

int64_t TFileStream::Read(void* Buffer, int64_t Count)
{
    int64_t done = 0;
    auto* out = static_cast<char*>(Buffer);
    while (done < Count) {
        const ssize_t n = FileSystem().Read(FHandle, out + done, static_cast<size_t>(Count - done), FPosition);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EFileError("Cannot read file \"" + FFileName + "\". " + Reason(errno));
        }
        if (n == 0)
            break;
        done += n;
        FPosition += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count)
{
    if (!FWritable)
        return 0; // a read-only handle transfers nothing, as the layers above expect
    int64_t done = 0;
    const auto* in = static_cast<const char*>(Buffer);
    while (done < Count) {
        const ssize_t n = FileSystem().Write(FHandle, in + done, static_cast<size_t>(Count - done), FPosition);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            FKnownSize = -1; // part of the write may have landed
            throw EFileError("Cannot write file \"" + FFileName + "\". " + Reason(err));
        }
        done += n;
        FPosition += n;
        if (FKnownSize >= 0 && FPosition > FKnownSize)
            FKnownSize = FPosition;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    int64_t base = 0;
    if (Origin == soCurrent)
        base = FPosition;
    else if (Origin == soEnd)
        base = GetSize();
    const int64_t pos = base + Offset;
    FPosition = pos < 0 ? 0 : pos;
    return FPosition;
}

int64_t TFileStream::GetSize()
{
    if (FKnownSize >= 0)
        return FKnownSize;
    struct stat st {};
    if (::fstat(FHandle, &st) != 0)
        throw EFileError("Cannot read file \"" + FFileName + "\". " + Reason(errno));
    if (FSizeTracked)
        FKnownSize = st.st_size;
    return st.st_size;
}

void TFileStream::SetSize(int64_t NewSize)
{
    if (!FWritable)
        return;
    FKnownSize = -1;
    if (FileSystem().Truncate(FHandle, NewSize < 0 ? 0 : NewSize) != 0)
        throw EFileError("Cannot write file \"" + FFileName + "\". " + Reason(errno));
}

void TFileStream::Flush()
{
    if (FWritable && FileSystem().Sync(FHandle) != 0)
        throw EFileError("Cannot write file \"" + FFileName + "\". " + Reason(errno));
}
