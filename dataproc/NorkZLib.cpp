#include "dataproc/NorkZLib.h"

#include "dataproc/Exception.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>

std::string ZLibErrorText(int Code)
{
    switch (Code) {
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "";
    }
}

namespace {

int CheckCompress(int Code)
{
    if (Code < 0)
        throw Exception("Compression error: " + ZLibErrorText(Code));
    return Code;
}

int CheckDecompress(int Code)
{
    if (Code < 0)
        throw Exception("Decompression error: " + ZLibErrorText(Code));
    return Code;
}

// Points zlib's output at the free part of Out; a buffer without room gives zlib no buffer at all.
void SetOutput(z_stream& strm, TMemoryStream& Out, int64_t Produced)
{
    strm.next_out = Out.Size() > 0 ? Out.Memory() + Produced : Z_NULL;
    strm.avail_out = static_cast<uInt>(Out.Size() - Produced);
}

} // namespace

void ZCompressBuf(const void* In, int Size, TMemoryStream& Out)
{
    Out.Clear();
    const int64_t n = Size;
    Out.SetSize(((n + n / 10 + 12) + 255) & ~int64_t(255));
    z_stream strm{};
    strm.next_in = static_cast<Bytef*>(const_cast<void*>(In));
    strm.avail_in = static_cast<uInt>(Size);
    SetOutput(strm, Out, 0);
    CheckCompress(deflateInit(&strm, Z_DEFAULT_COMPRESSION));
    try {
        while (CheckCompress(deflate(&strm, Z_FINISH)) != Z_STREAM_END) {
            const int64_t produced = static_cast<int64_t>(strm.total_out);
            Out.SetSize(Out.Size() + 256);
            SetOutput(strm, Out, produced);
        }
    } catch (...) {
        deflateEnd(&strm);
        Out.Clear();
        throw;
    }
    const int64_t produced = static_cast<int64_t>(strm.total_out);
    try {
        CheckCompress(deflateEnd(&strm));
    } catch (...) {
        Out.Clear();
        throw;
    }
    Out.SetSize(produced);
    Out.SetPosition(produced);
}

namespace {

// One libdeflate decompressor per thread: it holds only scratch tables, and allocating one per
// call would cost more than inflating a small blob.
libdeflate_decompressor* ThreadInflater()
{
    struct TInflater {
        libdeflate_decompressor* Handle = libdeflate_alloc_decompressor();
        ~TInflater() { libdeflate_free_decompressor(Handle); }
    };
    thread_local TInflater inflater;
    if (inflater.Handle == nullptr)
        throw Exception("Decompression error: " + ZLibErrorText(Z_MEM_ERROR));
    return inflater.Handle;
}

// libdeflate only says "bad data"; zlib names the fault, and those texts are what callers have
// always seen. Runs zlib over the stream, discarding its output, and answers its complaint.
// Output past Limit (when Limit >= 0) is itself the fault, so this never allocates more than
// one scratch buffer whatever the stream holds.
[[noreturn]] void RaiseInflateFault(const void* In, int Size, int64_t Limit)
{
    // An empty buffer was always refused before zlib looked at it.
    if (Size <= 0)
        throw Exception("Decompression error: " + ZLibErrorText(Z_STREAM_ERROR));
    z_stream strm{};
    strm.next_in = static_cast<Bytef*>(const_cast<void*>(In));
    strm.avail_in = static_cast<uInt>(Size);
    CheckDecompress(inflateInit(&strm));
    unsigned char scratch[16384];
    std::string reason = ZLibErrorText(Z_DATA_ERROR);
    for (;;) {
        strm.next_out = scratch;
        strm.avail_out = sizeof(scratch);
        const int code = inflate(&strm, Z_NO_FLUSH);
        if (code == Z_NEED_DICT) {
            reason = "need dictionary";
            break;
        }
        if (code < 0) {
            // Z_BUF_ERROR with room left means the input ended inside the stream.
            reason = ZLibErrorText(code);
            break;
        }
        if (Limit >= 0 && int64_t(strm.total_out) > Limit)
            break;
        if (code == Z_STREAM_END)
            break; // zlib accepts what libdeflate refused: report it as damaged data
    }
    inflateEnd(&strm);
    throw Exception("Decompression error: " + reason);
}

} // namespace

void ZDecompressBuf(const void* In, int Size, TMemoryStream& Out)
{
    Out.Clear();
    if (Size <= 0)
        RaiseInflateFault(In, Size, -1);
    libdeflate_decompressor* inflater = ThreadInflater();
    // The plain size is unknown: start at four times the input and double while it does not fit.
    int64_t room = std::max<int64_t>(4 * int64_t(Size), 256);
    for (;;) {
        Out.SetSize(room);
        std::size_t produced = 0, consumed = 0;
        const libdeflate_result r = libdeflate_zlib_decompress_ex(inflater, In, std::size_t(Size), Out.Memory(),
                                                                  std::size_t(room), &consumed, &produced);
        if (r == LIBDEFLATE_SUCCESS) {
            Out.SetSize(int64_t(produced));
            Out.SetPosition(int64_t(produced));
            return;
        }
        if (r != LIBDEFLATE_INSUFFICIENT_SPACE) {
            Out.Clear();
            RaiseInflateFault(In, Size, -1);
        }
        room *= 2;
    }
}

void ZDecompressBufExact(const void* In, int Size, int64_t PlainSize, TMemoryStream& Out)
{
    Out.Clear();
    if (Size <= 0)
        RaiseInflateFault(In, Size, PlainSize);
    if (PlainSize < 0)
        throw Exception("Decompression error: " + ZLibErrorText(Z_DATA_ERROR));
    // Deflate cannot expand data more than 1032-fold; a larger claim is damage, found before
    // anything is allocated for it.
    if (PlainSize > 1032 * int64_t(Size) + 1032)
        throw Exception("Decompression error: " + ZLibErrorText(Z_DATA_ERROR));
    Out.SetSize(PlainSize);
    std::size_t consumed = 0;
    // No produced-size pointer: libdeflate then insists on exactly PlainSize bytes.
    const libdeflate_result r = libdeflate_zlib_decompress_ex(ThreadInflater(), In, std::size_t(Size), Out.Memory(),
                                                              std::size_t(PlainSize), &consumed, nullptr);
    if (r == LIBDEFLATE_SUCCESS) {
        Out.SetPosition(PlainSize);
        return;
    }
    Out.Clear();
    if (r == LIBDEFLATE_BAD_DATA)
        RaiseInflateFault(In, Size, PlainSize);
    throw Exception("Decompression error: " + ZLibErrorText(Z_DATA_ERROR));
}
