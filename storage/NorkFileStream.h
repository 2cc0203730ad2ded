// The byte stream under a database: a disk file or a caller's memory buffer, seen through a
// start offset (stream position p is byte p + Offset of the underlying data).
//
// Errors: opening, reading and writing a disk file raise EFileError naming the file and the
// reason; a closed stream answers 0 and raises nothing. Threads: one thread per stream.
#pragma once

#include "dataproc/FileStream.h"
#include "dataproc/MemoryStream.h"

#include <cstdint>
#include <memory>
#include <string>

class TNorkFileStream {
public:
    TNorkFileStream() = default;
    virtual ~TNorkFileStream() = default;
    TNorkFileStream(const TNorkFileStream&) = delete;
    TNorkFileStream& operator=(const TNorkFileStream&) = delete;

    const std::string& FileName() const { return FFileName; }
    bool Exclusive() const { return FExclusive; }
    bool ReadOnly() const { return FReadOnly; }
    bool InMemory() const { return GetInMemory(); }
    bool Flushed() const { return FFlushed; }
    int32_t Offset() const { return FOffset; }

    // Sizes and positions are as seen through the offset. Closed: 0, and setting does nothing.
    virtual int64_t GetSize();
    virtual int64_t GetPosition();
    virtual bool GetInMemory() const { return false; }
    virtual void SetSize(int64_t Value);
    virtual void SetPosition(int64_t Value);
    virtual void SetExclusive(bool Value) { FExclusive = Value; }
    virtual void SetReadOnly(bool Value) { FReadOnly = Value; }
    // Negative values become 0; a change moves an open stream to position 0.
    virtual void SetOffset(int32_t Value);

    // Closes, then remembers the name.
    virtual void Open(const std::string& AFileName);
    virtual void Close();
    virtual void Flush() {}
    virtual bool IsOpen() const { return FStream != nullptr; }

    // Transfer up to Count bytes at the position and answer how many; 0 when closed. A write
    // marks the stream as not flushed.
    virtual int Read(void* Buffer, int Count);
    virtual int Write(const void* Buffer, int Count);
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin);
    // Sharing is settled when the file is opened; these are hooks for streams that lock ranges.
    virtual void Lock() {}
    virtual void Unlock() {}

protected:
    std::string FFileName;
    bool FExclusive = true;
    bool FReadOnly = false;
    TStream* FStream = nullptr; // the underlying stream; owned by the derived class if at all
    bool FFlushed = true;
    int32_t FOffset = 0;
};

// A disk file. An exclusive open keeps every other opener out (in this and other processes);
// a shared one keeps out only exclusive openers. A file the user may not write, or that does not
// exist, counts as read-only and forces a read-only open.
class TNorkDiskFileStream final : public TNorkFileStream {
public:
    ~TNorkDiskFileStream() override;

    bool GetInMemory() const override { return false; }
    // Store the flag; a change while open reopens the file at the same position. ReadOnly cannot
    // be cleared while the file itself is read-only.
    void SetExclusive(bool Value) override;
    void SetReadOnly(bool Value) override;
    // Raises EFileError naming the file and the reason when it cannot be opened.
    void Open(const std::string& AFileName) override;
    void Close() override;
    // Puts the file's data on the device (fsync).
    void Flush() override;

    bool FileIsReadOnly() const { return FFileIsReadOnly; }
    // The descriptor of the open file; -1 when closed.
    int Handle() const { return FFile ? FFile->Handle() : -1; }

private:
    void Reopen();

    std::unique_ptr<TFileStream> FFile;
    bool FFileIsReadOnly = false;
};

// A caller's memory buffer, never owned. Writes transfer nothing while ReadOnly is set, as they
// would on a file opened for reading.
class TNorkMemFileStream final : public TNorkFileStream {
public:
    bool GetInMemory() const override { return true; }
    void Close() override;
    int Write(const void* Buffer, int Count) override;
    void SetSize(int64_t Value) override;
    // Closes, forgets the file name, takes AStream at stream position 0; false for no stream.
    bool Open(TMemoryStream* AStream);

private:
    using TNorkFileStream::Open;
};
