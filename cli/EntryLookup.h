// Entries named on the command line against the open box: KIND:ID, a folder path and title such
// as "<网上信息>/电子邮件/工作邮箱", or a title that only one entry of the box carries. A bank
// entry's title is its bank.
#pragma once

#include "cli/EntryRef.h"
#include "cli/FolderTree.h"

#include <string>
#include <vector>

// One entry of the box with what names it.
struct TEntryName {
    TEntryRef Ref;
    int32_t FolderID = 0;
    std::string Title;
};

// Every entry of the box, folder by folder (the root first, then the tree depth first), each
// folder's entries by sort code.
std::vector<TEntryName> AllEntryNames(TDbFileMgr& Box, const TFolderTree& Tree);
// The entries filed in one folder, web, bank, then notes, each by sort code.
std::vector<TEntryName> EntryNamesIn(TDbFileMgr& Box, int32_t FolderID);

// The entry Text names. Raises ECliError naming FileName: code 1 when no entry answers to it,
// or when a title fits several (the message lists them as KIND:ID with their folders).
TEntryRef ResolveEntry(TDbFileMgr& Box, const TFolderTree& Tree, const std::string& Text, const std::string& FileName);
