// Reads the whole open box for an export: every folder reachable from the root, the entries of
// every kind filed in each, and the attachments of the general entries with their content.
#pragma once

#include "boxdata/DbFileMgr.h"
#include "cli/FolderTree.h"
#include "cli/transfer/TransferData.h"

TBoxSnapshot ReadBoxSnapshot(TDbFileMgr& Box, const TFolderTree& Tree, const std::string& FileName);
