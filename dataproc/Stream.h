// A seekable byte stream: the shape shared by memory buffers and open files.
#pragma once

#include <cstdint>

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to Count bytes at the position; answers how many were read.
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    // Writes Count bytes at the position; answers how many were written.
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    virtual int64_t GetSize() = 0;
    virtual void SetSize(int64_t NewSize) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }

    // Copies Count bytes from Source's position; Count 0 copies all of Source from its start.
    int64_t CopyFrom(TStream& Source, int64_t Count);
};
