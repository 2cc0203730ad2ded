#include "boxdata/TextMatcher.h"
#include "dataproc/AnsiText.h"

#include <gtest/gtest.h>

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

} // namespace
