#include "storage/NorkCodec.h"

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
