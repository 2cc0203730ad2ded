// The block-cipher framework: a key from a password through a hash (or raw key bytes), an
// initialisation vector, a feedback register and five modes over buffers, streams, files and
// strings. emCTS is this library's own chaining rule (not textbook ciphertext stealing) and
// stored boxes depend on it bit for bit.
#pragma once

#include "dataproc/Exception.h"
#include "dataproc/Hash.h"
#include "dataproc/Stream.h"

#include <cstdint>
#include <memory>
#include <string>

enum TEncryptMode { emCTS = 0, emCBC = 1, emCFB = 2, emOFB = 3, emECB = 4 };

class EEncryptException : public Exception {
public:
    EEncryptException(std::string Message, int Code) : Exception(std::move(Message)), ErrorCode(Code) {}
    int ErrorCode;
};

// Error codes carried by EEncryptException.
constexpr int errEncryptEmptyKey = 2;     // Init was given no key bytes
constexpr int errEncryptNotInitialized = 3; // a cipher was used before it was keyed

// The hash class of every new cipher object (SHA-0).
extern const THashClass* DefaultHashClass;

class TEncrypt;

// A class reference: names a cipher class and makes objects of it.
struct TEncryptClass {
    const char* ClassName;
    std::unique_ptr<TEncrypt> (*Create)();
};

class TEncrypt {
public:
    static constexpr int kFlagInitialized = 9;

    virtual ~TEncrypt();
    TEncrypt(const TEncrypt&) = delete;
    TEncrypt& operator=(const TEncrypt&) = delete;

    virtual const TEncryptClass& GetClass() const = 0;

    TEncryptMode Mode() const { return FMode; }
    void SetMode(TEncryptMode Value) { FMode = Value; }
    // Created on first use from HashClass.
    THash& Hash();
    const THashClass* HashClass() const { return FHashClass; }
    // A different class drops the current hash object; null stands for DefaultHashClass.
    void SetHashClass(const THashClass* Value);
    int KeySize() const { return FKeySize; }
    int BufSize() const { return FBufSize; }
    bool Initialized() const { return GetFlag(kFlagInitialized); }
    const uint8_t* Vector() const { return FVector.get(); }
    const uint8_t* Feedback() const { return FFeedback.get(); }

    virtual void SetFlag(int Index, bool Value);
    bool GetFlag(int Index) const { return (FFlags >> Index) & 1; }

    // The expected self-test output of the class.
    virtual const uint8_t* TestVector() const;
    // One block in place.
    virtual void Encode(uint8_t* /*Block*/) {}
    virtual void Decode(uint8_t* /*Block*/) {}
    // Keys the cipher with Size raw key bytes (cut at KeySize); IVector may be null.
    virtual void Init(const void* Key, int Size, const void* IVector);
    // Restarts the chain: the feedback register takes the vector again.
    virtual void Done();
    // Forgets the key: not initialized, vector and feedback 0xFF, scratch and key schedule zero.
    virtual void Protect();

    // Keys the cipher from the hash of Key.
    void InitKey(const std::string& Key, const void* IVector);

    void EncodeBuffer(const void* Source, void* Dest, int DataSize);
    void DecodeBuffer(const void* Source, void* Dest, int DataSize);
    // Null Dest codes Source in place; DataSize < 0 codes all of Source from its start.
    void EncodeStream(TStream* Source, TStream* Dest, int64_t DataSize);
    void DecodeStream(TStream* Source, TStream* Dest, int64_t DataSize);
    // A blank Dest, or one naming Source, codes the file in place.
    void EncodeFile(const std::string& Source, const std::string& Dest);
    void DecodeFile(const std::string& Source, const std::string& Dest);
    std::string EncodeString(const std::string& Source);
    std::string DecodeString(const std::string& Source);

protected:
    TEncrypt(int BufSize, int KeySize, int UserSize);

    // Runs DataSize bytes through the current mode; ciphers may override it with an inlined
    // block function. Raises when the cipher is not keyed.
    virtual void CodeBuffer(const uint8_t* Source, uint8_t* Dest, int DataSize, bool Encrypting);
    void CheckInitialized() const;
    // Clamps Size, rejects an empty key and forgets the old key before a new key schedule.
    int InitBegin(int Size);
    // Sets the vector (given, or the encoded all-0xFF block) and the feedback; marks initialized.
    void InitEnd(const void* IVector);

    TEncryptMode FMode = emCTS;
    std::unique_ptr<THash> FHash;
    const THashClass* FHashClass;
    int FKeySize;
    int FBufSize;
    int FUserSize;
    std::unique_ptr<uint8_t[]> FBuffer;
    std::unique_ptr<uint8_t[]> FVector;
    std::unique_ptr<uint8_t[]> FFeedback;
    std::unique_ptr<uint64_t[]> FUser; // 8-byte aligned key schedule
    int FFlags = 0;

private:
    void CodeStream(TStream* Source, TStream* Dest, int64_t DataSize, bool Encrypting);
    void CodeFile(const std::string& Source, const std::string& Dest, bool Encrypting);
};

// Class-level operations of a concrete cipher class Self.
template <class Self>
class TEncryptClassOps : public TEncrypt {
public:
    static const TEncryptClass& ClassType()
    {
        static const TEncryptClass cls{Self::kClassName,
                                       []() -> std::unique_ptr<TEncrypt> { return std::make_unique<Self>(); }};
        return cls;
    }
    const TEncryptClass& GetClass() const override { return ClassType(); }
    static int MaxKeySize() { return Self::kKeySize; }
    static bool SelfTest();

protected:
    TEncryptClassOps() : TEncrypt(Self::kBufSize, Self::kKeySize, Self::kUserSize) {}
};

// Enciphers the test buffer with the class name as key and checks both directions.
bool EncryptSelfTest(TEncrypt& Cipher);

template <class Self>
bool TEncryptClassOps<Self>::SelfTest()
{
    Self cipher;
    return EncryptSelfTest(cipher);
}
