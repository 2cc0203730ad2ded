// Input the box would not keep as given is refused before anything is written. Stored text is
// code page 936 in fields of fixed width: the data layer would cut a longer value (even inside a
// character) and turn characters 936 lacks into "?", both without notice. A cut password or an
// altered login password is lost data, so the tool refuses such input instead.
#pragma once

#include "boxdata/StoredRecords.h"

#include <string>
#include <string_view>

// Bytes Text takes in the box's encoding.
std::size_t StoredByteCount(std::string_view Text);

// Raises a usage error, naming What, when Text has a character code page 936 cannot hold or is
// not UTF-8. The message shows the first such character unless Secret.
void CheckStorableText(const std::string& What, std::string_view Text, bool Secret = false);
// The same, and the text must fit the field (at most Field.Size - 1 bytes).
void CheckFieldText(const std::string& What, std::string_view Text, TStoredText Field, bool Secret = false);
// The same with a limit of MaxBytes.
void CheckTextBytes(const std::string& What, std::string_view Text, std::size_t MaxBytes, bool Secret = false);

// Login passwords, recovery questions and answers are kept in 64-byte fields of the file's key
// data; the recovery would hand back a cut password.
inline constexpr std::size_t kMaxLoginTextBytes = 64;
