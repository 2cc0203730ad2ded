#include "cli/transfer/Gzip.h"

#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <new>

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

bool GzipDecompress(std::string_view Data, std::string& Bytes, std::size_t MaxBytes)
{
    WipeString(Bytes);
    // The trailer holds the size modulo 2^32; deflate cannot expand more than 1032-fold, so a
    // claim beyond that is a damaged stream, not a reason to allocate.
    constexpr std::size_t kHeaderAndTrailer = 18;
    if (Data.size() < kHeaderAndTrailer)
        return false;
    const auto* tail = reinterpret_cast<const unsigned char*>(Data.data() + Data.size() - 4);
    const std::size_t claimed = std::size_t(tail[0]) | std::size_t(tail[1]) << 8 | std::size_t(tail[2]) << 16 |
                                std::size_t(tail[3]) << 24;
    const std::size_t most = std::min(MaxBytes, Data.size() * 1032);
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (inflater == nullptr)
        throw std::bad_alloc();
    bool whole = false;
    for (std::size_t size = claimed; size <= most && !whole; size += std::size_t(1) << 32) {
        Bytes.assign(size, '\0');
        std::size_t usedIn = 0, madeOut = 0;
        const libdeflate_result rc = libdeflate_gzip_decompress_ex(inflater, Data.data(), Data.size(), Bytes.data(),
                                                                   Bytes.size(), &usedIn, &madeOut);
        whole = rc == LIBDEFLATE_SUCCESS && usedIn == Data.size() && madeOut == size;
        if (rc != LIBDEFLATE_INSUFFICIENT_SPACE)
            break;
        WipeString(Bytes);
    }
    libdeflate_free_decompressor(inflater);
    if (!whole)
        WipeString(Bytes);
    return whole;
}
