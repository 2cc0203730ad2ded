// Rebuilding a database into a new file: compaction, repair and password change.
//
// The new file is written beside the old one under a temporary "NORK" name, put on the device,
// and then takes the old file's place in one rename, so that at every moment the box's name
// holds either the whole old file or the whole new one. Only when the box's folder cannot take
// a new file is the copy made in the temporary folder and written over the old file.
#include "storage/NorkDatabase.h"

#include "dataproc/AlgoRegistry.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileStream.h"
#include "dataproc/Wipe.h"
#include "storage/NorkError.h"
#include "storage/NorkTable.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Capacity of a rebuilt table's first alive area.
constexpr int32_t kRebuiltAliveCapa = 256;
constexpr int64_t kCopyChunk = 1 << 20;
// Largest box whose rebuild is made in memory; a larger one is built in its file directly.
int64_t MemoryRebuildLimit = int64_t(256) << 20;

class TWipeOnExit {
public:
    explicit TWipeOnExit(std::string& S) : FS(S) {}
    ~TWipeOnExit() { WipeString(FS); }
    TWipeOnExit(const TWipeOnExit&) = delete;
    TWipeOnExit& operator=(const TWipeOnExit&) = delete;

private:
    std::string& FS;
};

[[noreturn]] void FailFile(const std::string& FileName, int Err)
{
    throw EFileError("Cannot write file \"" + FileName + "\". " + std::strerror(Err));
}

bool FolderWritable(const std::string& Folder)
{
    return ::access(Folder.c_str(), W_OK | X_OK) == 0;
}

// Puts a file's (or a folder's) content on the device.
void SyncPath(const std::string& Path, bool Folder)
{
    const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | (Folder ? O_DIRECTORY : 0));
    if (fd < 0)
        FailFile(Path, errno);
    if (::fsync(fd) != 0) {
        const int err = errno;
        ::close(fd);
        FailFile(Path, err);
    }
    ::close(fd);
}

