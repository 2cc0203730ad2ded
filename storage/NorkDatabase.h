// One container file: creating it, opening it with a password, its options, key data and table
// catalogue, the table schema, the free-use data, the comments, the password-recovery question,
// and the update bracket that keeps the file open across many record operations.
//
// The file is held open only while an operation or an update bracket runs. Whatever was written
// through the handle is flushed to the device when the last holder lets go of it.
//
// Errors: every method raises unless it says it answers a status. The engine's own errors are
// ENorkError (misuse, invalid file) and ENorkFileCorrupt (damaged data); the file's are EFileError
// naming the file and the reason; cipher and compression errors pass on as their algorithms raise
// them. A wrong password is a status (Open answers false), not an error. A change that raises has
// been taken back (see BeginUpdate), unless its error says that this failed too.
//
// Threads: one database object, its tables and its indexes belong to one thread at a time; only
// the cipher calls (Encode…/Decode…) lock, because the cipher keeps state between calls; other
// threads decode through codecs of their own (NewCodec). Objects
// on different files may be used on different threads. The process-wide settings
// (SetMemoryRebuildLimit, the algorithm registries) are set before any database is used.
#pragma once

#include "dataproc/Exception.h"
#include "dataproc/FileAnchor.h"
#include "dataproc/MemoryStream.h"
#include "dataproc/NorkAlgoMgr.h"
#include "storage/NorkFileIO.h"
#include "storage/NorkIndex.h"
#include "storage/NorkLayout.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

class TNorkTable;
class TNorkDatabase;
class TFileReplacement;
class TNorkCodec;

using TNorkProgressEvent = std::function<void(TNorkDatabase* Sender, int PercentDone)>;

class TNorkDatabase {
public:
    TNorkDatabase();
    ~TNorkDatabase();
    TNorkDatabase(const TNorkDatabase&) = delete;
    TNorkDatabase& operator=(const TNorkDatabase&) = delete;

    // Writes a new, empty container file of 4796 bytes (an existing file is truncated in place;
    // to replace a file whole, build it with NewFileImage and TFileReplacement). Answers false
    // when the file cannot be created or written; cipher errors raise. Neither opens the file
    // nor changes this object.
    bool CreateDatabase(const std::string& FileName);
    bool CreateDatabase(const std::string& FileName, bool CompressBlob, const std::string& CompressAlgoName,
                        bool Encrypt, const std::string& EncryptAlgoName, const std::string& Password);
    // The same new container in Image (its content replaced), for a file built in memory and
    // written out whole. Cipher errors raise.
    static void NewFileImage(TMemoryStream& Image, bool CompressBlob, const std::string& CompressAlgoName,
                             bool Encrypt, const std::string& EncryptAlgoName, const std::string& Password);

    // A wrong password answers false and leaves the database closed. An unencrypted file opens
    // with any password. A damaged file raises ENorkFileCorrupt; file errors pass on.
    bool Open(const std::string& AFileName, const std::string& APassword);
    // The container in the caller's buffer, which must outlive the database's use of it.
    bool Open(TMemoryStream* AStream, const std::string& APassword);
    // Close ends a bracket left open: what it wrote stays, unless a step of it failed half-way
    // (then the bracket's change is taken back). It raises only when that cannot be flushed or
    // taken back (the file is closed all the same); CloseAllTables never raises.
    void Close();
    void CloseAllTables();

    // The update bracket. Nested; the outermost bracket opens the file, and its end puts what
    // was written on the device and closes the file. Everything written inside a bracket is
    // one change: CancelUpdate ends the bracket and takes back what was written since its
    // BeginUpdate (the file gets its old bytes and size again, and open tables are read anew).
    // An operation outside any bracket that fails takes back its own writes before its error
    // passes on. Inside a bracket, an operation that fails after writing leaves the bracket's
    // change unable to complete: it is taken back by CancelUpdate, or by EndUpdate, which then
    // raises with the operation's error. An outermost EndUpdate whose flush fails takes back
    // the whole change too. Use TUpdateBracket, which ends the bracket on every path and cancels
    // it when an error passes through. BeginUpdate and EndUpdate raise; CancelUpdate never does.
    void BeginUpdate();
    void EndUpdate();
    void CancelUpdate() noexcept;

