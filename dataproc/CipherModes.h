// The five modes of operation, written once over a block policy so that each cipher's block
// function is inlined and, for 64-bit ciphers, the feedback stays in two registers.
//
// A policy P provides: kBlockSize; a Block type; static Load(bytes) and Store(bytes, Block) with
// Load/Store a bijection that commutes with Xor; static Xor(Block, Block); and Enc/Dec(Block).
#pragma once

#include "dataproc/Encrypt.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace CipherModes {

template <class P>
void Run(const P& Cipher, TEncryptMode Mode, bool Encrypting, const uint8_t* Src, uint8_t* Dst, int Size,
         uint8_t* Feedback, uint8_t* Scratch)
{
    constexpr int B = P::kBlockSize;
    using Block = typename P::Block;
    if (Size <= 0)
        return;
    const int blocks = Size / B;
    const int tail = Size % B;
    Block f = P::Load(Feedback);

    // XORs the last r bytes with the first r bytes of T.
    auto xorTail = [&](Block t) {
        P::Store(Scratch, t);
        for (int i = 0; i < tail; ++i)
            Dst[i] = Src[i] ^ Scratch[i];
    };
    // E(F), then the register shifted one byte left with c appended (the byte-wise modes).
    auto shiftIn = [&](uint8_t c) {
        uint8_t bytes[B];
        P::Store(bytes, f);
        std::memmove(bytes, bytes + 1, B - 1);
        bytes[B - 1] = c;
        f = P::Load(bytes);
    };

    switch (Mode) {
    case emCTS:
        for (int k = 0; k < blocks; ++k, Src += B, Dst += B) {
            const Block in = P::Load(Src);
            if (Encrypting) {
                const Block c = Cipher.Enc(P::Xor(in, f));
                P::Store(Dst, c);
                f = P::Xor(c, f);
            } else {
                P::Store(Dst, P::Xor(Cipher.Dec(in), f));
                f = P::Xor(in, f);
            }
        }
        if (tail > 0) {
            const Block t = Cipher.Enc(f);
            xorTail(t);
            f = P::Xor(t, f);
        }
        break;
    case emCBC:
        for (int k = 0; k < blocks; ++k, Src += B, Dst += B) {
            const Block in = P::Load(Src);
            if (Encrypting) {
                f = Cipher.Enc(P::Xor(in, f));
                P::Store(Dst, f);
            } else {
                P::Store(Dst, P::Xor(Cipher.Dec(in), f));
                f = in;
            }
        }
        if (tail > 0)
            xorTail(Cipher.Enc(f));
        break;
    case emCFB:
        for (int i = 0; i < Size; ++i) {
            P::Store(Scratch, Cipher.Enc(f));
            const uint8_t in = Src[i];
            const uint8_t out = in ^ Scratch[0];
            Dst[i] = out;
            shiftIn(Encrypting ? out : in);
        }
        break;
    case emOFB:
        for (int i = 0; i < Size; ++i) {
            P::Store(Scratch, Cipher.Enc(f));
            Dst[i] = Src[i] ^ Scratch[0];
            shiftIn(Scratch[0]);
        }
        break;
    case emECB:
        for (int k = 0; k < blocks; ++k, Src += B, Dst += B) {
            const Block in = P::Load(Src);
            P::Store(Dst, Encrypting ? Cipher.Enc(in) : Cipher.Dec(in));
        }
        if (tail > 0 && Dst != Src)
            std::memmove(Dst, Src, static_cast<std::size_t>(tail));
        break;
    }
    P::Store(Feedback, f);
    std::memset(Scratch, 0, B);
}

// A policy over the virtual single-block functions of any cipher object of the framework.
template <int B>
struct TVirtualBlockPolicy {
    static constexpr int kBlockSize = B;
    using Block = std::array<uint8_t, B>;

    TEncrypt& Cipher;

    static Block Load(const uint8_t* p)
    {
        Block b;
        std::memcpy(b.data(), p, B);
        return b;
    }
    static void Store(uint8_t* p, const Block& b) { std::memcpy(p, b.data(), B); }
    static Block Xor(const Block& a, const Block& x)
    {
        Block r;
        for (int i = 0; i < B; ++i)
            r[static_cast<std::size_t>(i)] = a[static_cast<std::size_t>(i)] ^ x[static_cast<std::size_t>(i)];
        return r;
    }
    Block Enc(Block b) const
    {
        Cipher.Encode(b.data());
        return b;
    }
    Block Dec(Block b) const
    {
        Cipher.Decode(b.data());
        return b;
    }
};

} // namespace CipherModes
