// Case-insensitive comparison of names (option names, INI keys and sections).
#pragma once

#include <string>
#include <string_view>

// The full Unicode case fold of UTF-8 text: two names that differ only in case fold to the
// same string. Invalid UTF-8 is folded byte-wise in its ASCII part and otherwise kept.
std::string FoldCase(std::string_view Utf8);

bool SameTextIgnoringCase(std::string_view A, std::string_view B);

// ASCII letters upper-cased, every other byte as it was.
std::string AsciiUpperCase(std::string_view Text);
