// Message digests: the base class, MD4, SHA-0 and SHA-1. SHA-0 (FIPS 180, 1993: no rotation in the
// message schedule) turns passwords into the stored check text and into cipher keys, so every
// encrypted box depends on it bit for bit.
#pragma once

#include "dataproc/Stream.h"

#include <cstdint>
#include <memory>
#include <string>

class THash;

// A class reference: names a hash class and makes objects of it.
struct THashClass {
    const char* ClassName;
    std::unique_ptr<THash> (*Create)();
};

// Digest text formats understood by DigestStr.
constexpr int DefaultDigestFormat = 64;

// The 32-byte buffer every self test digests or enciphers.
extern const uint8_t HashTestBuffer[32];

class THash {
public:
    THash() = default;
    virtual ~THash() = default;
    THash(const THash&) = delete;
    THash& operator=(const THash&) = delete;

    static const THashClass& ClassType();
    virtual const THashClass& GetClass() const { return ClassType(); }

    // The expected self-test digest (the test buffer itself for the base class).
    virtual const uint8_t* TestVector() const { return HashTestBuffer; }
    virtual void Init() {}
    virtual void Calc(const void* /*Data*/, int /*DataSize*/) {}
    virtual void Done() {}
    virtual const uint8_t* DigestKey() const { return HashTestBuffer; }
    // The digest in place; the cipher's key setup overwrites its copy there.
    uint8_t* DigestKey() { return const_cast<uint8_t*>(static_cast<const THash*>(this)->DigestKey()); }
    virtual int DigestKeySize() const { return 0; }

    // -1: raw digest bytes; 0: the default format (base64); 16: upper-case hex; 64: base64.
    std::string DigestStr(int Index) const;
    std::string DigestKeyStr() const { return DigestStr(-1); }
    std::string DigestString() const { return DigestStr(0); }
    std::string DigestBase16() const { return DigestStr(16); }
    std::string DigestBase64() const { return DigestStr(64); }
};

// Class-level operations of a concrete hash class Self derived from Base. Each one makes a
// fresh object, so they may run on any thread. Digest, when not null, receives the raw digest.
template <class Self, class Base>
class THashClassOps : public Base {
public:
    static const THashClass& ClassType()
    {
        static const THashClass cls{Self::kClassName, []() -> std::unique_ptr<THash> { return std::make_unique<Self>(); }};
        return cls;
    }
    const THashClass& GetClass() const override { return ClassType(); }

    static std::string CalcBuffer(void* Digest, const void* Buffer, int BufferSize)
    {
        Self h;
        h.Init();
        h.Calc(Buffer, BufferSize);
        h.Done();
        return h.Finish(Digest);
    }
    static std::string CalcString(void* Digest, const std::string& Data)
    {
        return CalcBuffer(Digest, Data.data(), static_cast<int>(Data.size()));
    }
    // StreamSize < 0: the whole stream from its start.
    static std::string CalcStream(void* Digest, TStream& Stream, int64_t StreamSize)
    {
        Self h;
        h.Init();
        h.FeedStream(Stream, StreamSize);
        h.Done();
        return h.Finish(Digest);
    }
    static std::string CalcFile(void* Digest, const std::string& FileName)
    {
        Self h;
        h.Init();
        h.FeedFile(FileName);
        h.Done();
        return h.Finish(Digest);
    }
    static bool SelfTest();
};

// MD4 (RFC 1320). Its state layout is shared with SHA-0, which derives from it.
class THash_MD4 : public THashClassOps<THash_MD4, THash> {
public:
    static constexpr const char* kClassName = "THash_MD4";

    ~THash_MD4() override;
    const uint8_t* TestVector() const override;
    void Init() override;
    void Calc(const void* Data, int DataSize) override;
    void Done() override;
    using THash::DigestKey;
    const uint8_t* DigestKey() const override { return reinterpret_cast<const uint8_t*>(FDigest); }
    int DigestKeySize() const override { return 16; }

    // Helpers of the class-level operations.
    void FeedStream(TStream& Stream, int64_t StreamSize);
    void FeedFile(const std::string& FileName);
    std::string Finish(void* Digest) const;

protected:
    virtual void Transform(const uint8_t* Block);
    // Writes the message length field into the last 8 bytes of the final block.
    virtual void PutLength(uint8_t* Tail, uint64_t Bits) const;
    // Turns the chaining words into the digest bytes in their published order.
    virtual void OutputDigest();

    uint32_t FCount = 0;
    uint8_t FBuffer[64] = {};
    uint32_t FDigest[10] = {};
};

// SHA-0: the FIPS 180 compression function without the one-bit rotation (FRotate is false).
class THash_SHA : public THashClassOps<THash_SHA, THash_MD4> {
public:
    static constexpr const char* kClassName = "THash_SHA";

    const uint8_t* TestVector() const override;
    int DigestKeySize() const override { return 20; }

protected:
    void Transform(const uint8_t* Block) override;
    void PutLength(uint8_t* Tail, uint64_t Bits) const override;
    void OutputDigest() override;

    bool FRotate = false;
};

// SHA-1 (FIPS 180-4): SHA-0 with the rotation switched on. Not part of the file format; the
// command-line tool looks passwords up in lists of breached passwords keyed by it.
class THash_SHA1 : public THashClassOps<THash_SHA1, THash_SHA> {
public:
    static constexpr const char* kClassName = "THash_SHA1";

    THash_SHA1() { FRotate = true; }
    const uint8_t* TestVector() const override;
};

template <class Self, class Base>
bool THashClassOps<Self, Base>::SelfTest()
{
    uint8_t digest[64] = {};
    CalcBuffer(digest, HashTestBuffer, sizeof(HashTestBuffer));
    Self h;
    const int n = h.DigestKeySize();
    bool same = true;
    for (int i = 0; i < n; ++i)
        same = same && digest[i] == h.TestVector()[i];
    return same;
}
