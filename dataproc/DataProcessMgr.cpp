#include "dataproc/DataProcessMgr.h"

#include "dataproc/AlgoRegistry.h"
#include "dataproc/Exception.h"

namespace {

int CheckRegistered(const TAlgoRegistry& Registry, const std::string& AlgoName, const char* Kind)
{
    const int index = FindAlgo(Registry, AlgoName);
    if (index < 0)
        throw Exception(std::string(Kind) + " algorithm module '" + AlgoName + "' not found");
    return index;
}

// Runs Call and then restarts the cipher chain, whether Call returned or raised.
template <class Fn>
void ThenDone(TEncryptAlgo& Algo, Fn Call)
{
    try {
        Call();
    } catch (...) {
        Algo.Done();
        throw;
    }
    Algo.Done();
}

} // namespace

TDataProcessAlgo& TDataProcessMgr::Object() const
{
    if (!FDPObject)
        throw Exception("FDPObject is nil");
    return *FDPObject;
}

void TDataProcessMgr::Select(const TDataProcessAlgoClass& AlgoClass)
{
    if (FDPObject && &FDPObject->GetClass() == &AlgoClass)
        return;
    FDPObject.reset();
    FDPObject = AlgoClass.Create();
}

void TDataProcessMgr::EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize)
{
    Object().EncodeStream(Source, Dest, DataSize);
}

void TDataProcessMgr::DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize)
{
    Object().DecodeStream(Source, Dest, DataSize);
}

// ---- compression ----

int TCompressMgr::CheckAlgoRegistered(const std::string& AlgoName)
{
    return CheckRegistered(CompressAlgoRegistry(), AlgoName, "Compression");
}

void TCompressMgr::SetAlgoName(const std::string& Value)
{
    const int index = CheckAlgoRegistered(Value);
    Select(*CompressAlgoRegistry()[static_cast<std::size_t>(index)].second);
}

TCompressAlgo& TCompressMgr::Algo() const
{
    return static_cast<TCompressAlgo&>(Object());
}

TNorkCompressLevel TCompressMgr::Level() const
{
    return Algo().GetLevel();
}

void TCompressMgr::SetLevel(TNorkCompressLevel Value)
{
    Algo().SetLevel(Value);
}

void TCompressMgr::DecodeSized(TMemoryStream* Source, TMemoryStream* Dest, int64_t PlainSize)
{
    Algo().DecodeSized(Source, Dest, PlainSize);
}

// ---- encryption ----

int TEncryptMgr::CheckAlgoRegistered(const std::string& AlgoName)
{
    return CheckRegistered(EncryptAlgoRegistry(), AlgoName, "Encryption");
}

void TEncryptMgr::SetAlgoName(const std::string& Value)
{
    const int index = CheckAlgoRegistered(Value);
    Select(*EncryptAlgoRegistry()[static_cast<std::size_t>(index)].second);
}

TEncryptAlgo& TEncryptMgr::Algo() const
{
    return static_cast<TEncryptAlgo&>(Object());
}

TEncryptMode TEncryptMgr::Mode() const
{
    return Algo().GetMode();
}

void TEncryptMgr::SetMode(TEncryptMode Value)
{
    Algo().SetMode(Value);
}

void TEncryptMgr::InitKey(const std::string& Key)
{
    Algo().InitKey(Key);
}

void TEncryptMgr::Done()
{
    Algo().Done();
}

void TEncryptMgr::EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize)
{
    TEncryptAlgo& algo = Algo();
    ThenDone(algo, [&] { algo.EncodeStream(Source, Dest, DataSize); });
}

void TEncryptMgr::DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize)
{
    TEncryptAlgo& algo = Algo();
    ThenDone(algo, [&] { algo.DecodeStream(Source, Dest, DataSize); });
}

void TEncryptMgr::EncodeBuffer(const void* Source, void* Dest, int DataSize)
{
    TEncryptAlgo& algo = Algo();
    ThenDone(algo, [&] { algo.EncodeBuffer(Source, Dest, DataSize); });
}

void TEncryptMgr::DecodeBuffer(const void* Source, void* Dest, int DataSize)
{
    TEncryptAlgo& algo = Algo();
    ThenDone(algo, [&] { algo.DecodeBuffer(Source, Dest, DataSize); });
}
