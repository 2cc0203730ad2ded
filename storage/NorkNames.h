// Table and index names: the rule a new name must satisfy, the form a name takes once stored in
// its 33-byte field, and how names are compared. Nothing here raises but memory exhaustion;
// every function may run on any thread.
#pragma once

#include <string>
#include <string_view>

// Not empty, and no character below U+0020.
bool IsValidName(std::string_view Name);

// The name as it reads back from a 33-byte field: code page 936, at most 32 bytes.
std::string StoredName(std::string_view Name);

// Equal ignoring the case of the letters A-Z only (for names already in stored form).
bool SameText(std::string_view A, std::string_view B);

// Equal after storing, ignoring the case of the letters A-Z only.
bool SameName(std::string_view A, std::string_view B);
