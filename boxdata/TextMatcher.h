// The search's occurrence test: a substring test after both texts are upper-cased with the
// user's locale rules (Latin, full-width and other cased letters fold; "ａｂｃ" finds "ＡＢＣ"
// but not "ABC"). The search text is prepared once and tested against many stored fields.
// Nothing here raises but memory exhaustion. Made on one thread, a matcher may then be tested
// against from many at once (its tests change nothing).
#pragma once

#include <string>
#include <string_view>

class TTextMatcher {
public:
    explicit TTextMatcher(std::string_view SearchTextUtf8);

    // An empty search text matches nothing.
    bool Empty() const { return FNeedle.empty(); }
    // Tests stored code-page-936 bytes.
    bool FoundInAnsi(std::string_view Ansi) const;
    // Tests UTF-8 text.
    bool FoundInUtf8(std::string_view Utf8) const;
    // Tests text made by Fold; the same answer FoundInAnsi gives for the stored bytes.
    bool FoundInFolded(std::u16string_view Folded) const;

    // Stored code-page-936 bytes decoded and upper-cased as the tests compare them, so that
    // many searches can test them without decoding them again.
    static std::u16string Fold(std::string_view Ansi);

private:
    bool FoundInUtf16(const std::u16string& Text) const;

    bool FoundInAsciiRuns(std::string_view Ansi) const;

    std::u16string FNeedle;      // upper-cased search text
    std::string FAsciiNeedle;    // the same, when it is plain ASCII and ASCII folding is exact
    // The ASCII needle is printable, so it can only match inside the stored text's runs of
    // ASCII characters: no character the code page holds upper-cases to ASCII letters.
    bool FRunsOnly = false;
};
