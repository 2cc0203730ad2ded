#include "dataproc/AnsiText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

namespace {

std::string Hex(const std::string& Bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : Bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

TEST(AnsiTextTest, KnownMappings)
{
    struct Case {
        const char* Utf8;
        const char* Hex936;
    };
    const Case cases[] = {
        {"abc", "616263"},
        {"\xE2\x82\xAC", "80"},                                         // euro sign at 0x80
        {"网上信息", "CDF8C9CFD0C5CFA2"},                               // a default folder name
        {"ＱＱ号码", "A3D1A3D1BAC5C2EB"},                               // full-width letters
        {"<通用数据>", "3CCDA8D3C3CAFDBEDD3E"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(Utf8ToAnsi(c.Utf8)), c.Hex936) << c.Utf8;
        EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(c.Utf8)), c.Utf8);
    }
}

TEST(AnsiTextTest, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x98\x80" "b"), "a?b");     // an emoji
    EXPECT_EQ(Utf8ToAnsi("\xD0\x96"), Utf8ToAnsi("Ж"));           // Cyrillic is in 936
    EXPECT_EQ(Utf8ToAnsi("x\xC3\x28y").find('?') != std::string::npos, true) << "invalid UTF-8";
}

TEST(AnsiTextTest, SameResultWhateverTheLocale)
{
    const std::string before = Utf8ToAnsi("密码箱");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(Utf8ToAnsi("密码箱"), before);
    EXPECT_EQ(AnsiToUtf8(before), "密码箱");
}

TEST(AnsiTextTest, FieldsCutAtNMinusOneBytes)
{
    // 16 Chinese characters are 32 bytes; a 31-byte field keeps 30 bytes, i.e. 15 characters.
    const std::string name = "一二三四五六七八九十甲乙丙丁戊己";
    char field[31];
    std::memset(field, 0x55, sizeof(field));
    StrToAnsiField(field, sizeof(field), name);
    EXPECT_EQ(field[30], '\0');
    EXPECT_EQ(AnsiFieldBytes(field, sizeof(field)).size(), 30u);
    EXPECT_EQ(AnsiFieldToStr(field, sizeof(field)), "一二三四五六七八九十甲乙丙丁戊");

    // A cut inside a double-byte character: the half character is dropped, never a failure.
    char odd[6];
    StrToAnsiField(odd, sizeof(odd), "ab密码");
    EXPECT_EQ(AnsiFieldBytes(odd, sizeof(odd)).size(), 5u);
    EXPECT_EQ(AnsiFieldToStr(odd, sizeof(odd)), "ab密");

    // Bytes after the terminating zero keep their old values.
    char keep[8];
    std::memset(keep, 'Z', sizeof(keep));
    StrToAnsiField(keep, sizeof(keep), "ab");
    EXPECT_EQ(std::string(keep, 8), std::string("ab\0ZZZZZ", 8));

    // A field without any zero is read whole.
    const char full[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(AnsiFieldToStr(full, sizeof(full)), "abcd");
}

TEST(AnsiTextTest, DamagedBytesReadBackWithoutFailing)
{
    EXPECT_EQ(AnsiToUtf8(std::string("ab\xC3", 3)), "ab");   // lone lead byte at the end
    const std::string odd = AnsiToUtf8(std::string("a\xFF" "b", 3));
    EXPECT_EQ(odd.front(), 'a');
    EXPECT_EQ(odd.back(), 'b');
    EXPECT_EQ(AnsiToUtf8(""), "");
}

} // namespace
