// The input of an import, read in pieces as often as its reader needs (a check, then the
// storing), so that no reading holds the whole file. A gzip-packed input is unpacked once into
// memory: the decompressor has no call that unpacks a stream piece by piece.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TImportSource {
public:
    static constexpr std::size_t kPieceBytes = 1 << 18;

    // Opens the file. Raises ECliError: code 3 when it cannot be read, 2 when it (or what it
    // unpacks to) is larger than MaxBytes, 1 when it is gzip-packed and the stream is broken.
    TImportSource(const std::string& Path, int64_t MaxBytes, std::size_t PieceBytes = kPieceBytes);
    // Text already in memory, taken over; wiped with the source. Raises nothing.
    explicit TImportSource(std::string&& Text, std::size_t PieceBytes = kPieceBytes);
    ~TImportSource();
    TImportSource(const TImportSource&) = delete;
    TImportSource& operator=(const TImportSource&) = delete;

    // Starts again at the first byte. Raises ECliError (code 3) when the file changed since it
    // was opened: a second reading must see what the first one checked.
    void Rewind();
    // The next piece, empty at the end; valid until the next call, which wipes it. Raises
    // ECliError (code 3) when the system refuses to read.
    std::string_view Next();
    // The first byte that is not a space, tab or line break, or 0; reading starts over after it.
    char FirstNonSpace();
    const std::string& Name() const { return FName; }

private:
    void Unpack(int64_t MaxBytes);

    std::string FName;
    int FFd = -1;
    int64_t FSize = 0, FModified = 0; // of the file when opened
    std::string FText;                // the whole input when in memory
    std::size_t FPos = 0;             // in FText
    std::string FPiece;               // the last piece read from the file
    std::size_t FPieceBytes;
};
