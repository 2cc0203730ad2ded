#include "dataproc/Hash.h"

#include "dataproc/FileStream.h"
#include "dataproc/Wipe.h"

#include <algorithm>
#include <cstring>

const uint8_t HashTestBuffer[32] = {0x30, 0x44, 0xED, 0x6E, 0x45, 0xA4, 0x96, 0xF5, 0xF6, 0x35, 0xA2,
                                    0xEB, 0x3D, 0x1A, 0x5D, 0xD6, 0xCB, 0x1D, 0x09, 0x82, 0x2D, 0xBD,
                                    0xF5, 0x60, 0xC2, 0xB8, 0x58, 0xA1, 0x91, 0xF9, 0x81, 0xB1};

namespace {

const uint8_t kMD4TestVector[16] = {0x25, 0xEA, 0xBF, 0xCC, 0x8C, 0xC9, 0x6F, 0xD9,
                                    0x2D, 0xCF, 0x7E, 0xBD, 0x7F, 0x87, 0x7C, 0x7C};
const uint8_t kSHATestVector[20] = {0xDC, 0x1F, 0x7D, 0x7C, 0x96, 0xDD, 0xC7, 0xFC, 0x4D, 0x0A,
                                    0xF2, 0xCC, 0x12, 0xE7, 0xF7, 0x66, 0x5B, 0xB1, 0x85, 0xAC};

inline uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLE(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t LoadBE(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void StoreLE(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline void StoreBE(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

std::string Base64(const uint8_t* data, int size)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(static_cast<std::size_t>((size + 2) / 3 * 4));
    for (int i = 0; i < size; i += 3) {
        const int n = std::min(3, size - i);
        uint32_t v = uint32_t(data[i]) << 16;
        if (n > 1)
            v |= uint32_t(data[i + 1]) << 8;
        if (n > 2)
            v |= data[i + 2];
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += n > 1 ? alphabet[(v >> 6) & 63] : '=';
        out += n > 2 ? alphabet[v & 63] : '=';
    }
    return out;
}

} // namespace

const THashClass& THash::ClassType()
{
    static const THashClass cls{"THash", []() -> std::unique_ptr<THash> { return std::make_unique<THash>(); }};
    return cls;
}

std::string THash::DigestStr(int Index) const
{
    if (Index == 0)
        Index = DefaultDigestFormat;
    const uint8_t* digest = DigestKey();
    const int size = DigestKeySize();
    if (Index == 16) {
        static const char hex[] = "0123456789ABCDEF";
        std::string out;
        out.reserve(static_cast<std::size_t>(size) * 2);
        for (int i = 0; i < size; ++i) {
            out += hex[digest[i] >> 4];
            out += hex[digest[i] & 15];
        }
        return out;
    }
    if (Index == 64)
        return Base64(digest, size);
    return std::string(reinterpret_cast<const char*>(digest), static_cast<std::size_t>(size));
}

// ---- MD4 ----------------------------------------------------------------------------------------

THash_MD4::~THash_MD4()
{
    SecureZero(FDigest, sizeof(FDigest));
    SecureZero(FBuffer, sizeof(FBuffer));
    FCount = 0;
}

const uint8_t* THash_MD4::TestVector() const
{
    return kMD4TestVector;
}

void THash_MD4::Init()
{
    static const uint32_t initial[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0,
                                         0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567, 0x3C2D1E0F};
    std::memset(FBuffer, 0, sizeof(FBuffer));
    std::memcpy(FDigest, initial, sizeof(FDigest));
    FCount = 0;
}

void THash_MD4::Calc(const void* Data, int DataSize)
{
    if (DataSize <= 0)
        return;
    const auto* in = static_cast<const uint8_t*>(Data);
    const uint32_t index = FCount % 64;
    FCount += static_cast<uint32_t>(DataSize);
    if (index > 0) {
        const int room = 64 - static_cast<int>(index);
        if (DataSize < room) {
            std::memcpy(FBuffer + index, in, static_cast<std::size_t>(DataSize));
            return;
        }
        std::memcpy(FBuffer + index, in, static_cast<std::size_t>(room));
        Transform(FBuffer);
        in += room;
        DataSize -= room;
    }
    // Whole blocks straight from the caller's memory; only the tail is buffered.
    while (DataSize >= 64) {
        Transform(in);
        in += 64;
        DataSize -= 64;
    }
    if (DataSize > 0)
        std::memcpy(FBuffer, in, static_cast<std::size_t>(DataSize));
}

void THash_MD4::PutLength(uint8_t* Tail, uint64_t Bits) const
{
    StoreLE(Tail, static_cast<uint32_t>(Bits));
    StoreLE(Tail + 4, static_cast<uint32_t>(Bits >> 32));
}

void THash_MD4::Done()
{
    const uint32_t index = FCount % 64;
    FBuffer[index] = 0x80;
    if (index + 1 > 56) {
        std::memset(FBuffer + index + 1, 0, 64 - index - 1);
        Transform(FBuffer);
        std::memset(FBuffer, 0, 56);
    } else {
        std::memset(FBuffer + index + 1, 0, 56 - index - 1);
    }
    // The counter is 32 bits wide, so the length field is (count * 8) mod 2^32 with a zero upper half.
    PutLength(FBuffer + 56, static_cast<uint32_t>(FCount * 8u));
    Transform(FBuffer);
    std::memset(FBuffer, 0, sizeof(FBuffer));
    OutputDigest();
}

void THash_MD4::OutputDigest()
{
    // Digest bytes are the words little-endian, as RFC 1320 outputs them.
    uint8_t* bytes = reinterpret_cast<uint8_t*>(FDigest);
    for (int i = 0; i < 4; ++i) {
        const uint32_t w = FDigest[i];
        StoreLE(bytes + 4 * i, w);
    }
}

void THash_MD4::Transform(const uint8_t* Block)
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = LoadLE(Block + 4 * i);
    uint32_t a = FDigest[0], b = FDigest[1], c = FDigest[2], d = FDigest[3];

    auto f = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); };
    auto g = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (x & z) | (y & z); };
    auto h = [](uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; };

    static const int r1[4] = {3, 7, 11, 19};
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rol(a + f(b, c, d) + x[i], r1[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static const int r2[4] = {3, 5, 9, 13};
    for (int i = 0; i < 16; ++i) {
        const int k = (i % 4) * 4 + i / 4;
        const uint32_t t = Rol(a + g(b, c, d) + x[k] + 0x5A827999u, r2[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static const int r3[4] = {3, 9, 11, 15};
    static const int k3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rol(a + h(b, c, d) + x[k3[i]] + 0x6ED9EBA1u, r3[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    FDigest[0] += a;
    FDigest[1] += b;
    FDigest[2] += c;
    FDigest[3] += d;
    SecureZero(x, sizeof(x));
}

void THash_MD4::FeedStream(TStream& Stream, int64_t StreamSize)
{
    if (StreamSize < 0) {
        Stream.SetPosition(0);
        StreamSize = Stream.GetSize();
    }
    uint8_t chunk[4096];
    while (StreamSize > 0) {
        const int64_t got = Stream.Read(chunk, std::min<int64_t>(StreamSize, sizeof(chunk)));
        if (got <= 0)
            break;
        Calc(chunk, static_cast<int>(got));
        StreamSize -= got;
    }
    SecureZero(chunk, sizeof(chunk));
}

void THash_MD4::FeedFile(const std::string& FileName)
{
    TFileStream file(FileName, fmOpenRead, shDenyNone);
    FeedStream(file, -1);
}

std::string THash_MD4::Finish(void* Digest) const
{
    if (Digest != nullptr)
        std::memcpy(Digest, DigestKey(), static_cast<std::size_t>(DigestKeySize()));
    return DigestStr(0);
}

// ---- SHA-0 --------------------------------------------------------------------------------------

const uint8_t* THash_SHA::TestVector() const
{
    return kSHATestVector;
}

// ---- SHA-1 --------------------------------------------------------------------------------------

const uint8_t* THash_SHA1::TestVector() const
{
    static const uint8_t kVector[20] = {0x9A, 0x01, 0x2E, 0x63, 0x96, 0x2A, 0x92, 0xEB, 0xD8, 0x2E,
                                        0xF0, 0xBC, 0x1C, 0xA4, 0x51, 0x6A, 0x08, 0x69, 0x2E, 0x68};
    return kVector;
}

void THash_SHA::PutLength(uint8_t* Tail, uint64_t Bits) const
{
    StoreBE(Tail, static_cast<uint32_t>(Bits >> 32));
    StoreBE(Tail + 4, static_cast<uint32_t>(Bits));
}

void THash_SHA::OutputDigest()
{
    // The five words in published (big-endian) byte order.
    uint8_t* bytes = reinterpret_cast<uint8_t*>(FDigest);
    for (int i = 0; i < 5; ++i) {
        const uint32_t w = FDigest[i];
        StoreBE(bytes + 4 * i, w);
    }
}

void THash_SHA::Transform(const uint8_t* Block)
{
    uint32_t w[80];
    for (int t = 0; t < 16; ++t)
        w[t] = LoadBE(Block + 4 * t);
    for (int t = 16; t < 80; ++t) {
        const uint32_t v = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];
        w[t] = FRotate ? Rol(v, 1) : v;
    }
    uint32_t a = FDigest[0], b = FDigest[1], c = FDigest[2], d = FDigest[3], e = FDigest[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f, k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const uint32_t temp = Rol(a, 5) + f + e + w[t] + k;
        e = d;
        d = c;
        c = Rol(b, 30);
        b = a;
        a = temp;
    }
    FDigest[0] += a;
    FDigest[1] += b;
    FDigest[2] += c;
    FDigest[3] += d;
    FDigest[4] += e;
    SecureZero(w, sizeof(w));
}
