// The folder tree of the open box, read once per command, with the rules the main window keeps:
// the root (id 0, never stored) holds the three category folders; folders are added below a
// category or a user folder, and only user folders get new names or are deleted; a folder's
// kind of entry is that of its category.
#pragma once

#include "boxdata/DbFileMgr.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TFolderTree {
public:
    static constexpr int32_t kRootID = 0;

    // Reads every folder reachable from the root.
    explicit TFolderTree(TDbFileMgr& Box);

    bool Exists(int32_t ID) const { return ID == kRootID || FFolders.count(ID) > 0; }
    // The folder's record; the root has none (nullptr).
    const TZembraFolder* Find(int32_t ID) const;
    // Children in sibling order: sort code, then id.
    const std::vector<int32_t>& Children(int32_t ParentID) const;
    // 0 for the root, 1 for a category folder, 2 and more for user folders.
    int Level(int32_t ID) const;
    // The kind of entries a folder holds: that of its category (1 web, 2 bank, others general);
    // the root counts as web.
    TZembraType KindOf(int32_t ID) const;
    // Names from the category down, joined by "/"; "/" for the root.
    std::string PathOf(int32_t ID) const;
    // Every folder in the tree, depth first in sibling order (the root not included).
    std::vector<int32_t> AllFolders() const;
    // ID and its descendants, depth first.
    std::vector<int32_t> Subtree(int32_t ID) const;
    // Code for a new last child: the last child's code + 10, or 10 without children.
    int32_t NewChildSortCode(int32_t ParentID) const;
    // The child of ParentID with this exact name, 0 when none (the first in sibling order when
    // several share it).
    int32_t ChildNamed(int32_t ParentID, const std::string& Name) const;

    // A folder given on the command line: its id in decimal digits, or a path of names from the
    // category down such as "<网上信息>/电子邮件" ("/" or "0" is the root). Raises ECliError with
    // code 1 naming FileName when there is no such folder or a name matches several siblings.
    int32_t Resolve(const std::string& Folder, const std::string& FileName) const;

private:
    void Load(TDbFileMgr& Box, int32_t ParentID, int Depth);

    std::map<int32_t, TZembraFolder> FFolders;
    std::map<int32_t, std::vector<int32_t>> FChildren;
};

// Entries of Kind may be filed in FolderID: a category or user folder of Kind's category, not
// the root. Raises a usage error naming FileName otherwise.
void RequireEntryFolder(const TFolderTree& Tree, int32_t FolderID, TZembraType Kind, const std::string& FileName);
