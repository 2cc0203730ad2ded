// Salvage and repair of a damaged box file: what can be read goes into a new box, and a repair
// puts that box in place of the damaged one, which it keeps beside it.
#include "boxdata/DbFileMgr.h"

#include "boxdata/BoxSalvage.h"
#include "boxdata/BoxScan.h"
#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileReplacement.h"
#include "dataproc/FileStream.h"
#include "dataproc/Wipe.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The rest of In, from its position, as the content of Out.
void CopyInto(TStream& In, TFileReplacement& Out)
{
    std::vector<uint8_t> buffer(1 << 20);
    try {
        for (int64_t n; (n = In.Read(buffer.data(), int64_t(buffer.size()))) > 0;)
            Out.Write(buffer.data(), n);
    } catch (...) {
        SecureZero(buffer.data(), buffer.size());
        throw;
    }
    SecureZero(buffer.data(), buffer.size()); // a box that is not encrypted holds passwords in clear
}

// Removes a work file on every path.
class TWorkFile {
public:
    explicit TWorkFile(std::string FileName) : FFileName(std::move(FileName)) {}
    ~TWorkFile() { ::unlink(FFileName.c_str()); }
    TWorkFile(const TWorkFile&) = delete;
    TWorkFile& operator=(const TWorkFile&) = delete;
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};

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
        throw EFileError("Cannot keep the damaged box as \"" + DamagedFileName + "\". " + std::strerror(EEXIST));
    // The salvage is built in a work file beside the box (where its space is), then becomes the
    // box's new content through the one file replacement.
    const std::string base = std::filesystem::path(FileName).filename().string();
    const TWorkFile work(CreateTempFile(FolderOf(FullPath(FileName)), "." + base + ".salvage-"));
    TSalvageReport report = SalvageDatabase(FileName, Password, work.FileName());

    // Nobody works in the box while it is kept and replaced. The damaged file is kept first, so
    // that it is never lost; an existing kept file is replaced only when asked.
    TFileStream held(FileName, fmOpenRead, shExclusive);
    TReplaceOptions keepOptions;
    keepOptions.Overwrite = ReplaceDamaged;
    TFileReplacement kept(DamagedFileName, keepOptions);
    CopyInto(held, kept);
    kept.Commit();
    TFileReplacement box(FileName, TReplaceOptions{});
    TFileStream salvaged(work.FileName(), fmOpenRead, shDenyNone);
    CopyInto(salvaged, box);
    box.Commit();
    return report;
}
