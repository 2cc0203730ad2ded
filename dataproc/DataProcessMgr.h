// The managers through which the storage engine compresses and enciphers: each selects an
// algorithm by its registered name and owns the algorithm object.
#pragma once

#include "dataproc/DataProcessAlgo.h"

#include <memory>
#include <string>

class TDataProcessMgr {
public:
    TDataProcessMgr() = default;
    virtual ~TDataProcessMgr() = default;
    TDataProcessMgr(const TDataProcessMgr&) = delete;
    TDataProcessMgr& operator=(const TDataProcessMgr&) = delete;

    // Selects the algorithm registered as Value; an unknown name raises and keeps the previous one.
    virtual void SetAlgoName(const std::string& Value) = 0;
    virtual void EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize);
    virtual void DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize);
    bool HasAlgo() const { return FDPObject != nullptr; }

protected:
    // Raises "FDPObject is nil" while no algorithm is selected.
    TDataProcessAlgo& Object() const;
    // Replaces the algorithm object unless it already is of AlgoClass (then mode and key stay).
    void Select(const TDataProcessAlgoClass& AlgoClass);

    std::unique_ptr<TDataProcessAlgo> FDPObject;
};

class TCompressMgr final : public TDataProcessMgr {
public:
    // Index of the name in the compression registry; raises when absent.
    static int CheckAlgoRegistered(const std::string& AlgoName);
    void SetAlgoName(const std::string& Value) override;
    TNorkCompressLevel Level() const;
    void SetLevel(TNorkCompressLevel Value);
    // See TCompressAlgo::DecodeSized.
    void DecodeSized(TMemoryStream* Source, TMemoryStream* Dest, int64_t PlainSize);

private:
    TCompressAlgo& Algo() const;
};

class TEncryptMgr final : public TDataProcessMgr {
public:
    static int CheckAlgoRegistered(const std::string& AlgoName);
    void SetAlgoName(const std::string& Value) override;
    TEncryptMode Mode() const;
    void SetMode(TEncryptMode Value);
    void InitKey(const std::string& Key);
    void Done();

    // Every call starts from the vector and leaves the chain back there, also when it raises,
    // so any stored buffer can be deciphered alone.
    void EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) override;
    void DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) override;
    void EncodeBuffer(const void* Source, void* Dest, int DataSize);
    void DecodeBuffer(const void* Source, void* Dest, int DataSize);

private:
    TEncryptAlgo& Algo() const;
};