    // The schema operations answer true or raise; TableExists answers and never raises.
    bool CreateTable(const std::string& TableName, int RecordSize, int BlobCount, int RecCapacity);
    // Closes every open table object first. The table's space stays in the file until a rebuild.
    bool DeleteTable(const std::string& TableName);
    // Open table objects are not told; rename only closed tables.
    bool RenameTable(const std::string& OldTableName, const std::string& NewTableName);
    bool TableExists(const std::string& TableName) const;

    // A new index on a table that has held no record since it was created, emptied or rebuilt;
    // keys are the given fields (1 to 8, none overlapping another's start, all inside the record)
    // in order of significance, ties broken by record id. Tables open at the time do not learn
    // of it: create indexes on closed tables only.
    bool CreateIndex(const std::string& TableName, const std::string& IndexName, int FieldOffset,
                     TNorkIndexType IndexType);
    bool CreateIndex(const std::string& TableName, const std::string& IndexName,
                     const std::vector<TIndexFieldItem>& IndexFieldItems);

    // Rebuilding: every live record and blob of every table is copied, in id order, into a new
    // file that then replaces this one; indexes are built anew. The database must be open with
    // no table object open; a read-only, in-memory or offset database answers false. Progress
    // goes to OnProgress. The new file is complete and on the device before it replaces the old
    // one in a single rename, so the old file stays as it was until then; on any error before
    // the rename the temporary file is removed. Afterwards the database is open again, with the
    // password the file in place needs. Compact and Repair keep the options and the password;
    // ChangePassword sets the password and whether the file is encrypted (CheckPwd).
    bool Compact();
    bool Repair();
    bool ChangePassword(const std::string& NewPassword, bool CheckPwd);
    // Files up to this size (256 MiB unless set) are rebuilt in memory and written out at once;
    // larger ones are built in the new file directly. Both give the same bytes.
    static void SetMemoryRebuildLimit(int64_t Bytes);
    // The rebuild's copy of the file that was opened, read through its anchor even when its path
    // leads elsewhere now or nowhere, written as NewFileName (created, or replaced whole) with
    // the same options and password; then the database is open on the copy. Needs what a
    // rebuild needs; an in-memory or offset database answers false. The caller makes sure no
    // other program works in NewFileName. On an error the database stays open on its file.
    bool SaveCopyAs(const std::string& NewFileName);

    // An open disk database works only on the file it opened. A synchronising tool or a file
    // manager may rename another file over its path, move it or delete it; from then on every
    // operation that would open the file raises ENorkFileReplaced naming it, before anything is
    // read or written, and an outermost change that finds the path swapped when it ends is
    // taken back and raises the same. FileFate answers what became of the path (ffSame while
    // closed or in memory); CheckFileInPlace raises ENorkFileReplaced unless it is ffSame.
    TFileFate FileFate() const;
    void CheckFileInPlace() const;

    // These four work open or closed: on a closed object they use the file FileName names. They
    // raise on errors of the file.
    void SetExtData(const void* Buffer, int Size);
    void GetExtData(void* Buffer, int Size);
    bool GetPwdQuestion(std::string& Question);
    bool GetPwdAnswer(std::string& Answer);
    // True and the stored password when the answer matches exactly; false also when the key
    // data cannot be read or deciphered (errors opening the file, memory exhaustion and
    // programming errors raise).
    bool GetPwdByAnswer(const std::string& Answer, std::string& Password);

