// A profile (INI) file read and changed one key at a time, leaving every other line as it was.
//
// Text is UTF-8. A file with a UTF-16 byte-order mark is read as UTF-16, and a file that is not
// valid UTF-8 is read as code page 936 (files written on Windows); either is written back as UTF-8,
// which holds all of their characters. Section and key names compare without case; a key's value
// is the text after the first "=", without surrounding blanks and without one pair of enclosing
// quotes. Lines starting with ";" or "#" are comments.
#pragma once

#include "dataproc/Exception.h"

#include <cstddef>
#include <string>
#include <vector>

// The file could not be written.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile {
public:
    // Reads the file now; a missing or unreadable file reads as empty.
    explicit TIniFile(std::string FileName);

    const std::string& FileName() const { return FFileName; }

    // Values read back are cut to this many characters.
    static constexpr std::size_t MaxValueChars = 2047;

    // The key names of the section in file order, each once (the first of any duplicates).
    std::vector<std::string> ReadSection(const std::string& Section) const;
    bool ValueExists(const std::string& Section, const std::string& Key) const;
    // The key's value, or Default when the section or key is absent; at most MaxValueChars characters.
    std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default) const;

    // Re-reads the file (another copy of the program may have changed it), sets the one key
    // and writes the file at once, replacing it whole so a crash never leaves half a file.
    // Raises EIniFileException "Unable to write to <file>" when the file cannot be written.
    void WriteString(const std::string& Section, const std::string& Key, const std::string& Value);

private:
    struct TLine {
        std::string Text;
        std::string Eol; // "\n", "\r\n" or "" for a last line without one
    };

    void Reload();
    void Store() const;
    // Index of the first line of the section's header, or -1.
    long FindSection(const std::string& Section) const;
    // Index of the key's line within the section that starts at Header, or -1.
    long FindKey(long Header, const std::string& Key) const;
    // One past the section's last line.
    long SectionEnd(long Header) const;

    std::string FFileName;
    std::vector<TLine> FLines;
    bool FReadable = true; // false when the file is there but could not be read
    bool FBom = false;
    std::string FEol = "\n";
};
