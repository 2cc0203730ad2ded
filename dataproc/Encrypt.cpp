#include "dataproc/Encrypt.h"

#include "dataproc/CipherModes.h"
#include "dataproc/FileStream.h"
#include "dataproc/FilePaths.h"
#include "dataproc/StreamChunks.h"
#include "dataproc/Wipe.h"

#include <algorithm>
#include <cstring>

const THashClass* DefaultHashClass = &THash_SHA::ClassType();

TEncrypt::TEncrypt(int BufSize, int KeySize, int UserSize)
    : FHashClass(DefaultHashClass), FKeySize(KeySize), FBufSize(BufSize), FUserSize(UserSize),
      FBuffer(new uint8_t[BufSize]), FVector(new uint8_t[BufSize]), FFeedback(new uint8_t[BufSize]),
      FUser(new uint64_t[(UserSize + 7) / 8])
{
    TEncrypt::Protect();
}

TEncrypt::~TEncrypt()
{
    TEncrypt::Protect();
}

THash& TEncrypt::Hash()
{
    if (!FHash)
        FHash = (FHashClass != nullptr ? FHashClass : DefaultHashClass)->Create();
    return *FHash;
}

void TEncrypt::SetHashClass(const THashClass* Value)
{
    if (Value == nullptr)
        Value = DefaultHashClass;
    if (Value != FHashClass)
        FHash.reset();
    FHashClass = Value;
}

void TEncrypt::SetFlag(int Index, bool Value)
{
    if (Value)
        FFlags |= 1 << Index;
    else
        FFlags &= ~(1 << Index);
}

const uint8_t* TEncrypt::TestVector() const
{
    return HashTestBuffer;
}

void TEncrypt::Init(const void* /*Key*/, int /*Size*/, const void* /*IVector*/) {}

void TEncrypt::Done()
{
    std::memcpy(FFeedback.get(), FVector.get(), static_cast<std::size_t>(FBufSize));
}

void TEncrypt::Protect()
{
    SetFlag(kFlagInitialized, false);
    std::memset(FVector.get(), 0xFF, static_cast<std::size_t>(FBufSize));
    std::memset(FFeedback.get(), 0xFF, static_cast<std::size_t>(FBufSize));
    SecureZero(FBuffer.get(), static_cast<std::size_t>(FBufSize));
    SecureZero(FUser.get(), static_cast<std::size_t>((FUserSize + 7) / 8 * 8));
}

int TEncrypt::InitBegin(int Size)
{
    SetFlag(kFlagInitialized, false);
    Protect();
    if (Size < 0)
        Size = 0;
    if (Size > FKeySize)
        Size = FKeySize;
    if (Size == 0)
        throw EEncryptException(std::string(GetClass().ClassName) + " needs a key of at least one byte.",
                                errEncryptEmptyKey);
    return Size;
}

void TEncrypt::InitEnd(const void* IVector)
{
    if (IVector != nullptr) {
        std::memcpy(FVector.get(), IVector, static_cast<std::size_t>(FBufSize));
    } else {
        // Protect left 0xFF there: the vector is that block enciphered under the new key.
        Encode(FVector.get());
    }
    std::memcpy(FFeedback.get(), FVector.get(), static_cast<std::size_t>(FBufSize));
    SetFlag(kFlagInitialized, true);
}

void TEncrypt::InitKey(const std::string& Key, const void* IVector)
{
    THash& h = Hash();
    h.Init();
    h.Calc(Key.data(), static_cast<int>(Key.size()));
    h.Done();
    const int n = std::min(h.DigestKeySize(), FKeySize);
    Init(h.DigestKey(), n, IVector);
    EncodeBuffer(h.DigestKey(), h.DigestKey(), h.DigestKeySize());
    Done();
}

void TEncrypt::CheckInitialized() const
{
    if (!Initialized())
        throw EEncryptException(std::string(GetClass().ClassName) +
                                    " is not initialized call Init() or InitKey() before.",
                                errEncryptNotInitialized);
}

