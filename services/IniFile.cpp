#include "services/IniFile.h"

#include "dataproc/AnsiText.h"
#include "dataproc/FileReplacement.h"
#include "services/CaseFold.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/ustring.h>
#include <unistd.h>

namespace {

std::string Trim(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return std::string(s.substr(b, e - b));
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsComment(const std::string& trimmed) { return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#'); }

// "[Name]" → Name.
bool ParseHeader(const std::string& line, std::string& name)
{
    const std::string t = Trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    const std::size_t close = t.find(']');
    name = Trim(std::string_view(t).substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// "Key=Value" → Key and the raw value text after "=".
bool ParseKey(const std::string& line, std::string& key, std::string& rawValue)
{
    const std::string t = Trim(line);
    if (t.empty() || t[0] == '[' || IsComment(t))
        return false;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(std::string_view(t).substr(0, eq));
    rawValue = std::string(t.substr(eq + 1));
    return !key.empty();
}

std::string Unquote(const std::string& raw)
{
    std::string v = Trim(raw);
    if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

// Quotes a value that reading would otherwise change, and keeps it on one line: a line break
// stored raw would end the value there and turn the rest into lines of its own.
std::string EncodeValue(std::string v)
{
    for (char& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    const bool needsQuotes = !v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' ||
                                            v.back() == '\t' || (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front()));
    return needsQuotes ? "\"" + v + "\"" : v;
}

// The first Max code points of UTF-8 text.
std::string CutChars(const std::string& s, std::size_t Max)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == Max)
                return s.substr(0, i);
            ++chars;
        }
    }
    return s;
}

bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size())
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        const uint32_t minimum = n == 1 ? 0x80 : n == 2 ? 0x800 : 0x10000;
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::vector<UChar> wide(bytes.size() / 2);
    for (std::size_t k = 0; k < wide.size(); ++k) {
        const auto a = static_cast<unsigned char>(bytes[2 * k]);
        const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
        wide[k] = static_cast<UChar>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    std::string out(wide.size() * 3 + 1, '\0');
    int32_t outLen = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &outLen, wide.data(),
                       static_cast<int32_t>(wide.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return std::string();
    out.resize(static_cast<std::size_t>(outLen));
    return out;
}

// The whole file; "" when it is missing, not a regular file or cannot be read. Ok tells whether
// the result stands for the file: false when a file is there but could not be read whole.
std::string ReadFileBytes(const std::string& FileName, bool& Ok)
{
    std::string data;
    Ok = true;
    // Non-blocking, so a pipe put in the file's place cannot hang the program.
    const int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        Ok = errno == ENOENT || errno == ENOTDIR;
        return data;
    }
    struct stat st {};
    Ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (Ok) {
        char buf[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                data.clear();
                Ok = false;
                break;
            }
            if (n == 0)
                break;
            data.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return data;
}

} // namespace

TIniFile::TIniFile(std::string FileName)
    : FFileName(std::move(FileName))
{
    Reload();
}

void TIniFile::Reload()
{
    FLines.clear();
    FBom = false;
    FEol = "\n";
    const std::string raw = ReadFileBytes(FFileName, FReadable);
    std::string text;
    if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        FBom = true;
        text = raw.substr(3);
    } else if (raw.size() >= 2 && raw.compare(0, 2, "\xFF\xFE") == 0) {
        text = Utf16ToUtf8(std::string_view(raw).substr(2), false);
    } else if (raw.size() >= 2 && raw.compare(0, 2, "\xFE\xFF") == 0) {
        text = Utf16ToUtf8(std::string_view(raw).substr(2), true);
    } else if (IsValidUtf8(raw)) {
        text = std::move(raw);
    } else {
        text = AnsiToUtf8(raw);
    }

    bool eolKnown = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        TLine line;
        if (nl == std::string::npos) {
            line.Text = text.substr(pos);
            pos = text.size();
        } else {
            line.Text = text.substr(pos, nl - pos);
            line.Eol = "\n";
            if (!line.Text.empty() && line.Text.back() == '\r') {
                line.Text.pop_back();
                line.Eol = "\r\n";
            }
            if (!eolKnown) {
                FEol = line.Eol;
                eolKnown = true;
            }
            pos = nl + 1;
        }
        FLines.push_back(std::move(line));
    }
}

