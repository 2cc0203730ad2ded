// Whole files in and out of memory for attachments and body files. Their bytes may be secrets:
// buffers are wiped when released, and files the tool writes are readable by the user only.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <cstdint>
#include <string>

// The whole file; raises ECliError naming the file and the reason: code 3 when it is missing,
// cannot be read or is not a regular file, code 2 when it is larger than MaxBytes.
TSecretString ReadWholeFile(const std::string& Path, int64_t MaxBytes);

// The last component of a path ("report.pdf" of "a/b/report.pdf").
std::string BaseName(const std::string& Path);

// Writes Size bytes to a new file (mode 0600) that takes Path's place whole; an existing file is
// replaced only when Overwrite. Raises ECliError naming the file and the reason on failure
// (code 2 for a file that exists, else 3); nothing is left of a failed write.
void WriteNewFile(const std::string& Path, const void* Data, std::size_t Size, bool Overwrite);
// Writes all bytes to standard output.
void WriteStdout(const void* Data, std::size_t Size);
