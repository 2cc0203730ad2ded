#include "dataproc/Wipe.h"

#include <string.h>

void SecureZero(void* data, std::size_t size) noexcept
{
    if (data != nullptr && size > 0)
        explicit_bzero(data, size);
}

void WipeString(std::string& s) noexcept
{
    s.resize(s.capacity());
    SecureZero(s.data(), s.size());
    s.clear();
}

void WipeString(std::u16string& s) noexcept
{
    s.resize(s.capacity());
    SecureZero(s.data(), s.size() * sizeof(char16_t));
    s.clear();
}
