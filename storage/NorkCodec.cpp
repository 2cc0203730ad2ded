#include "storage/NorkCodec.h"

#include <cstring>

TNorkCodec::TNorkCodec(bool Compress, const std::string& CompressAlgoName, bool Encrypt,
                       const std::string& EncryptAlgoName, const std::string& Key)
    : FCompress(Compress), FEncrypt(Encrypt)
{
    if (FCompress) {
        FCompressMgr.SetAlgoName(CompressAlgoName);
        FCompressMgr.SetLevel(clNormal);
    }
    if (FEncrypt) {
        FEncryptMgr.SetAlgoName(EncryptAlgoName);
        FEncryptMgr.SetMode(emCTS);
        FEncryptMgr.InitKey(Key);
    }
}

void TNorkCodec::DecodeRecord(void* Data, int Size)
{
    if (FEncrypt)
        FEncryptMgr.DecodeBuffer(Data, Data, Size);
}

void TNorkCodec::DecodeBlob(TMemoryStream& Stored, TMemoryStream& Plain, int64_t PlainSize)
{
    DecodeStoredBlob(FEncrypt ? &FEncryptMgr : nullptr, FCompress ? &FCompressMgr : nullptr, &Stored, &Plain,
                     PlainSize);
}

void TNorkCodec::DecodeBlob(const uint8_t* Stored, int64_t Size, TMemoryStream& Plain, int64_t PlainSize)
{
    if (!FCompress) {
        Plain.Clear();
        Plain.Write(Stored, Size);
        if (FEncrypt)
            FEncryptMgr.DecodeBuffer(Plain.Memory(), Plain.Memory(), static_cast<int>(Size));
        return;
    }
    // The cipher carries its chain from one call to the next and the stream form deciphers in
    // whole blocks, so one call over the blob deciphers exactly as the stream form does.
    FDeciphered.SetSize(Size);
    if (FEncrypt)
        FEncryptMgr.DecodeBuffer(Stored, FDeciphered.Memory(), static_cast<int>(Size));
    else
        std::memcpy(FDeciphered.Memory(), Stored, static_cast<std::size_t>(Size));
    try {
        FDeciphered.SetPosition(0);
        if (PlainSize >= 0)
            FCompressMgr.DecodeSized(&FDeciphered, &Plain, PlainSize);
        else
            FCompressMgr.DecodeStream(&FDeciphered, &Plain, Size);
    } catch (...) {
        FDeciphered.SetSize(0);
        throw;
    }
    FDeciphered.SetSize(0);
}

void DecodeStoredBlob(TEncryptMgr* Encrypt, TCompressMgr* Compress, TMemoryStream* Source, TMemoryStream* Dest,
                      int64_t PlainSize)
{
    Source->SetPosition(0);
    if (Dest != Source)
        Dest->Clear();
    if (Compress == nullptr && Encrypt == nullptr) {
        if (Dest != Source)
            Dest->CopyFrom(*Source, 0);
        return;
    }
    if (Encrypt != nullptr)
        Encrypt->DecodeStream(Source, Dest, Source->Size());
    if (Compress != nullptr) {
        TMemoryStream deciphered;
        TMemoryStream* input = Source;
        if (Encrypt != nullptr) {
            deciphered.Swap(*Dest);
            input = &deciphered;
        }
        input->SetPosition(0);
        if (PlainSize >= 0)
            Compress->DecodeSized(input, Dest, PlainSize);
        else
            Compress->DecodeStream(input, Dest, input->Size());
    }
}
