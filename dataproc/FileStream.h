// An open disk file as a stream. Sharing follows the Windows share modes by means of flock:
// an exclusive open keeps every other opener out, a shared open keeps out only exclusive ones,
// and either fails at once (no waiting) while the other side holds the file.
#pragma once

#include "dataproc/Stream.h"

#include <string>

enum TFileMode {
    fmOpenRead,      // existing file, reading only
    fmOpenReadWrite, // existing file, reading and writing
    fmCreate         // new file, or an existing one truncated; reading and writing
};

enum TShareMode {
    shExclusive, // no other handle may open the file
    shDenyNone   // others may read and write
};

class TFileStream final : public TStream {
public:
    // Raises EFileError naming the file and the reason when the file cannot be opened.
    TFileStream(const std::string& FileName, TFileMode Mode, TShareMode Share);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t NewSize) override;

    // Asks the system to put the file's data on the device (fsync).
    void Flush();
    int Handle() const { return FHandle; }
    const std::string& FileName() const { return FFileName; }
    bool Writable() const { return FWritable; }

private:
    [[noreturn]] void Fail(const char* what, int err) const;

    std::string FFileName;
    int FHandle = -1;
    bool FWritable = false;
    int64_t FPosition = 0;
    // While this handle holds the file exclusively nobody else changes its size, so the size is
    // tracked here instead of asked of the system on every call; -1 when not known.
    bool FSizeTracked = false;
    int64_t FKnownSize = -1;
};
