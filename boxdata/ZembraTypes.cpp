#include "boxdata/ZembraTypes.h"

#include "dataproc/Wipe.h"

TSecretString& TSecretString::operator=(const TSecretString& Other)
{
    if (this != &Other) {
        WipeString(FValue);
        FValue = Other.FValue;
    }
    return *this;
}

TSecretString& TSecretString::operator=(TSecretString&& Other) noexcept
{
    if (this != &Other) {
        WipeString(FValue);
        FValue = std::move(Other.FValue);
        Other.FValue.clear();
    }
    return *this;
}

TSecretString::~TSecretString()
{
    WipeString(FValue);
}

const char* KindName(TZembraType Kind)
{
    switch (Kind) {
    case ztNetItem:
        return "web";
    case ztBankItem:
        return "bank";
    case ztCommItem:
        return "note";
    default:
        return "none";
    }
}
