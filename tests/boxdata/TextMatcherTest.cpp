#include "boxdata/TextMatcher.h"
#include "dataproc/AnsiText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

TEST(TextMatcherTest, FoldsCaseTheLocaleWay)
{
    struct Case {
        const char* Needle;
        const char* Text;
        bool Found;
    };
    const Case cases[] = {
        {"abc", "ABC@example.com", true},
        {"abc", "xAbCx", true},
        {"ABC", "xabcx", true},
        {"ａｂｃ", "ｘＡｂＣｘ", true},   // full-width letters fold among themselves
        {"ａｂｃ", "ABC", false},         // but not into ASCII
        {"abc", "ＡＢＣ", false},
        {"straße", "STRASSE", true},      // upper-casing may lengthen a text
        {"密码", "我的密码箱", true},
        {"mail", "网站mail登录", true},     // ASCII needle in mixed text
        {"abd", "abc", false},
        {"", "anything", false},          // an empty search text matches nothing
        {"x", "", false},
    };
    for (const auto& c : cases) {
        const TTextMatcher m(c.Needle);
        EXPECT_EQ(m.FoundInUtf8(c.Text), c.Found) << c.Needle << " in " << c.Text;
        EXPECT_EQ(m.FoundInAnsi(Utf8ToAnsi(c.Text)), c.Found) << c.Needle << " in stored " << c.Text;
    }
}

TEST(TextMatcherTest, AsciiNeedleNeverMatchesHalfOfADoubleByteCharacter)
{
    // The second byte of many double-byte characters lies in the ASCII letter range.
    const std::string stored = "\x85\x41";
    const std::string character = AnsiToUtf8(stored);
    ASSERT_EQ(Utf8ToAnsi(character), stored) << "85 41 is one character";
    EXPECT_FALSE(TTextMatcher("a").FoundInAnsi(stored));
    EXPECT_TRUE(TTextMatcher(character).FoundInAnsi(stored));
}

// The shortcut for ASCII search texts over mixed stored text answers as decoding and upper-casing
// the whole text does: random stored bytes, including double-byte lead bytes followed by ASCII,
// lone lead bytes at the end, bytes the code page does not map, and real characters.
TEST(TextMatcherTest, AsciiSearchInMixedTextAnswersAsTheDecodedText)
{
    const std::vector<std::string> pieces = {"a", "B", "c", "A", "b", "?", "@", "~", " ", "0", "\x7F", "\x1A",
                                             "\x80", "\x81", "\xA1", "\xFE", "\xFF", "\x85\x41", "\x81\x30",
                                             "\xB0\xA1", Utf8ToAnsi("密码"), Utf8ToAnsi("ａＢ"), Utf8ToAnsi("é")};
    const std::vector<std::string> needles = {"a", "ab", "AB c", "?", "a?b", "@a", "~", "0a", "b c", "cA"};
    std::mt19937 random(20261210);
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string stored;
        const int length = static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k)
            stored += pieces[random() % pieces.size()];
        for (const std::string& needle : needles) {
            const TTextMatcher m(needle);
            const bool expected = m.FoundInFolded(TTextMatcher::Fold(stored));
            found += expected;
            ASSERT_EQ(m.FoundInAnsi(stored), expected) << "\"" << needle << "\" in bytes of \"" << stored << "\"";
        }
    }
    EXPECT_GT(found, 1000); // the cases hold matches, not only misses
}

} // namespace
