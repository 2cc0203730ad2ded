// The printed views of tree, ls and search, shared with demo.
#pragma once

#include "boxdata/DbFileMgr.h"
#include "cli/FolderTree.h"

#include <iosfwd>

void PrintFolderTree(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree, bool Json);
void PrintEntryList(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree, int32_t FolderID, bool Json,
                    bool ShowPasswords);
void PrintSearchResults(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree,
                        const TSearchResultItems& Results, bool Json);
