// Named data-processing algorithms: compression and encryption behind one stream interface,
// so the storage engine selects them by the names a file stores.
#pragma once

#include "dataproc/Encrypt.h"
#include "dataproc/MemoryStream.h"

#include <memory>
#include <string>

enum TNorkCompressLevel { clMaximum = 0, clNormal = 1, clFast = 2, clSuperFast = 3 };

class TDataProcessAlgo;

// A class reference: names an algorithm class and makes objects of it.
struct TDataProcessAlgoClass {
    const char* ClassName;
    std::unique_ptr<TDataProcessAlgo> (*Create)();
};

class TDataProcessAlgo {
public:
    explicit TDataProcessAlgo(void* AOwner = nullptr) : FOwner(AOwner) {}
    virtual ~TDataProcessAlgo() = default;
    TDataProcessAlgo(const TDataProcessAlgo&) = delete;
    TDataProcessAlgo& operator=(const TDataProcessAlgo&) = delete;

    virtual const TDataProcessAlgoClass& GetClass() const = 0;
    // Null Dest means Source; Source may equal Dest.
    virtual void EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) = 0;
    virtual void DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) = 0;

protected:
    void* FOwner;
};

class TCompressAlgo : public TDataProcessAlgo {
public:
    using TDataProcessAlgo::TDataProcessAlgo;
    // The level is fixed: every compression runs at zlib's default, whatever is asked.
    virtual void SetLevel(TNorkCompressLevel /*Value*/) {}
    virtual TNorkCompressLevel GetLevel() const { return clNormal; }
    // Decompresses all of Source into Dest when its writer recorded the plain size: output past
    // PlainSize, or short of it, is damage. Null Dest means Source. Raises the algorithm's error.
    virtual void DecodeSized(TMemoryStream* Source, TMemoryStream* Dest, int64_t PlainSize) = 0;
};

class TEncryptAlgo : public TDataProcessAlgo {
public:
    using TDataProcessAlgo::TDataProcessAlgo;
    // Chunks of 4096 bytes with the feedback running on, so the result equals one EncodeBuffer.
    void EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) override;
    void DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) override;

    virtual void SetMode(TEncryptMode /*Value*/) {}
    virtual TEncryptMode GetMode() const { return emCTS; }
    virtual void InitKey(const std::string& Key) = 0;
    virtual void Done() {}
    virtual void EncodeBuffer(const void* Source, void* Dest, int DataSize) = 0;
    virtual void DecodeBuffer(const void* Source, void* Dest, int DataSize) = 0;
};

class TCompAlgo_Zlib final : public TCompressAlgo {
public:
    static const TDataProcessAlgoClass& ClassType();
    const TDataProcessAlgoClass& GetClass() const override { return ClassType(); }
    // DataSize is ignored: the whole of Source is (de)compressed, from its start.
    void EncodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) override;
    void DecodeStream(TMemoryStream* Source, TMemoryStream* Dest, int64_t DataSize) override;
    void DecodeSized(TMemoryStream* Source, TMemoryStream* Dest, int64_t PlainSize) override;
};

// An encryption algorithm that wraps one cipher object of the framework.
class TEncAlgo_Base : public TEncryptAlgo {
public:
    void SetMode(TEncryptMode Value) override { FEncObject->SetMode(Value); }
    TEncryptMode GetMode() const override { return FEncObject->Mode(); }
    void InitKey(const std::string& Key) override { FEncObject->InitKey(Key, nullptr); }
    void Done() override { FEncObject->Done(); }
    void EncodeBuffer(const void* Source, void* Dest, int DataSize) override;
    void DecodeBuffer(const void* Source, void* Dest, int DataSize) override;

protected:
    explicit TEncAlgo_Base(const TEncryptClass& EncryptClass, void* AOwner = nullptr);
    std::unique_ptr<TEncrypt> FEncObject;
};

class TEncAlgo_Blowfish final : public TEncAlgo_Base {
public:
    explicit TEncAlgo_Blowfish(void* AOwner = nullptr);
    static const TEncryptClass& GetEncryptClass();
    static const TDataProcessAlgoClass& ClassType();
    const TDataProcessAlgoClass& GetClass() const override { return ClassType(); }
};
