#include "services/BoxBackup.h"

#include "dataproc/Exception.h"
#include "dataproc/FileReplacement.h"
#include "dataproc/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMegabyte = 1024 * 1024;
constexpr std::size_t kCopyBlock = 1 << 20;

[[noreturn]] void Fail(const std::string& What, const std::string& FileName, int Err)
{
    throw EFileError("Cannot " + What + " \"" + FileName + "\". " + std::strerror(Err));
}

// Reads the box for the copy. The box stays held by this program, which reads it without a
// lock of its own.
class TBoxReader {
public:
    explicit TBoxReader(const std::string& FileName) : FFileName(FileName)
    {
        FHandle = FileSystem().Open(FileName.c_str(), O_RDONLY | O_CLOEXEC, 0);
        if (FHandle < 0)
            Fail("read file", FileName, errno);
    }
    ~TBoxReader() { FileSystem().Close(FHandle); }
    TBoxReader(const TBoxReader&) = delete;
    TBoxReader& operator=(const TBoxReader&) = delete;

    // The next bytes into Buffer: how many, 0 at the end.
    std::size_t Read(std::vector<char>& Buffer)
    {
        for (;;) {
            const ssize_t got = FileSystem().Read(FHandle, Buffer.data(), Buffer.size(), FOffset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                Fail("read file", FFileName, errno);
            FOffset += got;
            return static_cast<std::size_t>(got);
        }
    }

private:
    std::string FFileName;
    int FHandle = -1;
    int64_t FOffset = 0;
};

} // namespace

TBackupFileNames BackupFileNames(const std::string& BoxFile, const std::string& Folder)
{
    const std::string base = Folder + fs::path(BoxFile).filename().string() + ".bak";
    return TBackupFileNames{base + "1", base + "2", base + "3"};
}

bool BackupWanted(int64_t Size, int32_t MaxBackupSize)
{
    return Size < int64_t{MaxBackupSize} * kMegabyte;
}

void BackupBoxFile(const std::string& BoxFile, const std::string& Folder)
{
    std::error_code ec;
    fs::create_directories(Folder, ec);
    if (ec)
        Fail("create folder", Folder, ec.value());
    const TBackupFileNames names = BackupFileNames(BoxFile, Folder);

    // The new copy is whole and on the device before the older ones move, so a copy that fails
    // leaves the three copies as they were.
    TReplaceOptions options;
    options.NewMode = 0600;
    options.KeepMode = false;
    TFileReplacement copy(names.F1, options);
    {
        TBoxReader box(BoxFile);
        std::vector<char> buffer(kCopyBlock);
        while (const std::size_t got = box.Read(buffer))
            copy.Write(buffer.data(), static_cast<int64_t>(got));
    }
    copy.Flush();

    const bool rotated = fs::exists(names.F1, ec);
    if (rotated) {
        fs::remove(names.F3, ec);
        fs::rename(names.F2, names.F3, ec);
        fs::rename(names.F1, names.F2, ec);
    }
    try {
        copy.Commit();
    } catch (...) {
        // The older copies go back to their places; only the oldest is lost.
        if (rotated) {
            fs::rename(names.F2, names.F1, ec);
            fs::rename(names.F3, names.F2, ec);
        }
        throw;
    }
}
