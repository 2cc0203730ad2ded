// Path and file functions shared by the dialogs and the main window.
#pragma once

#include <cstdint>
#include <string>

// Path without surrounding blanks and, when not empty, ending in "/".
std::string NormalizeFolder(const std::string& Path);
// The absolute, lexically normal form of FileName; "" for "".
std::string GetFullPath(const std::string& FileName);
// Path with every component in its long form. Linux file systems have no short names, so every
// path already is its long form.
std::string GetLongPath(const std::string& Path);
// The user's temporary folder ($TMPDIR or /tmp), ending in "/".
std::string GetTempFolder();
// The size of the file, or −1 when there is none or FileName is a folder.
int64_t GetFileSizeByName(const std::string& FileName);
// True when A and B name one file: the same full path, or two names (links, differently written
// paths) of one existing file, judged by device and inode. Two files whose names differ only in
// letter case are different files here.
bool IsSameFile(const std::string& A, const std::string& B);