long TIniFile::FindSection(const std::string& Section) const
{
    const std::string want = FoldCase(Trim(Section));
    std::string name;
    for (std::size_t i = 0; i < FLines.size(); ++i)
        if (ParseHeader(FLines[i].Text, name) && FoldCase(name) == want)
            return static_cast<long>(i);
    return -1;
}

long TIniFile::SectionEnd(long Header) const
{
    std::string name;
    std::size_t i = static_cast<std::size_t>(Header) + 1;
    while (i < FLines.size() && !ParseHeader(FLines[i].Text, name))
        ++i;
    return static_cast<long>(i);
}

long TIniFile::FindKey(long Header, const std::string& Key) const
{
    const std::string want = FoldCase(Trim(Key));
    const long end = SectionEnd(Header);
    std::string key, raw;
    for (long i = Header + 1; i < end; ++i)
        if (ParseKey(FLines[static_cast<std::size_t>(i)].Text, key, raw) && FoldCase(key) == want)
            return i;
    return -1;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& Section) const
{
    std::vector<std::string> names;
    const long header = FindSection(Section);
    if (header < 0)
        return names;
    std::vector<std::string> seen;
    const long end = SectionEnd(header);
    std::string key, raw;
    for (long i = header + 1; i < end; ++i) {
        if (!ParseKey(FLines[static_cast<std::size_t>(i)].Text, key, raw))
            continue;
        std::string folded = FoldCase(key);
        bool dup = false;
        for (const auto& s : seen)
            dup = dup || s == folded;
        if (dup)
            continue;
        seen.push_back(std::move(folded));
        names.push_back(key);
    }
    return names;
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Key) const
{
    const long header = FindSection(Section);
    return header >= 0 && FindKey(header, Key) >= 0;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const
{
    std::string value = Default;
    const long header = FindSection(Section);
    const long line = header >= 0 ? FindKey(header, Key) : -1;
    if (line >= 0) {
        std::string key, raw;
        ParseKey(FLines[static_cast<std::size_t>(line)].Text, key, raw);
        value = Unquote(raw);
    }
    return CutChars(value, MaxValueChars);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Key, const std::string& Value)
{
    Reload();
    // Writing what could not be read would throw away the rest of the file.
    if (!FReadable)
        throw EIniFileException("Unable to write to " + FFileName);
    const std::string keyName = Trim(Key);
    const std::string encoded = EncodeValue(Value);
    long header = FindSection(Section);
    long line = header >= 0 ? FindKey(header, keyName) : -1;
    if (line >= 0) {
        // Keep the key as the file spells it.
        std::string key, raw;
        ParseKey(FLines[static_cast<std::size_t>(line)].Text, key, raw);
        FLines[static_cast<std::size_t>(line)].Text = key + "=" + encoded;
    } else {
        if (!FLines.empty() && FLines.back().Eol.empty())
            FLines.back().Eol = FEol;
        if (header < 0) {
            if (!FLines.empty() && !Trim(FLines.back().Text).empty())
                FLines.push_back({std::string(), FEol});
            FLines.push_back({"[" + Trim(Section) + "]", FEol});
            FLines.push_back({keyName + "=" + encoded, FEol});
        } else {
            // After the section's last key, so comments and blank lines before the next
            // section stay where they are.
            long insertAt = header + 1;
            const long end = SectionEnd(header);
            std::string key, raw;
            for (long i = header + 1; i < end; ++i)
                if (ParseKey(FLines[static_cast<std::size_t>(i)].Text, key, raw))
                    insertAt = i + 1;
            FLines.insert(FLines.begin() + insertAt, TLine{keyName + "=" + encoded, FEol});
        }
    }
    Store();
}

void TIniFile::Store() const
{
    const std::string failure = "Unable to write to " + FFileName;
    std::string data = FBom ? "\xEF\xBB\xBF" : "";
    for (const auto& line : FLines)
        data += line.Text + line.Eol;

    // The whole file is replaced at once; a symbolic link keeps pointing at the file. A new
    // options file is the user's alone.
    TReplaceOptions options;
    options.FollowLink = true;
    try {
        ReplaceFile(FFileName, data.data(), static_cast<int64_t>(data.size()), options);
    } catch (const EFileError&) {
        throw EIniFileException(failure);
    }
}
