#include "services/OptionValue.h"

#include "services/CaseFold.h"

#include <charconv>

namespace {

std::string TrimBlanks(const std::string& s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

bool ParseInt32(const std::string& Text, int32_t& Out)
{
    std::string t = TrimBlanks(Text);
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last)
        return false;
    const auto [ptr, ec] = std::from_chars(first, last, Out);
    return ec == std::errc() && ptr == last;
}

} // namespace

std::string TOptionValue::ToText() const
{
    switch (Kind()) {
    case okEmpty: return std::string();
    case okInteger: return std::to_string(std::get<int32_t>(FData));
    case okBoolean: return std::get<bool>(FData) ? "True" : "False";
    case okText: return std::get<std::string>(FData);
    }
    return std::string();
}

int32_t TOptionValue::ToInteger() const
{
    switch (Kind()) {
    case okEmpty: return 0;
    case okInteger: return std::get<int32_t>(FData);
    case okBoolean: break;
    case okText: {
        int32_t v = 0;
        if (ParseInt32(std::get<std::string>(FData), v))
            return v;
        break;
    }
    }
    throw EOptionConvertError("'" + ToText() + "' is not an integer");
}

bool TOptionValue::ToBoolean() const
{
    switch (Kind()) {
    case okEmpty: return false;
    case okInteger: return std::get<int32_t>(FData) != 0;
    case okBoolean: return std::get<bool>(FData);
    case okText: {
        const std::string t = FoldCase(TrimBlanks(std::get<std::string>(FData)));
        if (t == "true")
            return true;
        if (t == "false")
            return false;
        int32_t v = 0;
        if (ParseInt32(t, v))
            return v != 0;
        break;
    }
    }
    throw EOptionConvertError("'" + ToText() + "' is not True or False");
}
