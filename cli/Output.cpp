#include "cli/Output.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <ostream>

namespace {

// Calls Fn(code point, byte offset, byte length) for each character; invalid bytes count as
// U+FFFD of length one.
template <class Fn>
void ForEachChar(std::string_view Text, Fn&& Body)
{
    const auto* s = reinterpret_cast<const uint8_t*>(Text.data());
    const int32_t len = static_cast<int32_t>(Text.size());
    int32_t i = 0;
    while (i < len) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, len, c);
        if (c < 0)
            c = 0xFFFD;
        Body(c, start, i - start);
    }
}

int CharWidth(UChar32 c)
{
    if (c < 0x20 || c == 0x7F)
        return 0;
    const int type = u_charType(c);
    if (type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_FORMAT_CHAR)
        return 0;
    const int eaw = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
    return eaw == U_EA_WIDE || eaw == U_EA_FULLWIDTH ? 2 : 1;
}

} // namespace

std::string MaskPassword(std::string_view Password)
{
    std::size_t chars = 0;
    ForEachChar(Password, [&](UChar32, int32_t, int32_t) { ++chars; });
    return std::string(chars, '*');
}

std::string ShownPassword(std::string_view Password, bool Show)
{
    return Show ? std::string(Password) : MaskPassword(Password);
}

int DisplayWidth(std::string_view Text)
{
    int width = 0;
    ForEachChar(Text, [&](UChar32 c, int32_t, int32_t) { width += CharWidth(c); });
    return width;
}

std::string ShortenBody(std::string_view Body)
{
    std::string out;
    int chars = 0;
    bool cut = false;
    ForEachChar(Body, [&](UChar32 c, int32_t start, int32_t len) {
        if (cut)
            return;
        if (chars == 100) {
            cut = true;
            return;
        }
        ++chars;
        if (c < 0x20)
            out.push_back(' ');
        else
            out.append(Body.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(len)));
    });
    if (cut)
        out += "...";
    return out;
}

std::string OneLine(std::string_view Text)
{
    std::string out(Text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

void TTextTable::Print(std::ostream& Out) const
{
    std::vector<int> widths(FHeader.size(), 0);
    auto measure = [&](const std::vector<std::string>& Row) {
        for (std::size_t i = 0; i < Row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(Row[i]));
    };
    measure(FHeader);
    for (const auto& row : FRows)
        measure(row);
    auto print = [&](const std::vector<std::string>& Row) {
        std::string line;
        for (std::size_t i = 0; i < Row.size(); ++i) {
            line += Row[i];
            if (i + 1 < Row.size())
                line.append(static_cast<std::size_t>(widths[i] - DisplayWidth(Row[i]) + 2), ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        Out << line << '\n';
    };
    print(FHeader);
    for (const auto& row : FRows)
        print(row);
}

void PrintJson(std::ostream& Out, const TJson& Value)
{
    Out << Value.dump(2, ' ', false, TJson::error_handler_t::replace) << '\n';
}

std::string FormatBytes(int64_t Size)
{
    std::string digits = std::to_string(Size < 0 ? -Size : Size);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return (Size < 0 ? "-" : "") + out + (Size == 1 ? " byte" : " bytes");
}

std::string Counted(std::size_t N, const char* One, const char* Many)
{
    return std::to_string(N) + " " + (N == 1 ? One : Many);
}
