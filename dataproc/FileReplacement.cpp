#include "dataproc/FileReplacement.h"

#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string RandomSuffix()
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 engine(std::random_device{}() ^ (uint64_t(::getpid()) << 32));
    std::string s(6, 'X');
    for (char& c : s)
        c = kChars[engine() % (sizeof(kChars) - 1)];
    return s;
}

std::string BaseName(const std::string& Path)
{
    const auto slash = Path.rfind('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

// Puts the folder's entries on the device; errors are not the caller's concern (see Commit).
void SyncFolder(const std::string& Folder) noexcept
{
    const int fd = FileSystem().Open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        return;
    (void)FileSystem().Sync(fd);
    FileSystem().Close(fd);
}

} // namespace

TFileReplacement::TFileReplacement(const std::string& Target, const TReplaceOptions& Options)
    : FTarget(FullPath(Target)), FOptions(Options)
{
    struct stat st {};
    if (FOptions.FollowLink && ::lstat(FTarget.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::error_code ec;
        const std::filesystem::path real = std::filesystem::canonical(FTarget, ec);
        if (!ec)
            FTarget = real.string();
    }
    const std::string prefix = FOptions.Prefix.empty() ? "." + BaseName(FTarget) + "." : FOptions.Prefix;
    const std::string folder = FolderOf(FTarget);
    for (int attempt = 0;; ++attempt) {
        const std::string name = folder + "/" + prefix + RandomSuffix();
        FHandle = FileSystem().Open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (FHandle >= 0) {
            FFileName = name;
            break;
        }
        if (errno != EEXIST || attempt >= 100)
            throw EFileError("Cannot create file \"" + FTarget + "\". " + std::strerror(errno));
    }
    // Shared, so a writer that opens the file by its name shares it and a sweep of leftovers,
    // which takes an exclusive lock first, leaves it alone.
    (void)::flock(FHandle, LOCK_SH | LOCK_NB);
}

TFileReplacement::~TFileReplacement()
{
    if (!FCommitted)
        Discard();
}

void TFileReplacement::Discard() noexcept
{
    if (!FFileName.empty())
        ::unlink(FFileName.c_str());
    if (FHandle >= 0)
        FileSystem().Close(FHandle);
    FHandle = -1;
}

void TFileReplacement::Fail(const char* What, int Err) const
{
    throw EFileError(std::string("Cannot ") + What + " file \"" + FTarget + "\". " + std::strerror(Err));
}

void TFileReplacement::Write(const void* Data, int64_t Count)
{
    const auto* in = static_cast<const char*>(Data);
    for (int64_t done = 0; done < Count;) {
        const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(Count - done, INT_MAX / 2));
        const ssize_t n = FileSystem().Write(FHandle, in + done, want, FWritten);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail("write", n < 0 ? errno : EIO);
        done += n;
        FWritten += n;
    }
}

void TFileReplacement::Flush()
{
    int rc;
    do {
        rc = FileSystem().Sync(FHandle);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        Fail("write", errno);
}

void TFileReplacement::Commit()
{
    struct stat st {};
    const bool exists = ::stat(FTarget.c_str(), &st) == 0;
    const mode_t mode = exists && FOptions.KeepMode ? (st.st_mode & 07777) : FOptions.NewMode;
    if (::fchmod(FHandle, mode) != 0)
        Fail("write", errno);
    if (exists && FOptions.KeepMode)
        (void)!::fchown(FHandle, st.st_uid, st.st_gid); // only where the system allows it
    Flush();
    if (FileSystem().Rename(FFileName.c_str(), FTarget.c_str(), !FOptions.Overwrite) != 0)
        Fail("write", errno);
    FCommitted = true;
    FileSystem().Close(FHandle); // also lets go of the shared lock
    FHandle = -1;
    SyncFolder(FolderOf(FTarget));
}

void ReplaceFile(const std::string& Target, const void* Data, int64_t Count, const TReplaceOptions& Options)
{
    TFileReplacement file(Target, Options);
    file.Write(Data, Count);
    file.Commit();
}
