// Reads and writes the blocks of a container file at their places: the fixed blocks, the table
// headers where the catalogue puts them, appended and copied raw blocks. It owns one stream,
// open only while the database needs the file.
//
// Errors: writes, opening and flushing raise EFileError naming the file and the reason; reads
// answer how much they read (IsValid… and Read… of the fixed blocks answer what they found);
// the table headers raise ENorkFileCorrupt where the catalogue points outside the file. Threads:
// the database's.
#pragma once

#include "storage/NorkFileStream.h"
#include "storage/NorkLayout.h"
#include "storage/NorkUndoLog.h"

#include <cstdint>
#include <memory>
#include <string>

class TNorkFileIO {
public:
    TNorkFileIO() = default;
    ~TNorkFileIO();
    TNorkFileIO(const TNorkFileIO&) = delete;
    TNorkFileIO& operator=(const TNorkFileIO&) = delete;

    // Close, then open a disk file (or the caller's memory stream) with the settings applied to
    // the new stream in the order offset, read-only, exclusive.
    void Open(const std::string& AFileName, bool AExclusive, bool AReadOnly, int32_t AStartOffset);
    void Open(TMemoryStream* AStream, bool AExclusive, bool AReadOnly, int32_t AStartOffset);
    // Flushes to the device when anything was written through the stream, then closes it. A
    // failed flush still closes and then raises.
    void Close();
    // The same for error paths: a failed flush is not reported.
    void CloseNoThrow() noexcept;
    // Puts what was written on the device now; raises EFileError naming the file and the reason.
    void Flush();
    bool IsOpen() const { return FDBStream && FDBStream->IsOpen(); }
    bool InMemory() const { return FDBStream && FDBStream->InMemory(); }
    TNorkFileStream* DBStream() const { return FDBStream.get(); }
    // The descriptor of an open disk file; -1 for a memory stream or when closed.
    int Handle() const;

    // Magic "NORK", case-sensitive; a file shorter than the 10 bytes of magic and version is not valid.
    bool IsValidDBFile();
    // Version text at most "1.0" by ordinal comparison.
    bool IsValidVersion();
    std::string ReadDBVersion();

    void ReadExtData(TExtDataBlock& Data);
    void WriteExtData(const TExtDataBlock& Data);
    // Transferred as they are; enciphering comments is the database's business.
    void ReadComments(TCommentsBlock& Data);
    void WriteComments(const TCommentsBlock& Data);
    void ReadDBOptions(TDBOptions& Data);
    void WriteDBOptions(const TDBOptions& Data);
    // Deciphered after reading; a copy is enciphered for writing, so Data stays plain.
    void ReadDBKeyData(TDBKeyData& Data);
    void WriteDBKeyData(const TDBKeyData& Data);
    void ReadTableTab(TTableTab& Data);
    // Both copies.
    void WriteTableTab(const TTableTab& Data);
    // At the catalogue's offset for table TableIdx (which must lie inside the catalogue and the
    // file, else ENorkFileCorrupt); writing also writes the copy right after it.
    void ReadTableHeader(const TTableTab& TableTab, int TableIdx, TTableHeader& Data);
    void WriteTableHeader(const TTableTab& TableTab, int TableIdx, const TTableHeader& Data);
    // Writes BlockSize zero bytes at the end and answers where they start (the old size).
    int64_t AppendBlock(int64_t BlockSize);
    // Writes Count bytes at the end and answers where they start.
    int64_t AppendData(const void* Buffer, int64_t Count);
    // Copies BlockSize bytes; overlapping ranges copy the source as it was before.
    void CopyBlock(int64_t SourceOffset, int64_t DestOffset, int64_t BlockSize);

    // Raw transfers. Reads answer the bytes read (fewer at the end of the data; the rest of
    // Buffer is left alone). A write that cannot store every byte (closed or read-only stream)
    // raises EFileError, so a change is never reported done when it was not made.
    int64_t ReadAt(int64_t Position, void* Buffer, int64_t Count);
    void WriteAt(int64_t Position, const void* Buffer, int64_t Count);
    int64_t Size();
    // Raises when the file would grow past what 32-bit offsets address.
    void CheckGrowth(int64_t NewEnd);

    // ---- taking back a change that failed part-way (see TNorkUndoLog) ----

    // Off: nothing is kept (a file that is thrown away when its writing fails).
    void SetKeepUndo(bool Value) { FKeepUndo = Value; }
    // A change, maybe nested in another, begins on the open file.
    void BeginChange();
    // The innermost change completed.
    void EndChange();
    // Takes back the innermost change and ends it; answers whether the file had been changed.
    // Raises EFileError when the old bytes cannot be put back.
    bool UndoChange();
    // Forgets every change (they are on the device, or the handle goes).
    void ForgetChanges() { FUndo.Clear(); }
    // Writes made through this object so far (to tell whether a failed step wrote anything).
    int64_t WriteCount() const { return FWriteCount; }
    // The innermost change cannot complete any more: a step of it failed after writing.
    void SpoilChange(const std::string& Why) { FUndo.Spoil(Why); }
    bool ChangeSpoilt() const { return FUndo.Spoilt(); }
    // Takes back every change still open when one of them is spoilt; raises as UndoChange.
    void UndoSpoiltChanges();
    const std::string& ChangeSpoiltBy() const { return FUndo.SpoiltBy(); }

private:
    void WriteRaw(int64_t Position, const void* Buffer, int64_t Count);
    int64_t HeaderOffset(const TTableTab& TableTab, int TableIdx);
    [[noreturn]] void FailWrite();

    std::unique_ptr<TNorkFileStream> FDBStream;
    TNorkUndoLog FUndo;
    bool FKeepUndo = true;
    int64_t FWriteCount = 0;
};

// The fixed cipher of stored blocks: AlgoName in mode emCTS keyed by Key (as code page 936
// text), through a manager of its own, in place. The key data uses "Blowfish" and an empty key.
void EncodeBlock(void* Buffer, int Size, const std::string& AlgoName, const std::string& Key);
void DecodeBlock(void* Buffer, int Size, const std::string& AlgoName, const std::string& Key);
