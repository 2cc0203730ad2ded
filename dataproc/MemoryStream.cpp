#include "dataproc/MemoryStream.h"

#include "dataproc/Wipe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

TMemoryStream::~TMemoryStream()
{
    Clear();
}

void TMemoryStream::Clear()
{
    if (FData != nullptr) {
        SecureZero(FData, static_cast<std::size_t>(FCapacity));
        std::free(FData);
    }
    FData = nullptr;
    FSize = FCapacity = FPosition = 0;
}

void TMemoryStream::Grow(int64_t MinCapacity)
{
    if (MinCapacity <= FCapacity)
        return;
    int64_t capacity = std::max<int64_t>(MinCapacity, FCapacity + FCapacity / 2);
    capacity = (capacity + 255) & ~int64_t(255);
    // A fresh block rather than realloc, so the old bytes can be wiped before they are released.
    auto* data = static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(capacity)));
    if (data == nullptr)
        throw std::bad_alloc();
    if (FData != nullptr) {
        std::memcpy(data, FData, static_cast<std::size_t>(FSize));
        SecureZero(FData, static_cast<std::size_t>(FCapacity));
        std::free(FData);
    }
    FData = data;
    FCapacity = capacity;
}

void TMemoryStream::Reserve(int64_t Bytes)
{
    Grow(Bytes);
}

void TMemoryStream::Swap(TMemoryStream& Other) noexcept
{
    std::swap(FData, Other.FData);
    std::swap(FSize, Other.FSize);
    std::swap(FCapacity, Other.FCapacity);
    std::swap(FPosition, Other.FPosition);
}

void TMemoryStream::SetSize(int64_t NewSize)
{
    if (NewSize < 0)
        NewSize = 0;
    if (NewSize > FSize) {
        Grow(NewSize);
        std::memset(FData + FSize, 0, static_cast<std::size_t>(NewSize - FSize));
    } else if (NewSize < FSize) {
        SecureZero(FData + NewSize, static_cast<std::size_t>(FSize - NewSize));
    }
    FSize = NewSize;
    if (FPosition > FSize)
        FPosition = FSize;
}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count)
{
    if (Count <= 0 || FPosition >= FSize)
        return 0;
    const int64_t n = std::min(Count, FSize - FPosition);
    std::memcpy(Buffer, FData + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count)
{
    if (Count <= 0)
        return 0;
    const int64_t end = FPosition + Count;
    if (end > FCapacity)
        Grow(end);
    if (FPosition > FSize)
        std::memset(FData + FSize, 0, static_cast<std::size_t>(FPosition - FSize));
    std::memmove(FData + FPosition, Buffer, static_cast<std::size_t>(Count));
    FPosition = end;
    if (end > FSize)
        FSize = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    int64_t base = 0;
    if (Origin == soCurrent)
        base = FPosition;
    else if (Origin == soEnd)
        base = FSize;
    const int64_t pos = base + Offset;
    FPosition = pos < 0 ? 0 : pos;
    return FPosition;
}
