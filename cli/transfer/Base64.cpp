#include "cli/transfer/Base64.h"

#include "dataproc/Wipe.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 256> MakeDecodeTable()
{
    std::array<int8_t, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int i = 0; i < 64; ++i)
        t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
    return t;
}
constexpr std::array<int8_t, 256> kDecode = MakeDecodeTable();

bool IsSpace(char C)
{
    return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

} // namespace

std::string EncodeBase64(std::string_view Bytes)
{
    std::string out;
    out.reserve((Bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const uint8_t*>(Bytes.data());
    const std::size_t n = Bytes.size();
    for (std::size_t i = 0; i < n; i += 3) {
        const std::size_t left = n - i;
        uint32_t v = uint32_t(p[i]) << 16;
        if (left > 1)
            v |= uint32_t(p[i + 1]) << 8;
        if (left > 2)
            v |= p[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += left > 1 ? kAlphabet[(v >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[v & 63] : '=';
    }
    return out;
}

bool DecodeBase64(std::string_view Text, std::string& Bytes)
{
    Bytes.clear();
    Bytes.reserve(Text.size() / 4 * 3);
    uint32_t group = 0;
    int count = 0;   // characters in the current group of four
    int padding = 0; // '=' seen; only white space may follow the group they end
    for (const char c : Text) {
        if (IsSpace(c))
            continue;
        if (c == '=') {
            // "xx==" or "xxx=" only.
            if (count < 2) {
                WipeString(Bytes);
                return false;
            }
            ++padding;
            ++count;
            if (count == 4) {
                if (padding == 2 && (group & 0xF) != 0) {
                    WipeString(Bytes);
                    return false;
                }
                if (padding == 1 && (group & 0x3) != 0) {
                    WipeString(Bytes);
                    return false;
                }
                if (padding == 2)
                    Bytes += static_cast<char>(group >> 4);
                else {
                    Bytes += static_cast<char>(group >> 10);
                    Bytes += static_cast<char>((group >> 2) & 0xFF);
                }
                count = 0;
                group = 0;
            }
            continue;
        }
        const int8_t v = kDecode[static_cast<unsigned char>(c)];
        if (v < 0 || padding > 0) {
            WipeString(Bytes);
            return false;
        }
        group = (group << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            Bytes += static_cast<char>(group >> 16);
            Bytes += static_cast<char>((group >> 8) & 0xFF);
            Bytes += static_cast<char>(group & 0xFF);
            count = 0;
            group = 0;
        }
    }
    if (count != 0) {
        WipeString(Bytes);
        return false;
    }
    group = 0;
    return true;
}
