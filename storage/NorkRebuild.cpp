// Rebuilding a database into a new file: compaction, repair and password change.
//
// The new file is written beside the old one under a temporary "NORK" name (held locked, so a
// sweep of leftovers leaves it alone), put on the device, and then takes the old file's place in
// one rename, so that at every moment the box's name holds either the whole old file or the
// whole new one.
#include "storage/NorkDatabase.h"

#include "dataproc/AlgoRegistry.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Exception.h"
#include "dataproc/FilePaths.h"
#include "dataproc/FileReplacement.h"
#include "dataproc/FileStream.h"
#include "dataproc/UpdateBracket.h"
#include "dataproc/Wipe.h"
#include "storage/NorkError.h"
#include "storage/NorkLeftovers.h"
#include "storage/NorkTable.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

// Capacity of a rebuilt table's first alive area.
constexpr int32_t kRebuiltAliveCapa = 256;
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

// Sets a flag for the lifetime of the object.
class TAnchoredReads {
public:
    explicit TAnchoredReads(bool& Flag) : FFlag(Flag) { FFlag = true; }
    ~TAnchoredReads() { FFlag = false; }
    TAnchoredReads(const TAnchoredReads&) = delete;
    TAnchoredReads& operator=(const TAnchoredReads&) = delete;

private:
    bool& FFlag;
};

int64_t FileSizeOf(const std::string& FileName)
{
    struct stat st {};
    return ::stat(FileName.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

// Messages about the new file name the box: the new file is only the box being written.
std::string NamingTheBox(std::string Message, const std::string& NewFile, const std::string& Box)
{
    for (std::size_t at = Message.find(NewFile); at != std::string::npos; at = Message.find(NewFile, at + Box.size()))
        Message.replace(at, NewFile.size(), Box);
    return Message;
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
    // A rebuild of a file whose path leads elsewhere would put the old file back over the new one.
    CheckFileInPlace();
    if (CompressBlob && !IsCompressAlgoRegistered(CompressName))
        CompressName = "Zlib";
    if (Encrypt && !IsEncryptAlgoRegistered(EncryptName))
        EncryptName = "Blowfish";

    const std::string fileName = FFileName;
    TReplaceOptions options;
    options.Prefix = kNorkTempPrefix;
    TFileReplacement newFile(fileName, options); // removed again on every path that does not commit it
    try {
        CopyInto(newFile, CompressBlob, CompressName, Encrypt, EncryptName, NewPassword);
    } catch (const EFileError& e) {
        throw EFileError(NamingTheBox(e.Message(), newFile.FileName(), fileName));
    }

    std::string oldPassword = FPassword;
    TWipeOnExit wipeOld(oldPassword);
    TFileAnchor oldFile;
    oldFile.Swap(FFileAnchor);
    Close();
    try {
        // The old file is held exclusively while it is replaced, so a box that another process is
        // working in is not swapped under it.
        std::unique_ptr<TFileStream> held;
        try {
            held = std::make_unique<TFileStream>(fileName, fmOpenRead, shExclusive);
        } catch (const EFileError&) {
            if (oldFile.FateOf(fileName) != ffSame)
                RaiseFileReplaced(oldFile.FateOf(fileName));
            Open(fileName, oldPassword);
            return false;
        }
        // The path was swapped while the copy was made: the file it names now is not ours to
        // replace, nor to open in the old one's place, so the database stays closed.
        if (!oldFile.Holds(held->Handle()))
            throw ENorkFileReplaced(NorkFormat(SNorkFileReplaced, fileName), ffReplaced);
        newFile.Commit();
    } catch (const ENorkFileReplaced&) {
        throw;
    } catch (...) {
        if (oldFile.FateOf(fileName) != ffSame)
            throw;
        // Not replaced: the old file, with the old password, is in place.
        try {
            Open(fileName, oldPassword);
        } catch (...) {
            // The rebuild's own error is the one to report.
        }
        throw;
    }
    Open(fileName, NewPassword);
    return true;
}

bool TNorkDatabase::SaveCopyAs(const std::string& NewFileName)
{
    CheckActive();
    for (const TNorkTable* table : FTables)
        if (table->Active())
            RaiseNorkError(SNorkTableActive);
    if (FStartOffset != 0 || FInMemory)
        return false;
    const std::string target = FullPath(NewFileName);
    TReplaceOptions options;
    options.Prefix = kNorkTempPrefix;
    TFileReplacement newFile(target, options); // removed again on every path that does not commit it
    {
        TAnchoredReads anchored(FReadAnchored);
        try {
            CopyInto(newFile, Compressed(), CompressAlgoName(), Encrypted(), EncryptAlgoName(), FPassword);
        } catch (const EFileError& e) {
            throw EFileError(NamingTheBox(e.Message(), newFile.FileName(), target));
        }
    }
    newFile.Commit();
    std::string password = FPassword;
    TWipeOnExit wipe(password);
    Close();
    Open(target, password);
    return true;
}

void TNorkDatabase::CopyInto(TFileReplacement& NewFile, bool CompressBlob, const std::string& CompressName,
                             bool Encrypt, const std::string& EncryptName, const std::string& NewPassword)
{
    TMemoryStream image; // declared first: the target database and its table may use it until they go
    TNorkDatabase target;
    target.SetMaxCache(0);                // appending never evicts
    target.SetExclusive(false);           // shares the new file with the lock NewFile holds on it
    target.FFileIO.SetKeepUndo(false);    // a failed rebuild throws the whole new file away
    TNorkTable targetTable(&target);
    TNorkTable sourceTable(this);
    sourceTable.SetCheckSignature(false); // damaged records are copied all the same
    TMemoryStream blob;

    NewFileImage(image, CompressBlob, CompressName, Encrypt, EncryptName, NewPassword);
    // A box of ordinary size is built in memory and written out once: the copy makes several
    // small writes per record, which would otherwise each be a system call.
    const int64_t oldSize = FileSizeOf(SourcePath());
    const bool inMemory = oldSize >= 0 && oldSize <= MemoryRebuildLimit;
    if (inMemory) {
        image.Reserve(oldSize);
        target.Open(&image, NewPassword);
    } else {
        NewFile.Write(image.Memory(), image.Size());
        target.Open(NewFile.FileName(), NewPassword);
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
        try {
            TUpdateBracket sourceBracket(sourceTable);
            TUpdateBracket targetBracket(targetTable);
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
            throw;
        }
        SecureZero(rec.data(), rec.size());

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
        NewFile.Write(image.Memory(), image.Size());
}
