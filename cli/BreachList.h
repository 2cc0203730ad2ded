// A local list of breached passwords in the published "ordered by hash" text format: one line
// per password, "SHA1:COUNT" with the SHA-1 digest in 40 upper-case hex digits, lines sorted by
// digest (CR LF or LF line ends). It is searched in place by bisection over byte offsets, so a
// list of any size costs a few reads per password and no memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TBreachList {
public:
    // Opens the list; raises ECliError (code 3) naming the file when it cannot be read or its
    // first line is no HASH:COUNT.
    explicit TBreachList(const std::string& FileName);
    ~TBreachList();
    TBreachList(const TBreachList&) = delete;
    TBreachList& operator=(const TBreachList&) = delete;

    // How often the password occurs in the list; nothing when it does not. Raises ECliError
    // (code 3) for a line that is no HASH:COUNT.
    std::optional<int64_t> Count(const std::string& Password) const;
    // The same for a digest in upper-case hex.
    std::optional<int64_t> CountOfDigest(const std::string& HexDigest) const;

private:
    // The start of the first line that starts at or after Offset (the file's size at the end).
    int64_t LineStartFrom(int64_t Offset) const;
    // The line starting at Offset without its line end.
    std::string LineAt(int64_t Offset) const;
    [[noreturn]] void RaiseBadLine(int64_t Offset) const;

    std::string FFileName;
    int FHandle = -1;
    int64_t FSize = 0;
};
