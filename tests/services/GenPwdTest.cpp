#include "services/GenPwd.h"

#include "services/SecureRandom.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

std::string ClassMembers(TGenPwdCharKinds Kinds)
{
    std::string members;
    for (int c = 0; c < 256; ++c)
        for (int k = pcUpperCase; k <= pcSpecial; ++k)
            if ((Kinds & CharKindBit(static_cast<TGenPwdCharKind>(k))) != 0 &&
                IsCharOfKind(static_cast<char>(c), static_cast<TGenPwdCharKind>(k))) {
                members += static_cast<char>(c);
                break;
            }
    return members;
}

// Pearson's statistic of observed counts against equal expected counts.
double ChiSquare(const std::map<char, int>& Counts, std::size_t Cells, int Total)
{
    const double expected = static_cast<double>(Total) / static_cast<double>(Cells);
    double stat = (Cells - Counts.size()) * expected; // cells never seen
    for (const auto& [c, n] : Counts)
        stat += (n - expected) * (n - expected) / expected;
    return stat;
}

TEST(GenPwdTest, CharacterClasses)
{
    EXPECT_EQ(ClassMembers(CharKindBit(pcUpperCase)), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(ClassMembers(CharKindBit(pcLowerCase)), "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(ClassMembers(CharKindBit(pcNumber)), "0123456789");
    EXPECT_EQ(ClassMembers(CharKindBit(pcSpace)), " ");
    EXPECT_EQ(ClassMembers(CharKindBit(pcSpecial)), "!\"#$%&'()*+,-./:;<=>?@[\\]^_{|}~");
    EXPECT_EQ(ClassMembers(0x1F).find('`'), std::string::npos);
    EXPECT_EQ(ClassMembers(0x1F).size(), 94u);
}

TEST(GenPwdTest, PropertyRules)
{
    TPwdGenerator gen;
    EXPECT_EQ(gen.CharKinds(), 7);
    EXPECT_EQ(gen.LenMode(), plRange);
    EXPECT_EQ(gen.LenRangeMin(), 5);
    EXPECT_EQ(gen.LenRangeMax(), 8);
    EXPECT_EQ(gen.LenFixed(), 6);

    const std::pair<int, int> kinds[] = {{0, 1}, {0xE0, 1}, {0x9F, 0x1F}, {0x10, 0x10}};
    for (const auto& [in, stored] : kinds) {
        gen.SetCharKinds(static_cast<TGenPwdCharKinds>(in));
        EXPECT_EQ(gen.CharKinds(), stored) << in;
    }

    // Applied in either order, Min 10 and Max 5 end with one value; the later write wins.
    TPwdGenerator minFirst;
    minFirst.SetLenRangeMin(10);
    minFirst.SetLenRangeMax(5);
    EXPECT_EQ(minFirst.LenRangeMin(), 5);
    EXPECT_EQ(minFirst.LenRangeMax(), 5);
    TPwdGenerator maxFirst;
    maxFirst.SetLenRangeMax(3);
    maxFirst.SetLenRangeMin(10);
    EXPECT_EQ(maxFirst.LenRangeMin(), 10);
    EXPECT_EQ(maxFirst.LenRangeMax(), 10);
}

TEST(GenPwdTest, EveryCharacterComesFromTheChosenKinds)
{
    const TGenPwdCharKinds sets[] = {0, 0xE0, CharKindBit(pcSpecial), CharKindBit(pcSpace),
                                     CharKindBit(pcNumber) | CharKindBit(pcSpecial), 0x1F};
    for (TGenPwdCharKinds set : sets) {
        TPwdGenerator gen;
        gen.SetCharKinds(set);
        gen.SetLenMode(plFixed);
        gen.SetLenFixed(50);
        const std::string allowed = ClassMembers(gen.CharKinds());
        std::set<char> seen;
        for (int i = 0; i < 200; ++i) {
            const std::string pwd = gen.Generate();
            ASSERT_EQ(pwd.size(), 50u);
            for (char c : pwd) {
                ASSERT_NE(allowed.find(c), std::string::npos) << "kinds " << int(set) << " gave '" << c << "'";
                seen.insert(c);
            }
        }
        EXPECT_EQ(seen.size(), allowed.size()) << "kinds " << int(set) << ": some characters never drawn";
    }
}

TEST(GenPwdTest, LengthsStayWithinTheMode)
{
    TPwdGenerator gen;
    std::map<std::size_t, int> lengths;
    for (int i = 0; i < 4000; ++i)
        ++lengths[gen.Generate().size()];
    ASSERT_EQ(lengths.size(), 4u);
    EXPECT_EQ(lengths.begin()->first, 5u);
    EXPECT_EQ(lengths.rbegin()->first, 8u);
    for (const auto& [len, n] : lengths)
        EXPECT_GT(n, 800) << "length " << len; // expected 1000 each; below 800 is beyond 7 sigma

    gen.SetLenRangeMin(-2);
    gen.SetLenRangeMax(1);
    std::set<std::size_t> small;
    for (int i = 0; i < 200; ++i)
        small.insert(gen.Generate().size());
    EXPECT_EQ(small, (std::set<std::size_t>{0, 1}));

    gen.SetLenMode(plFixed);
    for (int fixed : {0, -3}) {
        gen.SetLenFixed(fixed);
        EXPECT_EQ(gen.Generate(), "");
    }
    gen.SetLenFixed(100);
    EXPECT_EQ(gen.Generate().size(), 100u);
}

// 61 degrees of freedom: mean 61, standard deviation 11. The bound lies about 5 standard
// deviations out, so a sound generator fails about once in a million runs, while a modulo bias
// of one byte over 62 characters scores near 800.
constexpr double kChiSquareBound = 120.0;
constexpr int kDraws = 62 * 2000;

TEST(GenPwdTest, CharactersAreUniform)
{
    TPwdGenerator gen;
    gen.SetLenMode(plFixed);
    gen.SetLenFixed(kDraws);
    std::map<char, int> counts;
    for (char c : gen.Generate())
        ++counts[c];
    EXPECT_LT(ChiSquare(counts, 62, kDraws), kChiSquareBound);
}

TEST(GenPwdTest, UniformityCheckRejectsABiasedDraw)
{
    // The classic mistake: a random byte modulo the alphabet size.
    const std::string alphabet = ClassMembers(7);
    std::map<char, int> counts;
    for (int i = 0; i < kDraws; ++i)
        ++counts[alphabet[SecureRandomBelow(256) % alphabet.size()]];
    EXPECT_GT(ChiSquare(counts, 62, kDraws), kChiSquareBound);
}

TEST(GenPwdTest, SecureRandomBelowCoversItsRange)
{
    EXPECT_EQ(SecureRandomBelow(0), 0u);
    EXPECT_EQ(SecureRandomBelow(1), 0u);
    std::set<uint64_t> seen;
    for (int i = 0; i < 500; ++i) {
        const uint64_t v = SecureRandomBelow(7);
        ASSERT_LT(v, 7u);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 7u);
}

} // namespace