void TEncrypt::CodeBuffer(const uint8_t* Source, uint8_t* Dest, int DataSize, bool Encrypting)
{
    CheckInitialized();
    switch (FBufSize) {
    case 8:
        CipherModes::Run(CipherModes::TVirtualBlockPolicy<8>{*this}, FMode, Encrypting, Source, Dest, DataSize,
                         FFeedback.get(), FBuffer.get());
        break;
    case 16:
        CipherModes::Run(CipherModes::TVirtualBlockPolicy<16>{*this}, FMode, Encrypting, Source, Dest, DataSize,
                         FFeedback.get(), FBuffer.get());
        break;
    default:
        throw EEncryptException(std::string(GetClass().ClassName) + " has an unsupported block size.", 0);
    }
}

void TEncrypt::EncodeBuffer(const void* Source, void* Dest, int DataSize)
{
    CodeBuffer(static_cast<const uint8_t*>(Source), static_cast<uint8_t*>(Dest), DataSize, true);
}

void TEncrypt::DecodeBuffer(const void* Source, void* Dest, int DataSize)
{
    CodeBuffer(static_cast<const uint8_t*>(Source), static_cast<uint8_t*>(Dest), DataSize, false);
}

void TEncrypt::CodeStream(TStream* Source, TStream* Dest, int64_t DataSize, bool Encrypting)
{
    CodeStreamInChunks(Source, Dest, DataSize,
                       [&](uint8_t* Chunk, int Size) { CodeBuffer(Chunk, Chunk, Size, Encrypting); });
}

void TEncrypt::EncodeStream(TStream* Source, TStream* Dest, int64_t DataSize)
{
    CodeStream(Source, Dest, DataSize, true);
}

void TEncrypt::DecodeStream(TStream* Source, TStream* Dest, int64_t DataSize)
{
    CodeStream(Source, Dest, DataSize, false);
}

void TEncrypt::CodeFile(const std::string& Source, const std::string& Dest, bool Encrypting)
{
    std::string destName = Dest;
    destName.erase(0, destName.find_first_not_of(" \t\r\n"));
    // Names compare exactly: file names differ by letter case, so "A" is not "a" to be coded in place.
    const bool separate = !destName.empty() && Source != Dest;
    if (!separate) {
        TFileStream file(Source, fmOpenReadWrite, shDenyNone);
        CodeStream(&file, &file, -1, Encrypting);
        return;
    }
    TFileStream in(Source, fmOpenRead, shDenyNone);
    TFileStream out(Dest, FileExists(Dest) ? fmOpenReadWrite : fmCreate, shDenyNone);
    CodeStream(&in, &out, -1, Encrypting);
    out.SetSize(out.GetPosition());
}

void TEncrypt::EncodeFile(const std::string& Source, const std::string& Dest)
{
    CodeFile(Source, Dest, true);
}

void TEncrypt::DecodeFile(const std::string& Source, const std::string& Dest)
{
    CodeFile(Source, Dest, false);
}

std::string TEncrypt::EncodeString(const std::string& Source)
{
    std::string out(Source.size(), '\0');
    EncodeBuffer(Source.data(), out.data(), static_cast<int>(Source.size()));
    return out;
}

std::string TEncrypt::DecodeString(const std::string& Source)
{
    std::string out(Source.size(), '\0');
    DecodeBuffer(Source.data(), out.data(), static_cast<int>(Source.size()));
    return out;
}

bool EncryptSelfTest(TEncrypt& Cipher)
{
    const char* name = Cipher.GetClass().ClassName;
    Cipher.SetMode(emCTS);
    Cipher.Init(name, static_cast<int>(std::strlen(name)), nullptr);
    uint8_t block[sizeof(HashTestBuffer)];
    Cipher.EncodeBuffer(HashTestBuffer, block, sizeof(block));
    bool ok = std::memcmp(block, Cipher.TestVector(), sizeof(block)) == 0;
    Cipher.Done();
    Cipher.DecodeBuffer(block, block, sizeof(block));
    ok = ok && std::memcmp(block, HashTestBuffer, sizeof(block)) == 0;
    SecureZero(block, sizeof(block));
    return ok;
}
