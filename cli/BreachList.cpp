#include "cli/BreachList.h"

#include "cli/CliError.h"
#include "dataproc/Hash.h"
#include "dataproc/Wipe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kDigestChars = 40;
constexpr std::size_t kChunk = 128; // longer than any line of the format

bool IsUpperHex(char C)
{
    return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'F');
}

// The digest of a "HASH:COUNT" line, upper-cased; empty when the line is no such line.
std::string DigestOf(const std::string& Line)
{
    if (Line.size() < kDigestChars + 2 || Line[kDigestChars] != ':')
        return {};
    std::string digest = Line.substr(0, kDigestChars);
    for (char& c : digest) {
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
        if (!IsUpperHex(c))
            return {};
    }
    return digest;
}

} // namespace

TBreachList::TBreachList(const std::string& FileName) : FFileName(FileName)
{
    FHandle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle < 0)
        RaiseFileError(ecFileFault, FileName, std::string("cannot read the list: ") + std::strerror(errno));
    struct stat st {};
    if (::fstat(FHandle, &st) != 0 || !S_ISREG(st.st_mode))
        RaiseFileError(ecFileFault, FileName, "the list is not a regular file");
    FSize = st.st_size;
    if (FSize > 0 && DigestOf(LineAt(0)).empty())
        RaiseBadLine(0);
}

TBreachList::~TBreachList()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

void TBreachList::RaiseBadLine(int64_t Offset) const
{
    RaiseFileError(ecFileFault, FFileName,
                   "the line at byte " + std::to_string(Offset) +
                       " is no HASH:COUNT line (40 hex digits of SHA-1, a colon, the count)");
}

int64_t TBreachList::LineStartFrom(int64_t Offset) const
{
    if (Offset <= 0)
        return 0;
    // The line break before Offset's line start, searched from the byte before Offset.
    char buf[kChunk];
    int64_t at = Offset - 1;
    while (at < FSize) {
        const ssize_t n = ::pread(FHandle, buf, sizeof(buf), at);
        if (n <= 0)
            break;
        if (const void* nl = std::memchr(buf, '\n', static_cast<std::size_t>(n)))
            return at + (static_cast<const char*>(nl) - buf) + 1;
        at += n;
    }
    return FSize;
}

std::string TBreachList::LineAt(int64_t Offset) const
{
    std::string line;
    char buf[kChunk];
    int64_t at = Offset;
    while (at < FSize && line.size() < 4 * kChunk) {
        const ssize_t n = ::pread(FHandle, buf, sizeof(buf), at);
        if (n <= 0)
            break;
        const void* nl = std::memchr(buf, '\n', static_cast<std::size_t>(n));
        const std::size_t take = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - buf) : static_cast<std::size_t>(n);
        line.append(buf, take);
        if (nl)
            break;
        at += n;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::optional<int64_t> TBreachList::CountOfDigest(const std::string& HexDigest) const
{
    // The least offset whose following line has a digest >= HexDigest; its line is the only one
    // that can match.
    int64_t lo = 0, hi = FSize;
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        const int64_t start = LineStartFrom(mid);
        bool atOrAfter = true;
        if (start < FSize) {
            const std::string digest = DigestOf(LineAt(start));
            if (digest.empty())
                RaiseBadLine(start);
            atOrAfter = digest >= HexDigest;
        }
        if (atOrAfter)
            hi = mid;
        else
            lo = mid + 1;
    }
    const int64_t start = LineStartFrom(lo);
    if (start >= FSize)
        return std::nullopt;
    const std::string line = LineAt(start);
    if (DigestOf(line) != HexDigest)
        return std::nullopt;
    try {
        return std::stoll(line.substr(kDigestChars + 1));
    } catch (const std::exception&) {
        RaiseBadLine(start);
    }
}

std::optional<int64_t> TBreachList::Count(const std::string& Password) const
{
    uint8_t digest[20];
    THash_SHA1::CalcString(digest, Password);
    static const char* const kHex = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : digest) {
        hex.push_back(kHex[b >> 4]);
        hex.push_back(kHex[b & 15]);
    }
    SecureZero(digest, sizeof(digest));
    return CountOfDigest(hex);
}
