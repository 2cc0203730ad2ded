// Path and file-system helpers standing in for the Windows path and temporary-file calls.
#pragma once

#include <string>

// Absolute, lexically normal form of a path (no file-system access).
std::string FullPath(const std::string& Path);

// True when the user may not write the file; a missing file counts as read-only.
bool IsFileReadOnly(const std::string& FileName);

bool FileExists(const std::string& FileName);

// $TMPDIR when set and non-empty, else /tmp.
std::string TempFolder();

// Creates a new, empty, uniquely named file in Folder whose name starts with Prefix and answers
// its full path; raises EFileError when the folder does not take it.
std::string CreateTempFile(const std::string& Folder, const std::string& Prefix);

// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& Path);
