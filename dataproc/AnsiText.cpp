#include "dataproc/AnsiText.h"

#include "dataproc/Exception.h"
#include "dataproc/Wipe.h"

#include <cstdio>
#include <cstring>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <vector>

namespace {

const char* const kCodePage = "windows-936-2000";

// One converter per thread: opening one costs far more than a conversion, and a converter
// holds state, so it is never shared between threads.
class TConverter {
public:
    TConverter()
    {
        UErrorCode status = U_ZERO_ERROR;
        FConv = ucnv_open(kCodePage, &status);
        if (U_FAILURE(status))
            throw Exception(std::string("Code page converter '") + kCodePage + "' is not available: " + u_errorName(status));
        status = U_ZERO_ERROR;
        ucnv_setSubstChars(FConv, "?", 1, &status);
    }
    ~TConverter() { ucnv_close(FConv); }
    UConverter* Get()
    {
        ucnv_reset(FConv);
        return FConv;
    }

private:
    UConverter* FConv = nullptr;
};

UConverter* Converter()
{
    thread_local TConverter conv;
    return conv.Get();
}

bool IsAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

// Length without a double-byte lead that lost its trail byte at the end.
std::size_t WholeCharsLength(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x81 && c <= 0xFE) {
            if (i + 1 >= s.size())
                return i;
            i += 2;
        } else {
            ++i;
        }
    }
    return i;
}

} // namespace

std::string Utf8ToAnsi(std::string_view Utf8)
{
    if (IsAscii(Utf8))
        return std::string(Utf8);
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> wide(Utf8.size() + 1);
    int32_t wideLen = 0;
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &wideLen, Utf8.data(),
                         static_cast<int32_t>(Utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return std::string(Utf8.size(), '?');
    std::string out(static_cast<std::size_t>(wideLen) * 2 + 1, '\0');
    status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(Converter(), out.data(), static_cast<int32_t>(out.size()), wide.data(),
                                      wideLen, &status);
    SecureZero(wide.data(), wide.size() * sizeof(UChar));
    if (U_FAILURE(status))
        return std::string(Utf8.size(), '?');
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string AnsiToUtf8(std::string_view Ansi)
{
    if (IsAscii(Ansi))
        return std::string(Ansi);
    Ansi = Ansi.substr(0, WholeCharsLength(Ansi));
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> wide(Ansi.size() + 1);
    const int32_t wideLen = ucnv_toUChars(Converter(), wide.data(), static_cast<int32_t>(wide.size()), Ansi.data(),
                                          static_cast<int32_t>(Ansi.size()), &status);
    if (U_FAILURE(status))
        return std::string();
    std::string out(static_cast<std::size_t>(wideLen) * 3 + 1, '\0');
    int32_t outLen = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &outLen, wide.data(), wideLen, 0xFFFD, nullptr,
                       &status);
    SecureZero(wide.data(), wide.size() * sizeof(UChar));
    if (U_FAILURE(status))
        return std::string();
    out.resize(static_cast<std::size_t>(outLen));
    return out;
}

std::string AnsiToPrintable(std::string_view Ansi)
{
    std::string out;
    for (const char c : AnsiToUtf8(Ansi)) {
        if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\x%02X", static_cast<unsigned char>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out;
}

bool IsAnsiText(std::string_view Ansi)
{
    if (IsAscii(Ansi))
        return true;
    UConverter* conv = Converter();
    UErrorCode status = U_ZERO_ERROR;
    // Stop at the first byte sequence that maps to nothing instead of substituting it.
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::vector<UChar> wide(Ansi.size() + 1);
    status = U_ZERO_ERROR;
    ucnv_toUChars(conv, wide.data(), static_cast<int32_t>(wide.size()), Ansi.data(), static_cast<int32_t>(Ansi.size()),
                  &status);
    SecureZero(wide.data(), wide.size() * sizeof(UChar));
    UErrorCode restore = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &restore);
    return U_SUCCESS(status);
}

std::u16string AnsiToUtf16(std::string_view Ansi)
{
    Ansi = Ansi.substr(0, WholeCharsLength(Ansi));
    std::u16string out(Ansi.size(), u'\0');
    if (IsAscii(Ansi)) {
        for (std::size_t i = 0; i < Ansi.size(); ++i)
            out[i] = static_cast<char16_t>(Ansi[i]);
        return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(Converter(), reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                    Ansi.data(), static_cast<int32_t>(Ansi.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return std::u16string();
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::u16string Utf8ToUtf16(std::string_view Utf8)
{
    std::u16string out(Utf8.size(), u'\0');
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &n, Utf8.data(),
                         static_cast<int32_t>(Utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return std::u16string();
    out.resize(static_cast<std::size_t>(n));
    return out;
}

void StrToAnsiField(void* Field, std::size_t FieldSize, std::string_view Utf8)
{
    if (FieldSize == 0)
        return;
    std::string bytes = Utf8ToAnsi(Utf8);
    const std::size_t n = bytes.size() < FieldSize - 1 ? bytes.size() : FieldSize - 1;
    auto* out = static_cast<char*>(Field);
    std::memcpy(out, bytes.data(), n);
    out[n] = '\0';
    WipeString(bytes); // fields hold passwords and answers too
}

std::string_view AnsiFieldBytes(const void* Field, std::size_t FieldSize)
{
    const auto* in = static_cast<const char*>(Field);
    const void* zero = std::memchr(in, 0, FieldSize);
    const std::size_t n = zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - in) : FieldSize;
    return std::string_view(in, n);
}

std::string AnsiFieldToStr(const void* Field, std::size_t FieldSize)
{
    return AnsiToUtf8(AnsiFieldBytes(Field, FieldSize));
}
