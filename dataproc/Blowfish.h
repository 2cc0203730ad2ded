// Blowfish: 64-bit blocks, 16 rounds, keys of 1 to 56 bytes. Block halves are big-endian.
#pragma once

#include "dataproc/Encrypt.h"

class TEnc_Blowfish final : public TEncryptClassOps<TEnc_Blowfish> {
public:
    static constexpr const char* kClassName = "TEnc_Blowfish";
    static constexpr int kBufSize = 8;
    static constexpr int kKeySize = 56;
    static constexpr int kUserSize = 4168; // four S-boxes of 256 words, then the 18-word P-array

    TEnc_Blowfish() = default;

    const uint8_t* TestVector() const override;
    void Encode(uint8_t* Block) override;
    void Decode(uint8_t* Block) override;
    void Init(const void* Key, int Size, const void* IVector) override;

protected:
    void CodeBuffer(const uint8_t* Source, uint8_t* Dest, int DataSize, bool Encrypting) override;

private:
    uint32_t* SBox(int i) { return reinterpret_cast<uint32_t*>(FUser.get()) + 256 * i; }
    uint32_t* PArray() { return reinterpret_cast<uint32_t*>(FUser.get()) + 1024; }
};
