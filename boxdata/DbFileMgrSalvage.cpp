// Salvage and repair of a damaged box file: what can be read goes into a new box, and a repair
// puts that box in place of the damaged one, which it keeps beside it.
#include "boxdata/DbFileMgr.h"

#include "boxdata/BoxSalvage.h"
#include "boxdata/BoxScan.h"
#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileStream.h"
#include "dataproc/Wipe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void FailFile(const std::string& What, const std::string& FileName, int Err)
{
    throw EFileError("Cannot " + What + " \"" + FileName + "\". " + std::strerror(Err));
}

void SyncFile(const std::string& FileName, bool Folder)
{
    const int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | (Folder ? O_DIRECTORY : 0));
    if (fd < 0)
        FailFile("open", FileName, errno);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0)
        FailFile("write", FileName, err);
}

// A copy of FileName as a new file KeptName, on the device; for file systems without hard links.
void CopyToNewFile(const std::string& FileName, const std::string& KeptName)
{
    TFileStream in(FileName, fmOpenRead, shDenyNone);
    const int fd = ::open(KeptName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        FailFile("create", KeptName, errno);
    std::vector<uint8_t> buffer(1 << 20);
    try {
        for (int64_t n; (n = in.Read(buffer.data(), int64_t(buffer.size()))) > 0;)
            for (int64_t done = 0; done < n;) {
                const ssize_t put = ::write(fd, buffer.data() + done, std::size_t(n - done));
                if (put <= 0)
                    FailFile("write", KeptName, put < 0 ? errno : ENOSPC);
                done += put;
            }
        if (::fsync(fd) != 0)
            FailFile("write", KeptName, errno);
    } catch (...) {
        SecureZero(buffer.data(), buffer.size());
        ::close(fd);
        ::unlink(KeptName.c_str());
        throw;
    }
    SecureZero(buffer.data(), buffer.size()); // a box that is not encrypted holds passwords in clear
    ::close(fd);
}

// Puts NewFile in the place of FileName and keeps the old file as KeptName, which is replaced
// only when ReplaceKept. The old file gets its second name before the new one takes its first,
// so FileName holds the whole old or the whole new file at every moment and the old one is
// never lost. The old file is held exclusively meanwhile, so nobody is working in it when it is
// replaced; the new file gets its permissions.
void ReplaceKeepingOriginal(const std::string& FileName, const std::string& NewFile, const std::string& KeptName,
                            bool ReplaceKept)
{
    SyncFile(NewFile, false);
    TFileStream held(FileName, fmOpenRead, shExclusive);
    if (ReplaceKept && ::unlink(KeptName.c_str()) != 0 && errno != ENOENT)
        FailFile("replace", KeptName, errno);
    if (::link(FileName.c_str(), KeptName.c_str()) != 0) {
        const int err = errno;
        if (err == EEXIST || (err != EPERM && err != EXDEV && err != EMLINK && err != ENOTSUP))
            FailFile("keep the damaged box as", KeptName, err);
        CopyToNewFile(FileName, KeptName);
    }
    struct stat st {};
    if (::fstat(held.Handle(), &st) == 0)
        (void)::chmod(NewFile.c_str(), st.st_mode & 07777);
    if (::rename(NewFile.c_str(), FileName.c_str()) != 0)
        FailFile("replace", FileName, errno);
    SyncFile(FolderOf(FileName), true);
}

} // namespace

TSalvageReport TDbFileMgr::SalvageDatabase(const std::string& FileName, const std::string& Password,
                                           const std::string& NewFileName)
{
    TBoxScan scan(FileName, Password);
    return SalvageBox(scan, Password, NewFileName);
}

TSalvageReport TDbFileMgr::RepairDatabase(const std::string& FileName, const std::string& Password,
                                          const std::string& DamagedFileName, bool ReplaceDamaged)
{
    struct stat st {};
    if (!ReplaceDamaged && ::lstat(DamagedFileName.c_str(), &st) == 0)
        FailFile("keep the damaged box as", DamagedFileName, EEXIST);
    const std::string base = std::filesystem::path(FileName).filename().string();
    const std::string newFile = CreateTempFile(FolderOf(FullPath(FileName)), base + ".repair-");
    try {
        TSalvageReport report = SalvageDatabase(FileName, Password, newFile);
        ReplaceKeepingOriginal(FileName, newFile, DamagedFileName, ReplaceDamaged);
        return report;
    } catch (...) {
        ::unlink(newFile.c_str());
        throw;
    }
}
