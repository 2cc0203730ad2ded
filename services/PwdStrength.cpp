#include "services/PwdStrength.h"

#include <zxcvbn.h>

TPwdStrengthLevel PwdStrengthLevel(double Bits, bool Empty)
{
    if (Empty)
        return psNone;
    if (Bits < 28)
        return psVeryWeak;
    if (Bits < 40)
        return psWeak;
    if (Bits < 60)
        return psFair;
    if (Bits < 80)
        return psStrong;
    return psVeryStrong;
}

TPwdStrength EstimatePwdStrength(const std::string& Password)
{
    TPwdStrength result;
    if (Password.empty())
        return result;
    // The estimator works on its own stack buffers and keeps nothing after it returns.
    result.Bits = ZxcvbnMatch(Password.c_str(), nullptr, nullptr);
    result.Level = PwdStrengthLevel(result.Bits, false);
    return result;
}

int PwdGuessScore(double Bits)
{
    const double log10Guesses = Bits * 0.30102999566398120; // log10(2)
    if (log10Guesses < 3)
        return 0;
    if (log10Guesses < 6)
        return 1;
    if (log10Guesses < 8)
        return 2;
    if (log10Guesses < 10)
        return 3;
    return 4;
}

const char* PwdStrengthWord(TPwdStrengthLevel Level)
{
    switch (Level) {
    case psVeryWeak:
        return "很弱";
    case psWeak:
        return "弱";
    case psFair:
        return "一般";
    case psStrong:
        return "强";
    case psVeryStrong:
        return "很强";
    case psNone:
        break;
    }
    return "";
}
