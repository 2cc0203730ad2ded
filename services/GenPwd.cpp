#include "services/GenPwd.h"

#include "services/SecureRandom.h"

namespace {

constexpr TGenPwdCharKinds kAllKinds = 0x1F;

} // namespace

bool IsCharOfKind(char c, TGenPwdCharKind Kind)
{
    switch (Kind) {
    case pcUpperCase: return c >= 'A' && c <= 'Z';
    case pcLowerCase: return c >= 'a' && c <= 'z';
    case pcNumber: return c >= '0' && c <= '9';
    case pcSpace: return c == ' ';
    case pcSpecial:
        return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 95) || (c >= 123 && c <= 126);
    }
    return false;
}

void TPwdGenerator::SetCharKinds(TGenPwdCharKinds Value)
{
    Value &= kAllKinds;
    FCharKinds = Value != 0 ? Value : CharKindBit(pcUpperCase);
}

void TPwdGenerator::SetLenRangeMin(int Value)
{
    FLenRangeMin = Value;
    if (FLenRangeMax < Value)
        FLenRangeMax = Value;
}

void TPwdGenerator::SetLenRangeMax(int Value)
{
    FLenRangeMax = Value;
    if (FLenRangeMin > Value)
        FLenRangeMin = Value;
}

std::string TPwdGenerator::Generate() const
{
    // The alphabet in code order: drawing an index uniformly is the same as drawing bytes until
    // one falls in a chosen class, without the wasted draws.
    std::string alphabet;
    for (int c = 32; c <= 126; ++c)
        for (int k = pcUpperCase; k <= pcSpecial; ++k)
            if ((FCharKinds & CharKindBit(static_cast<TGenPwdCharKind>(k))) != 0 &&
                IsCharOfKind(static_cast<char>(c), static_cast<TGenPwdCharKind>(k))) {
                alphabet += static_cast<char>(c);
                break;
            }
    if (alphabet.empty())
        alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

    int64_t length = FLenFixed;
    if (FLenMode == plRange) {
        const int64_t span = static_cast<int64_t>(FLenRangeMax) - FLenRangeMin + 1;
        length = FLenRangeMin + static_cast<int64_t>(SecureRandomBelow(static_cast<uint64_t>(span)));
    }
    std::string password;
    if (length <= 0)
        return password;
    password.reserve(static_cast<std::size_t>(length)); // no reallocation leaves copies behind
    for (int64_t i = 0; i < length; ++i)
        password += alphabet[SecureRandomBelow(alphabet.size())];
    return password;
}
