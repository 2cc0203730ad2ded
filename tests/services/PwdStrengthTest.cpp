#include "services/PwdStrength.h"

#include <gtest/gtest.h>

namespace {

TEST(PwdStrengthTest, KnownPasswordsGetTheirLevels)
{
    struct {
        const char* Password;
        TPwdStrengthLevel Level;
    } const cases[] = {
        {"", psNone},
        {"password", psVeryWeak},    // a common password
        {"aaaaaaaaaaaa", psVeryWeak}, // a repeat
        {"Summer2019", psVeryWeak},  // a word and a year
        {"k8Fqz2", psWeak},
        {"Tr0ub4dor&3", psFair},
        {"correct horse battery staple", psStrong},
        {"xK9#mQ2$vL7@pR4!", psVeryStrong},
    };
    for (const auto& c : cases) {
        const TPwdStrength s = EstimatePwdStrength(c.Password);
        EXPECT_EQ(s.Level, c.Level) << c.Password << " " << s.Bits;
    }
    EXPECT_EQ(EstimatePwdStrength("").Bits, 0);
    // Longer random text never rates lower.
    EXPECT_LT(EstimatePwdStrength("xK9#mQ2$").Bits, EstimatePwdStrength("xK9#mQ2$vL7@pR4!").Bits);
}

TEST(PwdStrengthTest, LevelBoundariesAndWords)
{
    struct {
        double Bits;
        TPwdStrengthLevel Level;
        const char* Word;
    } const cases[] = {
        {0, psVeryWeak, "很弱"}, {27.9, psVeryWeak, "很弱"}, {28, psWeak, "弱"},        {39.9, psWeak, "弱"},
        {40, psFair, "一般"},    {59.9, psFair, "一般"},     {60, psStrong, "强"},      {79.9, psStrong, "强"},
        {80, psVeryStrong, "很强"}, {300, psVeryStrong, "很强"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PwdStrengthLevel(c.Bits, false), c.Level) << c.Bits;
        EXPECT_STREQ(PwdStrengthWord(c.Level), c.Word);
    }
    EXPECT_EQ(PwdStrengthLevel(100, true), psNone);
    EXPECT_STREQ(PwdStrengthWord(psNone), "");
}

} // namespace
