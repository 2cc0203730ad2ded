// The five modes of operation over a B-byte block function, written once and instantiated per
// cipher so that the block function can be inlined. F is the feedback register; S is a B-byte
// scratch block. Source may equal Dest.
#pragma once

#include "dataproc/Encrypt.h"

#include <cstdint>
#include <cstring>

namespace CipherModes {

template <int B>
inline void XorBlock(uint8_t* Out, const uint8_t* A, const uint8_t* X)
{
    for (int i = 0; i < B; ++i)
        Out[i] = A[i] ^ X[i];
}

// Shifts the register one byte left and appends c (the byte-wise feedback modes).
template <int B>
inline void ShiftIn(uint8_t* F, uint8_t c)
{
    std::memmove(F, F + 1, B - 1);
    F[B - 1] = c;
}

template <int B, class EncFn, class DecFn>
void Run(TEncryptMode Mode, bool Encrypting, const uint8_t* Src, uint8_t* Dst, int Size, uint8_t* F, uint8_t* S,
         EncFn Enc, DecFn Dec)
{
    if (Size <= 0)
        return;
    const int blocks = Size / B;
    const int tail = Size % B;
    switch (Mode) {
    case emCTS:
    case emCBC: {
        const bool cts = Mode == emCTS;
        for (int k = 0; k < blocks; ++k, Src += B, Dst += B) {
            if (Encrypting) {
                XorBlock<B>(S, Src, F);
                Enc(S);
                std::memcpy(Dst, S, B);
                if (cts)
                    XorBlock<B>(F, S, F);
                else
                    std::memcpy(F, S, B);
            } else {
                uint8_t c[B];
                std::memcpy(c, Src, B);
                std::memcpy(S, c, B);
                Dec(S);
                XorBlock<B>(Dst, S, F);
                if (cts)
                    XorBlock<B>(F, c, F);
                else
                    std::memcpy(F, c, B);
            }
        }
        if (tail > 0) {
            std::memcpy(S, F, B);
            Enc(S);
            for (int i = 0; i < tail; ++i)
                Dst[i] = Src[i] ^ S[i];
            if (cts)
                XorBlock<B>(F, S, F);
        }
        break;
    }
    case emCFB:
        for (int i = 0; i < Size; ++i) {
            std::memcpy(S, F, B);
            Enc(S);
            const uint8_t in = Src[i];
            const uint8_t out = in ^ S[0];
            Dst[i] = out;
            ShiftIn<B>(F, Encrypting ? out : in);
        }
        break;
    case emOFB:
        for (int i = 0; i < Size; ++i) {
            std::memcpy(S, F, B);
            Enc(S);
            Dst[i] = Src[i] ^ S[0];
            ShiftIn<B>(F, S[0]);
        }
        break;
    case emECB:
        for (int k = 0; k < blocks; ++k, Src += B, Dst += B) {
            std::memcpy(S, Src, B);
            if (Encrypting)
                Enc(S);
            else
                Dec(S);
            std::memcpy(Dst, S, B);
        }
        if (tail > 0 && Dst != Src)
            std::memmove(Dst, Src, tail);
        break;
    }
    std::memset(S, 0, B);
}

} // namespace CipherModes
