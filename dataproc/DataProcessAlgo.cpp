#include "dataproc/DataProcessAlgo.h"

#include "dataproc/Blowfish.h"
#include "dataproc/NorkZLib.h"
#include "dataproc/StreamChunks.h"

void TEncryptAlgo::EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize)
{
    CodeStreamInChunks(Source, Dest, DataSize, [this](uint8_t* Chunk, int Size) { EncodeBuffer(Chunk, Chunk, Size); });
}

void TEncryptAlgo::DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize)
{
    CodeStreamInChunks(Source, Dest, DataSize, [this](uint8_t* Chunk, int Size) { DecodeBuffer(Chunk, Chunk, Size); });
}

const TDataProcessAlgoClass& TCompAlgo_Zlib::ClassType()
{
    static const TDataProcessAlgoClass cls{
        "TCompAlgo_Zlib", []() -> std::unique_ptr<TDataProcessAlgo> { return std::make_unique<TCompAlgo_Zlib>(); }};
    return cls;
}

namespace {

// Compresses or decompresses all of Source into Dest. Dest is empty after a failure.
template <class Fn>
void ZlibStream(TMemoryStream* Source, TMemoryStream* Dest, Fn Code)
{
    if (Source == nullptr)
        return;
    if (Dest == nullptr)
        Dest = Source;
    TMemoryStream out;
    try {
        Code(Source->Memory(), static_cast<int>(Source->Size()), out);
    } catch (...) {
        Dest->Clear();
        throw;
    }
    Dest->Clear();
    Dest->Swap(out);
    Dest->Seek(0, soEnd);
}

} // namespace

void TCompAlgo_Zlib::EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t /*DataSize*/)
{
    ZlibStream(Source, Dest, ZCompressBuf);
}

void TCompAlgo_Zlib::DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t /*DataSize*/)
{
    ZlibStream(Source, Dest, ZDecompressBuf);
}

void TCompAlgo_Zlib::DecodeSized(TMemoryStream* Source, TMemoryStream* Dest, int64_t PlainSize)
{
    ZlibStream(Source, Dest,
               [PlainSize](const void* In, int Size, TMemoryStream& Out) { ZDecompressBufExact(In, Size, PlainSize, Out); });
}

TEncAlgo_Base::TEncAlgo_Base(const TEncryptClass& EncryptClass, void* AOwner)
    : TEncryptAlgo(AOwner), FEncObject(EncryptClass.Create())
{
}

void TEncAlgo_Base::EncodeBuffer(const void* Source, void* Dest, int DataSize)
{
    FEncObject->EncodeBuffer(Source, Dest, DataSize);
}

void TEncAlgo_Base::DecodeBuffer(const void* Source, void* Dest, int DataSize)
{
    FEncObject->DecodeBuffer(Source, Dest, DataSize);
}

TEncAlgo_Blowfish::TEncAlgo_Blowfish(void* AOwner) : TEncAlgo_Base(GetEncryptClass(), AOwner) {}

const TEncryptClass& TEncAlgo_Blowfish::GetEncryptClass()
{
    return TEnc_Blowfish::ClassType();
}

const TDataProcessAlgoClass& TEncAlgo_Blowfish::ClassType()
{
    static const TDataProcessAlgoClass cls{
        "TEncAlgo_Blowfish", []() -> std::unique_ptr<TDataProcessAlgo> { return std::make_unique<TEncAlgo_Blowfish>(); }};
    return cls;
}
