#include "boxdata/TextMatcher.h"

#include "dataproc/AnsiText.h"
#include "dataproc/Wipe.h"

#include <algorithm>
#include <cstring>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

namespace {

std::u16string ToUpper(const std::u16string& Text)
{
    if (Text.empty())
        return Text;
    // Upper-casing can lengthen a text (ß becomes SS); retry once with the size asked for.
    std::u16string out(Text.size() + 8, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = u_strToUpper(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                       reinterpret_cast<const UChar*>(Text.data()), static_cast<int32_t>(Text.size()),
                                       nullptr, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<std::size_t>(n), u'\0');
            continue;
        }
        if (U_FAILURE(status))
            return Text;
        out.resize(static_cast<std::size_t>(n));
        return out;
    }
    return Text;
}

bool IsAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Plain ASCII folding equals the locale's own except where the locale treats i and I apart.
bool AsciiFoldingIsExact()
{
    char language[16] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(nullptr, language, sizeof(language), &status);
    return std::strcmp(language, "tr") != 0 && std::strcmp(language, "az") != 0 && std::strcmp(language, "lt") != 0;
}

// Whether a character the code page holds upper-cases to ASCII: in Unicode only ß, ı, ŉ, ſ, ǰ,
// ẖ..ẚ and the Latin ligatures do, and none of them is in the code page. Checked once, so that a
// converter that held one would only cost the shortcut.
bool CodePageHoldsCharsUpperCasedToAscii()
{
    static const bool holds = [] {
        for (const char* c : {"ß", "ı", "ŉ", "ſ", "ǰ", "ẖ", "ẗ", "ẘ", "ẙ", "ẚ", "ﬀ", "ﬁ", "ﬂ", "ﬃ", "ﬄ", "ﬅ", "ﬆ"})
            if (Utf8ToAnsi(c) != "?")
                return true;
        return false;
    }();
    return holds;
}

bool IsPrintableAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// A byte that may follow a double-byte lead byte; after any other the lead stands alone and the
// byte is read again, as the code page converter does.
bool IsTrailByte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE);
}

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

TTextMatcher::TTextMatcher(std::string_view SearchTextUtf8)
    : FNeedle(ToUpper(Utf8ToUtf16(SearchTextUtf8)))
{
    if (!FNeedle.empty() && IsAscii(SearchTextUtf8) && AsciiFoldingIsExact()) {
        FAsciiNeedle.reserve(SearchTextUtf8.size());
        for (char c : SearchTextUtf8)
            FAsciiNeedle += UpperAscii(c);
        FRunsOnly = IsPrintableAscii(SearchTextUtf8) && !CodePageHoldsCharsUpperCasedToAscii();
    }
}

bool TTextMatcher::FoundInAsciiRuns(std::string_view Ansi) const
{
    const auto matches = [this](std::string_view Run) {
        return Run.size() >= FAsciiNeedle.size() &&
               std::search(Run.begin(), Run.end(), FAsciiNeedle.begin(), FAsciiNeedle.end(),
                           [](char a, char b) { return UpperAscii(a) == b; }) != Run.end();
    };
    std::size_t i = 0;
    std::size_t runStart = 0;
    while (i < Ansi.size()) {
        const auto c = static_cast<unsigned char>(Ansi[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (matches(Ansi.substr(runStart, i - runStart)))
            return true;
        i += (c >= 0x81 && c <= 0xFE && i + 1 < Ansi.size() && IsTrailByte(static_cast<unsigned char>(Ansi[i + 1])))
                 ? 2
                 : 1;
        runStart = i;
    }
    return matches(Ansi.substr(runStart));
}

bool TTextMatcher::FoundInUtf16(const std::u16string& Text) const
{
    return ToUpper(Text).find(FNeedle) != std::u16string::npos;
}

bool TTextMatcher::FoundInAnsi(std::string_view Ansi) const
{
    if (FNeedle.empty() || Ansi.empty())
        return false;
    // Pure ASCII on both sides folds byte by byte; any other byte may be half of a double-byte
    // character, so such text is decoded first.
    if (!FAsciiNeedle.empty() && IsAscii(Ansi)) {
        auto it = std::search(Ansi.begin(), Ansi.end(), FAsciiNeedle.begin(), FAsciiNeedle.end(),
                              [](char a, char b) { return UpperAscii(a) == b; });
        return it != Ansi.end();
    }
    // Decoding and upper-casing every stored text is most of a search's work after deciphering.
    if (FRunsOnly)
        return FoundInAsciiRuns(Ansi);
    return FoundInUtf16(AnsiToUtf16(Ansi));
}

bool TTextMatcher::FoundInFolded(std::u16string_view Folded) const
{
    return !FNeedle.empty() && Folded.find(FNeedle) != std::u16string_view::npos;
}

std::u16string TTextMatcher::Fold(std::string_view Ansi)
{
    std::u16string decoded = AnsiToUtf16(Ansi);
    std::u16string folded = ToUpper(decoded);
    WipeString(decoded);
    return folded;
}

bool TTextMatcher::FoundInUtf8(std::string_view Utf8) const
{
    if (FNeedle.empty() || Utf8.empty())
        return false;
    return FoundInUtf16(Utf8ToUtf16(Utf8));
}
