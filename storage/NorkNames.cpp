#include "storage/NorkNames.h"

#include "dataproc/AnsiText.h"
#include "storage/NorkLayout.h"

bool IsValidName(std::string_view Name)
{
    if (Name.empty())
        return false;
    for (const unsigned char c : Name)
        if (c < 0x20)
            return false;
    return true;
}

std::string StoredName(std::string_view Name)
{
    char field[kNameSize] = {};
    StrToAnsiField(field, sizeof(field), Name);
    return AnsiFieldToStr(field, sizeof(field));
}

// Folding ASCII letters on UTF-8 text never touches a multi-byte character.
bool SameText(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t i = 0; i < A.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(A[i]);
        unsigned char b = static_cast<unsigned char>(B[i]);
        if (a >= 'a' && a <= 'z')
            a = static_cast<unsigned char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = static_cast<unsigned char>(b - 'a' + 'A');
        if (a != b)
            return false;
    }
    return true;
}

bool SameName(std::string_view A, std::string_view B)
{
    return SameText(StoredName(A), StoredName(B));
}
