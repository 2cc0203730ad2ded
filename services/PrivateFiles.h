// Files that hold secrets outside the password box: folders only this user can enter, whole files
// read into buffers that are wiped, copies readable by this user only, and deletion that
// overwrites the content first.
#pragma once

#include <cstddef>
#include <string>

class TMemoryStream;

// Creates Folder (mode 0700) when missing and answers whether it is a private folder of this
// user: a real folder, owned by the user, closed to everyone else. Raises nothing.
bool EnsurePrivateFolder(const std::string& Folder);

// The private folder for copies of attachments opened with other programs: "zembrix-open-<uid>"
// in the user's temporary folder, ending in "/". Raises EFileError when it cannot be made
// private.
std::string PrivateTempFolder();

// Replaces Data with the whole regular file. Raises EFileError naming the file and the reason;
// Data is then empty and nothing read is left in memory.
void ReadFileContent(const std::string& FileName, TMemoryStream& Data);

// Creates or replaces FileName with Size bytes in one step (ReplaceFile): the name holds the old
// or the whole new content, never a part; a link in its place is replaced, not followed. A new
// file gets mode 0600; Private gives 0600 also to a file replaced, else that keeps its mode.
// Raises EFileError naming the file and the reason.
void WriteFileContent(const std::string& FileName, const void* Data, std::size_t Size, bool Private);

// Overwrites the file's content with zeros, puts that on the device and deletes the file.
// Answers false when any step failed (the file may then remain). A link is not followed.
bool WipeAndDeleteFile(const std::string& FileName);
