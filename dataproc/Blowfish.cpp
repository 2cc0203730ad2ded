#include "dataproc/Blowfish.h"

#include "dataproc/BlowfishTables.h"
#include "dataproc/CipherModes.h"
#include "dataproc/Wipe.h"

#include <bit>
#include <cstring>

namespace {

// The 32 bytes this cipher makes of the self-test buffer in emCTS under its own class name as key.
const uint8_t kBlowfishTestVector[32] = {
    0xA6, 0x1A, 0x69, 0xA9, 0x05, 0xF2, 0x59, 0x13, 0xB8, 0x88, 0x1E, 0xB9, 0xF1, 0xFE, 0x3E, 0x3F,
    0x26, 0x91, 0x02, 0xEA, 0xD1, 0xA7, 0x2E, 0xE3, 0x6B, 0x02, 0x52, 0x53, 0x04, 0x3B, 0xFE, 0x09,
};

inline uint32_t LoadBE(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap32(v);
    return v;
}

inline void StoreBE(uint8_t* p, uint32_t v)
{
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

// The block function on two words held in registers; S is the four S-boxes, P the P-array.
struct TBlowfishCore {
    const uint32_t* S;
    const uint32_t* P;

    inline uint32_t F(uint32_t x) const
    {
        return ((S[x >> 24] + S[256 + ((x >> 16) & 255)]) ^ S[512 + ((x >> 8) & 255)]) + S[768 + (x & 255)];
    }

    inline void EncryptWords(uint32_t& l, uint32_t& r) const
    {
        uint32_t L = l ^ P[0], R = r;
#pragma GCC unroll 8
        for (int i = 1; i <= 15; i += 2) {
            R ^= F(L) ^ P[i];
            L ^= F(R) ^ P[i + 1];
        }
        R ^= P[17];
        l = R;
        r = L;
    }

    inline void DecryptWords(uint32_t& l, uint32_t& r) const
    {
        uint32_t L = l ^ P[17], R = r;
#pragma GCC unroll 8
        for (int i = 16; i >= 2; i -= 2) {
            R ^= F(L) ^ P[i];
            L ^= F(R) ^ P[i - 1];
        }
        R ^= P[0];
        l = R;
        r = L;
    }

    // The mode policy: a block is its two big-endian halves, kept in registers.
    static constexpr int kBlockSize = 8;
    struct Block {
        uint32_t l, r;
    };
    static Block Load(const uint8_t* p) { return {LoadBE(p), LoadBE(p + 4)}; }
    static void Store(uint8_t* p, Block b)
    {
        StoreBE(p, b.l);
        StoreBE(p + 4, b.r);
    }
    static Block Xor(Block a, Block x) { return {a.l ^ x.l, a.r ^ x.r}; }
    Block Enc(Block b) const
    {
        EncryptWords(b.l, b.r);
        return b;
    }
    Block Dec(Block b) const
    {
        DecryptWords(b.l, b.r);
        return b;
    }

    inline void EncryptBlock(uint8_t* b) const
    {
        uint32_t l = LoadBE(b), r = LoadBE(b + 4);
        EncryptWords(l, r);
        StoreBE(b, l);
        StoreBE(b + 4, r);
    }

    inline void DecryptBlock(uint8_t* b) const
    {
        uint32_t l = LoadBE(b), r = LoadBE(b + 4);
        DecryptWords(l, r);
        StoreBE(b, l);
        StoreBE(b + 4, r);
    }
};

} // namespace

const uint8_t* TEnc_Blowfish::TestVector() const
{
    return kBlowfishTestVector;
}

void TEnc_Blowfish::Encode(uint8_t* Block)
{
    TBlowfishCore{SBox(0), PArray()}.EncryptBlock(Block);
}

void TEnc_Blowfish::Decode(uint8_t* Block)
{
    TBlowfishCore{SBox(0), PArray()}.DecryptBlock(Block);
}

void TEnc_Blowfish::Init(const void* Key, int Size, const void* IVector)
{
    Size = InitBegin(Size);
    const auto* key = static_cast<const uint8_t*>(Key);
    uint32_t* S = SBox(0);
    uint32_t* P = PArray();
    std::memcpy(S, kBlowfishInitS, sizeof(kBlowfishInitS));
    std::memcpy(P, kBlowfishInitP, sizeof(kBlowfishInitP));

    // Cycle through the key bytes, four at a time, big-endian.
    int j = 0;
    for (int i = 0; i < 18; ++i) {
        const uint32_t w = uint32_t(key[j % Size]) << 24 | uint32_t(key[(j + 1) % Size]) << 16 |
                           uint32_t(key[(j + 2) % Size]) << 8 | uint32_t(key[(j + 3) % Size]);
        P[i] ^= w;
        j = (j + 4) % Size;
    }

    const TBlowfishCore core{S, P};
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        core.EncryptWords(l, r);
        P[i] = l;
        P[i + 1] = r;
    }
    for (int i = 0; i < 1024; i += 2) {
        core.EncryptWords(l, r);
        S[i] = l;
        S[i + 1] = r;
    }
    l = r = 0;
    InitEnd(IVector);
}

void TEnc_Blowfish::CodeBuffer(const uint8_t* Source, uint8_t* Dest, int DataSize, bool Encrypting)
{
    CheckInitialized();
    CipherModes::Run(TBlowfishCore{SBox(0), PArray()}, FMode, Encrypting, Source, Dest, DataSize, FFeedback.get(),
                     FBuffer.get());
}
