#include "cli/transfer/Gzip.h"

#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <zlib.h>

#include <limits>
#include <stdexcept>

namespace {

// zlib's window and buffers hold the plain bytes too.
voidpf ZAlloc(voidpf, uInt Items, uInt Size)
{
    return WipingAlloc(static_cast<std::size_t>(Items) * Size);
}
void ZFree(voidpf, voidpf Block)
{
    WipingFree(Block);
}

constexpr int kGzipWindow = 15 + 16; // the largest window, gzip wrapper
constexpr std::size_t kChunk = 1 << 16;

z_stream NewStream()
{
    z_stream z{};
    z.zalloc = ZAlloc;
    z.zfree = ZFree;
    return z;
}

} // namespace

std::string GzipCompress(std::string_view Bytes)
{
    z_stream z = NewStream();
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindow, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("cannot start gzip compression");
    std::string out;
    out.reserve(Bytes.size() / 2 + 64);
    unsigned char chunk[kChunk];
    std::size_t done = 0;
    int rc = Z_OK;
    do {
        const std::size_t take = std::min<std::size_t>(Bytes.size() - done, std::numeric_limits<uInt>::max());
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Bytes.data() + done));
        z.avail_in = static_cast<uInt>(take);
        const int flush = done + take == Bytes.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = chunk;
            z.avail_out = kChunk;
            rc = deflate(&z, flush);
            AppendWiped(out, std::string_view(reinterpret_cast<const char*>(chunk), kChunk - z.avail_out));
        } while (z.avail_out == 0);
        done += take;
    } while (rc != Z_STREAM_END);
    deflateEnd(&z);
    return out; // compressed bytes: nothing readable to wipe
}

bool GzipDecompress(std::string_view Data, std::string& Bytes)
{
    Bytes.clear();
    z_stream z = NewStream();
    if (inflateInit2(&z, kGzipWindow) != Z_OK)
        return false;
    unsigned char chunk[kChunk];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(Data.size(), std::numeric_limits<uInt>::max()));
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = chunk;
        z.avail_out = kChunk;
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_OK || rc == Z_STREAM_END)
            AppendWiped(Bytes, std::string_view(reinterpret_cast<const char*>(chunk), kChunk - z.avail_out));
        if (rc == Z_BUF_ERROR && z.avail_in == 0)
            break; // input ended before the stream did
    }
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0 && Data.size() <= std::numeric_limits<uInt>::max();
    inflateEnd(&z);
    SecureZero(chunk, sizeof chunk);
    if (!whole)
        WipeString(Bytes);
    return whole;
}
