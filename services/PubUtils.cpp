#include "services/PubUtils.h"

#include <cstdlib>
#include <memory>
#include <unicode/unum.h>
#include <unicode/ustring.h>

namespace {

// The POSIX locale name that governs number formatting, as ICU writes it ("de_DE").
std::string UserNumericLocale()
{
    std::string name;
    for (const char* var : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && *value != '\0') {
            name = value;
            break;
        }
    }
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return "en"; // no locale chosen: group like the program's default English text would
    return name;
}

struct TFormatCloser {
    void operator()(UNumberFormat* f) const { unum_close(f); }
};

} // namespace

std::string FormatThousands(int64_t Value, const std::string& Locale)
{
    const std::string locale = Locale.empty() ? UserNumericLocale() : Locale;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UNumberFormat, TFormatCloser> fmt(
        unum_open(UNUM_DECIMAL, nullptr, 0, locale.c_str(), nullptr, &status));
    if (U_SUCCESS(status)) {
        unum_setAttribute(fmt.get(), UNUM_MAX_FRACTION_DIGITS, 0);
        unum_setAttribute(fmt.get(), UNUM_GROUPING_USED, 1);
        UChar wide[64];
        const int32_t wideLen = unum_formatInt64(fmt.get(), Value, wide, 64, nullptr, &status);
        char out[256];
        int32_t outLen = 0;
        if (U_SUCCESS(status))
            u_strToUTF8(out, sizeof out, &outLen, wide, wideLen, &status);
        if (U_SUCCESS(status))
            return std::string(out, static_cast<std::size_t>(outLen));
    }
    return std::to_string(Value);
}

std::string FormatKBytes(const std::string& Suffix, int64_t Size, const std::string& Locale)
{
    const int64_t k = Size <= 0 ? 0 : Size / 1024 + (Size % 1024 != 0 ? 1 : 0);
    return FormatThousands(k, Locale) + Suffix;
}