    // Comments are enciphered with the database password when the file is encrypted.
    void SetComments(const std::string& Value);
    std::string GetComments();
    // The recovery data is protected only by the fixed key-data cipher, not by the password.
    void SetPwdQuestion(bool UseQuestion, const std::string& Question, const std::string& Answer,
                        const std::string& Password);

    // The properties answer and never raise; their setters raise "Cannot perform this operation
    // on an open database" while the database is open.
    const std::string& FileName() const { return FFileName; }
    // Full path of the file; only while closed. Addresses a disk file from then on.
    void SetFileName(const std::string& Value);
    bool Active() const { return FActive; }
    bool InMemory() const { return FInMemory; }
    int32_t StartOffset() const { return FStartOffset; }
    void SetStartOffset(int32_t Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool Exclusive() const { return FExclusive; }
    void SetExclusive(bool Value);
    // Record-cache limit per table; 0 = no limit.
    int32_t MaxCache() const { return FMaxCache; }
    void SetMaxCache(int32_t Value);
    bool Encrypted() const { return FDBOptions.Encrypt != 0; }
    std::string EncryptAlgoName() const;
    bool Compressed() const { return FDBOptions.CompressBlob != 0; }
    std::string CompressAlgoName() const;
    const TNorkProgressEvent& OnProgress() const { return FOnProgress; }
    void SetOnProgress(TNorkProgressEvent Value) { FOnProgress = std::move(Value); }
    // Table names in catalogue order, in their stored form.
    const std::vector<std::string>& TableNames() const { return FTableNames; }
    const TTableTab& TableTab() const { return FTableTab; }

    // Raise "Cannot perform this operation on a closed database" / "... on an open database".
    void CheckActive() const;
    void CheckInactive() const;

    // The base64 text of the SHA-0 digest of the password's code page 936 bytes.
    static std::string HashString(const std::string& Password);

    // ---- services of the table layer (they raise like the rest) ----

    // Under the codec lock: encipher (Encrypt) or copy Size bytes; Source may equal Dest.
    void EncodeRecordBuffer(const void* Source, void* Dest, int Size, bool Encrypt);
    void DecodeRecordBuffer(const void* Source, void* Dest, int Size, bool Encrypt);
    // Stored blob bytes are compressed, then enciphered; decoding undoes it in reverse order.
    // The whole of Source is coded into Dest (which may be Source). Decoding with PlainSize >= 0
    // (the descriptor's DataSize) inflates to exactly that size or raises "Decompression error:
    // data error"; only deciphering takes the codec lock.
    void EncodeBlobStream(TMemoryStream* Source, TMemoryStream* Dest, bool Compress, bool Encrypt);
    void DecodeBlobStream(TMemoryStream* Source, TMemoryStream* Dest, bool Compress, bool Encrypt,
                          int64_t PlainSize = -1);
    // A private codec keyed like this database, for decoding on another thread (see
    // TNorkCodec). Open databases only; raises like the algorithms.
    std::unique_ptr<TNorkCodec> NewCodec();
    // Opens the file layer with this database's settings (closing what it held) and takes over
    // the stream's read-only flag.
    void OpenFileIO();
    TNorkFileIO& FileIO() { return FFileIO; }
    // Position of the table in the catalogue, -1 when there is none of that name.
    int TableIndexOf(const std::string& TableName) const;
    // Runs Body with the file layer open: inside a bracket on its handle, otherwise on a handle
    // opened for Body alone and closed (flushed) afterwards, also when Body raises.
    template <class Fn>
    auto WithFileIO(Fn&& Body) -> std::invoke_result_t<Fn&>;

private:
    friend class TNorkTable;

    void RegisterTable(TNorkTable* Table);
    void UnregisterTable(TNorkTable* Table) noexcept;
    // Holds the file open one level deeper; with Savepoint a change that can be taken back on
    // its own begins there (brackets and operations outside any bracket).
    void AcquireFileIO(bool Savepoint);
    // Ends the innermost level. At a savepoint the change ends: a spoilt one is taken back and
    // raises, the outermost one is flushed (and taken back when that fails).
    void ReleaseFileIO(bool Savepoint);
    // Takes back the innermost change and ends it; answers why taking it back failed ("" when it
    // did not).
    std::string CancelFileIO() noexcept;
    void ReloadAfterUndo() noexcept;
    bool OpenDatabase(const std::string& APassword);
    bool RebuildDatabase(bool CompressBlob, std::string CompressName, bool Encrypt, std::string EncryptName,
                         std::string NewPassword);
    // Steps of the rebuild that fill the new file.
    void CopyInto(TFileReplacement& NewFile, bool CompressBlob, const std::string& CompressName, bool Encrypt,
                  const std::string& EncryptName, const std::string& NewPassword);
    void InitAlgorithms();
    // Reads the catalogue from the file into FTableTab, checked.
    void LoadTableTab();
    // Catalogue position of a table by the names in its headers on file; -1 when absent.
    int FindTableInFile(const std::string& TableName);
    void LoadTableNames();
    [[noreturn]] void RaiseFileReplaced(TFileFate Fate) const;
    // The file the operations read: the path, or the anchored file while a copy is saved from it.
    std::string SourcePath() const;

    std::string FFileName;
    TMemoryStream* FMemStream = nullptr;
    bool FInMemory = false;
    TNorkFileIO FFileIO;
    std::vector<TNorkTable*> FTables;
    std::unique_ptr<TCompressMgr> FCompressMgr;
    std::unique_ptr<TEncryptMgr> FEncryptMgr;
    std::mutex FDPCSect;
    bool FActive = false;
    std::string FPassword;
    int32_t FStartOffset = 0;
    bool FReadOnly = false;
    bool FExclusive = true;
    int32_t FMaxCache = 5000;
    int FUpdateCount = 0;
    TDBOptions FDBOptions{};
    TDBKeyData FDBKeyData{};
    TTableTab FTableTab{};
    std::vector<std::string> FTableNames;
    TNorkProgressEvent FOnProgress;
    // The file that was opened, held (without a lock) while the database is open from a disk file.
    TFileAnchor FFileAnchor;
    // The file layer opens the anchored file, read-only, instead of the path (SaveCopyAs).
    bool FReadAnchored = false;
    // Writes through the file layer when the outermost change began.
    int64_t FWritesAtBegin = 0;
};

template <class Fn>
auto TNorkDatabase::WithFileIO(Fn&& Body) -> std::invoke_result_t<Fn&>
{
    using R = std::invoke_result_t<Fn&>;
    // Outside a bracket Body is a change of its own. Inside one, a Body that fails after writing
    // spoils the bracket's change, which can then only be taken back (by its cancel, or by its
    // end, which raises): it never goes to the device half made.
    const bool savepoint = FUpdateCount == 0;
    AcquireFileIO(savepoint);
    const int64_t writes = FFileIO.WriteCount();
    const auto fail = [&](const std::exception* Error) {
        if (!savepoint) {
            if (FFileIO.WriteCount() != writes)
                FFileIO.SpoilChange(Error != nullptr ? Error->what() : "the change failed");
            ReleaseFileIO(false);
            return;
        }
        const std::string undoFailure = CancelFileIO();
        if (Error != nullptr && !undoFailure.empty())
            throw EFileError(std::string(Error->what()) + "; " + undoFailure);
    };
    if constexpr (std::is_void_v<R>) {
        try {
            Body();
        } catch (const std::exception& e) {
            fail(&e);
            throw;
        } catch (...) {
            fail(nullptr);
            throw;
        }
        ReleaseFileIO(savepoint);
    } else {
        std::optional<R> result;
        try {
            result.emplace(Body());
        } catch (const std::exception& e) {
            fail(&e);
            throw;
        } catch (...) {
            fail(nullptr);
            throw;
        }
        ReleaseFileIO(savepoint);
        return std::move(*result);
    }
}