int64_t FileSizeOf(const std::string& FileName)
{
    struct stat st {};
    return ::stat(FileName.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

void LoadFile(const std::string& FileName, TMemoryStream& Image)
{
    TFileStream in(FileName, fmOpenRead, shExclusive);
    const int64_t size = in.GetSize();
    Image.SetSize(size);
    if (in.Read(Image.Memory(), size) != size)
        throw EFileError("Cannot read file \"" + FileName + "\". Unexpected end of file");
}

// Replaces the file's content with the image and puts it on the device.
void SaveFile(const TMemoryStream& Image, const std::string& FileName)
{
    TFileStream out(FileName, fmCreate, shExclusive);
    if (out.Write(Image.Memory(), Image.Size()) != Image.Size())
        FailFile(FileName, EIO);
    out.Flush();
}

void RemoveFile(const std::string& FileName) noexcept
{
    ::unlink(FileName.c_str());
}

// The old file is held exclusively while it is replaced, so a box that another process is
// working in is not swapped under it (the replacement then fails, as a copy over a file in use
// would). The new file gets the old one's permissions.
bool ReplaceByRename(const std::string& NewFile, const std::string& FileName)
{
    SyncPath(NewFile, false);
    std::unique_ptr<TFileStream> held;
    try {
        held = std::make_unique<TFileStream>(FileName, fmOpenRead, shExclusive);
    } catch (const EFileError&) {
        return false;
    }
    struct stat st {};
    if (::fstat(held->Handle(), &st) == 0)
        (void)::chmod(NewFile.c_str(), st.st_mode & 07777);
    if (::rename(NewFile.c_str(), FileName.c_str()) != 0)
        return false;
    SyncPath(FolderOf(FileName), true);
    return true;
}

// Only for a box whose folder takes no new file: the old file is overwritten in place.
bool ReplaceByCopy(const std::string& NewFile, const std::string& FileName)
{
    try {
        TFileStream in(NewFile, fmOpenRead, shDenyNone);
        TFileStream out(FileName, fmCreate, shExclusive);
        std::vector<uint8_t> buffer(static_cast<std::size_t>(kCopyChunk));
        for (;;) {
            const int64_t n = in.Read(buffer.data(), kCopyChunk);
            if (n <= 0)
                break;
            if (out.Write(buffer.data(), n) != n)
                return false;
        }
        out.Flush();
    } catch (const EFileError&) {
        return false;
    }
    return true;
}

} // namespace

void TNorkDatabase::SetMemoryRebuildLimit(int64_t Bytes)
{
    MemoryRebuildLimit = Bytes;
}

bool TNorkDatabase::Compact()
{
    CheckActive();
    return RebuildDatabase(Compressed(), CompressAlgoName(), Encrypted(), EncryptAlgoName(), FPassword);
}

bool TNorkDatabase::Repair()
{
    CheckActive();
    return RebuildDatabase(Compressed(), CompressAlgoName(), Encrypted(), EncryptAlgoName(), FPassword);
}

bool TNorkDatabase::ChangePassword(const std::string& NewPassword, bool CheckPwd)
{
    CheckActive();
    return RebuildDatabase(Compressed(), CompressAlgoName(), CheckPwd, EncryptAlgoName(), NewPassword);
}

bool TNorkDatabase::RebuildDatabase(bool CompressBlob, std::string CompressName, bool Encrypt, std::string EncryptName,
                                    std::string NewPassword)
{
    TWipeOnExit wipeNew(NewPassword);
    CheckActive();
    for (const TNorkTable* table : FTables)
        if (table->Active())
            RaiseNorkError(SNorkTableActive);
    if (FStartOffset != 0 || FReadOnly || FInMemory)
        return false;
    if (CompressBlob && !IsCompressAlgoRegistered(CompressName))
        CompressName = "Zlib";
    if (Encrypt && !IsEncryptAlgoRegistered(EncryptName))
        EncryptName = "Blowfish";

    const std::string fileName = FFileName;
    const std::string folder = FolderOf(fileName);
    const bool inFolder = FolderWritable(folder);
    const std::string newFile = CreateTempFile(inFolder ? folder : TempFolder(), "NORK");
    try {
        CopyInto(newFile, CompressBlob, CompressName, Encrypt, EncryptName, NewPassword);
    } catch (...) {
        RemoveFile(newFile);
        throw;
    }

    std::string oldPassword = FPassword;
    TWipeOnExit wipeOld(oldPassword);
    Close();
    bool replaced = false;
    try {
        replaced = inFolder ? ReplaceByRename(newFile, fileName) : ReplaceByCopy(newFile, fileName);
    } catch (...) {
        RemoveFile(newFile);
        // Whichever file is in place now, it opens with one of the two passwords.
        try {
            if (!Open(fileName, NewPassword))
                Open(fileName, oldPassword);
        } catch (...) {
        }
        throw;
    }
    if (!(replaced && inFolder))
        RemoveFile(newFile);
    Open(fileName, replaced ? NewPassword : oldPassword);
    return replaced;
}

void TNorkDatabase::CopyInto(const std::string& TargetFile, bool CompressBlob, const std::string& CompressName,
                             bool Encrypt, const std::string& EncryptName, const std::string& NewPassword)
{
    TMemoryStream image; // declared first: the target database and its table may use it until they go
    TNorkDatabase target;
    target.SetMaxCache(0); // appending never evicts
    TNorkTable targetTable(&target);
    TNorkTable sourceTable(this);
    sourceTable.SetCheckSignature(false); // damaged records are copied all the same
    TMemoryStream blob;

    target.CreateDatabase(TargetFile, CompressBlob, CompressName, Encrypt, EncryptName, NewPassword);
    // A box of ordinary size is built in memory and written out once: the copy makes several
    // small writes per record, which would otherwise each be a system call.
    const int64_t oldSize = FileSizeOf(FFileName);
    const bool inMemory = oldSize >= 0 && oldSize <= MemoryRebuildLimit;
    if (inMemory) {
        image.Reserve(oldSize);
        LoadFile(TargetFile, image);
        target.Open(&image, NewPassword);
    } else {
        target.Open(TargetFile, NewPassword);
    }

    // File-level data: comments, free-use block, recovery question (with the new password).
    {
        std::string comments = GetComments();
        TWipeOnExit wipe(comments);
        target.SetComments(comments);
    }
    {
        uint8_t ext[sizeof(TExtDataBlock)] = {};
        GetExtData(ext, sizeof(ext));
        target.SetExtData(ext, sizeof(ext));
    }
    {
        std::string question;
        std::string answer;
        TWipeOnExit wipeQuestion(question);
        TWipeOnExit wipeAnswer(answer);
        const bool useQuestion = GetPwdQuestion(question);
        GetPwdAnswer(answer);
        target.SetPwdQuestion(useQuestion, question, answer, NewPassword);
    }

    // Schema: each table sized for its records, with its indexes, before any record goes in.
    const std::vector<std::string> tables = FTableNames;
    int64_t total = 0;
    for (const std::string& name : tables) {
        sourceTable.Open(name, false);
        const int count = sourceTable.RecordCount();
        total += count;
        const TTableHeader& h = sourceTable.TableHeader();
        target.CreateTable(name, h.RecordSize, h.BlobCount, count);
        for (int k = 0; k < h.IndexCount; ++k) {
            const TIndexHeaderItem& index = h.IndexHeader[k];
            if (index.FieldCount < 1 || index.FieldCount > kMaxIndexFields)
                RaiseFileCorrupt();
            const std::vector<TIndexFieldItem> items(index.FieldItems, index.FieldItems + index.FieldCount);
            target.CreateIndex(name, AnsiFieldToStr(index.IndexName, sizeof(index.IndexName)), items);
        }
        sourceTable.Close();
    }

    // Data, in id order. Each target area was sized to its records, so it never moves and its
    // slots follow the ids; the index chains built here stay valid when it becomes the base area.
    int64_t n = 1;
    for (const std::string& name : tables) {
        sourceTable.Open(name, false);
        targetTable.Open(name, true);
        const TTableHeader& h = sourceTable.TableHeader();
        std::vector<uint8_t> rec(static_cast<std::size_t>(h.RecordSize) + 1);
        sourceTable.BeginUpdate();
        try {
            targetTable.BeginUpdate();
        } catch (...) {
            ReleaseFileIONoThrow();
            throw;
        }
        try {
            for (int pos = 0; pos < sourceTable.RecordCount(); ++pos) {
                if (FOnProgress && total > 0)
                    FOnProgress(this, static_cast<int>(n * 100 / total));
                ++n;
                int32_t id = 0;
                sourceTable.ReadRecord(pos, id, rec.data());
                targetTable.AppendRecord(rec.data(), h.RecordSize, id);
                for (int b = 0; b < h.BlobCount; ++b) {
                    blob.Clear();
                    // A blob without stored bytes is copied as it is, never written: written, an
                    // empty one would take stored bytes (compressed) and hide an interrupted change.
                    if (sourceTable.ReadBlob(id, b, blob) == 0)
                        continue;
                    blob.SetPosition(0);
                    targetTable.WriteBlob(id, b, blob);
                }
            }
        } catch (...) {
            SecureZero(rec.data(), rec.size());
            target.ReleaseFileIONoThrow();
            ReleaseFileIONoThrow();
            throw;
        }
        SecureZero(rec.data(), rec.size());
        try {
            targetTable.EndUpdate();
        } catch (...) {
            ReleaseFileIONoThrow();
            throw;
        }
        sourceTable.EndUpdate();

        TTableHeader rebuilt = targetTable.TableHeader();
        rebuilt.BaseDataOfs = rebuilt.AliveDataOfs;
        rebuilt.BaseUseSpace = rebuilt.AliveUseSpace;
        rebuilt.AliveDataOfs = 0;
        rebuilt.AliveUseSpace = 0;
        rebuilt.AliveCapacity = 0;
        rebuilt.InitAliveCapa = kRebuiltAliveCapa;
        targetTable.FTableHeader = rebuilt;
        targetTable.SaveHeader();
        sourceTable.Close();
        targetTable.Close();
    }
    blob.Clear();
    targetTable.Close();
    target.Close(); // flushes the new file before anything replaces the old one with it
    if (inMemory)
        SaveFile(image, TargetFile);
}
