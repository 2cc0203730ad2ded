#include "cli/FieldCheck.h"

#include "cli/CliError.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Wipe.h"

#include <unicode/utf8.h>

#include <cstdio>

namespace {

bool RoundTrips(std::string_view Text)
{
    std::string ansi = Utf8ToAnsi(Text);
    std::string back = AnsiToUtf8(ansi);
    const bool same = back == Text;
    WipeString(ansi);
    WipeString(back);
    return same;
}

// The first character (shown as U+XXXX and itself) that does not survive the round trip.
std::string FirstUnstorable(std::string_view Text)
{
    const auto* s = reinterpret_cast<const uint8_t*>(Text.data());
    const int32_t len = static_cast<int32_t>(Text.size());
    int32_t i = 0;
    while (i < len) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, len, c);
        if (c < 0)
            return "bytes that are not UTF-8";
        const std::string_view one = Text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
        if (!RoundTrips(one)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            return std::string("the character ") + code + " (" + std::string(one) + ")";
        }
    }
    return "characters";
}

} // namespace

std::size_t StoredByteCount(std::string_view Text)
{
    std::string ansi = Utf8ToAnsi(Text);
    const std::size_t n = ansi.size();
    WipeString(ansi);
    return n;
}

void CheckStorableText(const std::string& What, std::string_view Text, bool Secret)
{
    if (!RoundTrips(Text))
        RaiseUsage(What + " holds " + (Secret ? std::string("characters") : FirstUnstorable(Text)) +
                   ", which a password box cannot store (its text is code page 936)");
}

void CheckTextBytes(const std::string& What, std::string_view Text, std::size_t MaxBytes, bool Secret)
{
    CheckStorableText(What, Text, Secret);
    const std::size_t n = StoredByteCount(Text);
    if (n > MaxBytes)
        RaiseUsage(What + " is too long: it takes " + std::to_string(n) + " bytes in the box, at most " +
                   std::to_string(MaxBytes) + " fit (a Chinese character takes 2)");
}

void CheckFieldText(const std::string& What, std::string_view Text, TStoredText Field, bool Secret)
{
    CheckTextBytes(What, Text, static_cast<std::size_t>(Field.Size - 1), Secret);
}
