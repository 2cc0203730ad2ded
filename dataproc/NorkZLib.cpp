#include "dataproc/NorkZLib.h"

#include "dataproc/Exception.h"

#include <zlib.h>

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

void ZDecompressBuf(const void* In, int Size, TMemoryStream& Out)
{
    Out.Clear();
    const int64_t step = (int64_t(Size) + 255) & ~int64_t(255);
    Out.SetSize(step);
    z_stream strm{};
    strm.next_in = static_cast<Bytef*>(const_cast<void*>(In));
    strm.avail_in = static_cast<uInt>(Size);
    SetOutput(strm, Out, 0);
    CheckDecompress(inflateInit(&strm));
    try {
        int code = 0;
        while ((code = CheckDecompress(inflate(&strm, Z_NO_FLUSH))) != Z_STREAM_END) {
            // A stream that asks for a preset dictionary never gets one here; inflate would
            // answer the same on every call while the output kept growing.
            if (code == Z_NEED_DICT)
                throw Exception("Decompression error: need dictionary");
            const int64_t produced = static_cast<int64_t>(strm.total_out);
            Out.SetSize(Out.Size() + step);
            SetOutput(strm, Out, produced);
        }
    } catch (...) {
        inflateEnd(&strm);
        Out.Clear();
        throw;
    }
    const int64_t produced = static_cast<int64_t>(strm.total_out);
    try {
        CheckDecompress(inflateEnd(&strm));
    } catch (...) {
        Out.Clear();
        throw;
    }
    Out.SetSize(produced);
    Out.SetPosition(produced);
}
