#include "services/CaseFold.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <vector>

namespace {

std::string AsciiFold(std::string_view Text)
{
    std::string out(Text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsAscii(std::string_view Text)
{
    for (unsigned char c : Text)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

std::string FoldCase(std::string_view Utf8)
{
    if (IsAscii(Utf8))
        return AsciiFold(Utf8);
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> wide(Utf8.size() + 1);
    int32_t wideLen = 0;
    u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &wideLen, Utf8.data(),
                  static_cast<int32_t>(Utf8.size()), &status);
    if (U_FAILURE(status))
        return AsciiFold(Utf8);
    // Folding can lengthen text (for example "ß" becomes "ss"), so leave room.
    std::vector<UChar> folded(static_cast<std::size_t>(wideLen) * 3 + 1);
    status = U_ZERO_ERROR;
    const int32_t foldedLen = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), wide.data(), wideLen,
                                            U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return AsciiFold(Utf8);
    std::string out(static_cast<std::size_t>(foldedLen) * 3 + 1, '\0');
    int32_t outLen = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &outLen, folded.data(), foldedLen, &status);
    if (U_FAILURE(status))
        return AsciiFold(Utf8);
    out.resize(static_cast<std::size_t>(outLen));
    return out;
}

bool SameTextIgnoringCase(std::string_view A, std::string_view B)
{
    return FoldCase(A) == FoldCase(B);
}

std::string AsciiUpperCase(std::string_view Text)
{
    std::string out(Text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}
