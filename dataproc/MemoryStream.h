// A growable in-memory byte buffer with a size and a position. Blob data and the codecs
// work on these; released or discarded bytes are wiped because they may be secrets.
#pragma once

#include "dataproc/Stream.h"

#include <cstddef>
#include <cstdint>

class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return FSize; }
    // Growing fills with zeros; shrinking wipes the bytes cut off. The position is kept within the size.
    void SetSize(int64_t NewSize) override;

    // Empties the stream and releases (after wiping) its buffer.
    void Clear();
    uint8_t* Memory() { return FData; }
    const uint8_t* Memory() const { return FData; }
    int64_t Size() const { return FSize; }
    // Makes room for at least Bytes without changing the size.
    void Reserve(int64_t Bytes);
    // Exchanges contents (and positions) with Other without copying.
    void Swap(TMemoryStream& Other) noexcept;

private:
    void Grow(int64_t MinCapacity);

    uint8_t* FData = nullptr;
    int64_t FSize = 0;
    int64_t FCapacity = 0;
    int64_t FPosition = 0;
};
