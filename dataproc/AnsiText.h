// Stored text is code page 936 ("windows-936-2000", the mapping Windows uses) on every system,
// whatever the locale, so a file written on one machine reads back the same on any other.
// In memory, text is UTF-8. This is the one place that converts between the two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 to code-page-936 bytes; characters 936 cannot represent (and invalid UTF-8) become "?".
std::string Utf8ToAnsi(std::string_view Utf8);

// Code-page-936 bytes to UTF-8. A lead byte cut off at the end is dropped; other invalid
// sequences are replaced; never fails.
std::string AnsiToUtf8(std::string_view Ansi);

// Whether the bytes are code-page-936 text as this system writes it: every character mapped, no
// double-byte lead without its trail byte.
bool IsAnsiText(std::string_view Ansi);

// Code-page-936 bytes as UTF-8 for a message: control characters shown as \xNN.
std::string AnsiToPrintable(std::string_view Ansi);

// Code-page-936 bytes straight to UTF-16 (for text that is compared rather than shown).
std::u16string AnsiToUtf16(std::string_view Ansi);

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view Utf8);

// Writes Utf8 into an N-byte zero-terminated field: at most N-1 bytes of its 936 form (cut even
// inside a double-byte character), then one zero. Bytes after that zero are left as they were.
void StrToAnsiField(void* Field, std::size_t FieldSize, std::string_view Utf8);

// The 936 bytes of a field up to its first zero (or the whole field when it holds none).
std::string_view AnsiFieldBytes(const void* Field, std::size_t FieldSize);

// A field read back as UTF-8 (AnsiToUtf8 of AnsiFieldBytes).
std::string AnsiFieldToStr(const void* Field, std::size_t FieldSize);
