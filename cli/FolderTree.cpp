#include "cli/FolderTree.h"

#include "cli/CliError.h"
#include "cli/EntryRef.h"

#include <algorithm>

namespace {
// Deeper than any tree a person builds; stops a damaged parent chain from recursing forever.
constexpr int kMaxDepth = 256;
const std::vector<int32_t> kNoChildren;
} // namespace

TFolderTree::TFolderTree(TDbFileMgr& Box)
{
    Load(Box, kRootID, 0);
}

void TFolderTree::Load(TDbFileMgr& Box, int32_t ParentID, int Depth)
{
    if (Depth > kMaxDepth)
        return;
    TZembraFolders list;
    Box.GetFolderList(ParentID, list);
    std::sort(list.begin(), list.end(), [](const TZembraFolder& A, const TZembraFolder& B) {
        return A.SortCode != B.SortCode ? A.SortCode < B.SortCode : A.ID < B.ID;
    });
    std::vector<int32_t>& children = FChildren[ParentID];
    for (const TZembraFolder& f : list) {
        if (f.ID == kRootID || FFolders.count(f.ID))
            continue;
        FFolders.emplace(f.ID, f);
        children.push_back(f.ID);
    }
    for (int32_t id : std::vector<int32_t>(children))
        Load(Box, id, Depth + 1);
}

const TZembraFolder* TFolderTree::Find(int32_t ID) const
{
    const auto it = FFolders.find(ID);
    return it == FFolders.end() ? nullptr : &it->second;
}

const std::vector<int32_t>& TFolderTree::Children(int32_t ParentID) const
{
    const auto it = FChildren.find(ParentID);
    return it == FChildren.end() ? kNoChildren : it->second;
}

int TFolderTree::Level(int32_t ID) const
{
    int level = 0;
    for (const TZembraFolder* f = Find(ID); f != nullptr; f = Find(f->ParentID))
        ++level;
    return level;
}

TZembraType TFolderTree::KindOf(int32_t ID) const
{
    const TZembraFolder* f = Find(ID);
    if (f == nullptr)
        return ztNetItem;
    while (f->ParentID != kRootID)
        f = Find(f->ParentID);
    switch (f->ID) {
    case 1:
        return ztNetItem;
    case 2:
        return ztBankItem;
    default:
        return ztCommItem;
    }
}

std::string TFolderTree::PathOf(int32_t ID) const
{
    std::vector<const TZembraFolder*> chain;
    for (const TZembraFolder* f = Find(ID); f != nullptr; f = Find(f->ParentID))
        chain.push_back(f);
    if (chain.empty())
        return "/";
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty())
            path += '/';
        path += (*it)->Name;
    }
    return path;
}

std::vector<int32_t> TFolderTree::Subtree(int32_t ID) const
{
    std::vector<int32_t> out{ID};
    for (std::size_t i = 0; i < out.size(); ++i)
        for (int32_t child : Children(out[i]))
            out.push_back(child);
    return out;
}

std::vector<int32_t> TFolderTree::AllFolders() const
{
    std::vector<int32_t> out;
    std::vector<int32_t> stack(Children(kRootID).rbegin(), Children(kRootID).rend());
    while (!stack.empty()) {
        const int32_t id = stack.back();
        stack.pop_back();
        out.push_back(id);
        const auto& children = Children(id);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return out;
}

int32_t TFolderTree::NewChildSortCode(int32_t ParentID) const
{
    const auto& children = Children(ParentID);
    return children.empty() ? 10 : Find(children.back())->SortCode + 10;
}

int32_t TFolderTree::ChildNamed(int32_t ParentID, const std::string& Name) const
{
    for (int32_t id : Children(ParentID))
        if (Find(id)->Name == Name)
            return id;
    return 0;
}

int32_t TFolderTree::Resolve(const std::string& Folder, const std::string& FileName) const
{
    if (Folder == "/" || Folder == "0")
        return kRootID;
    int32_t id = 0;
    if (ParseId(Folder, id)) {
        if (!Exists(id))
            RaiseFileError(ecRejected, FileName, "no folder with id " + Folder);
        return id;
    }
    int32_t current = kRootID;
    std::size_t pos = Folder.empty() || Folder[0] != '/' ? 0 : 1;
    while (pos <= Folder.size()) {
        std::size_t end = Folder.find('/', pos);
        if (end == std::string::npos)
            end = Folder.size();
        const std::string name = Folder.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty()) {
            if (end == Folder.size())
                break; // a trailing "/"
            continue;
        }
        std::vector<int32_t> matches;
        for (int32_t child : Children(current))
            if (Find(child)->Name == name)
                matches.push_back(child);
        if (matches.empty())
            RaiseFileError(ecRejected, FileName,
                           "no folder \"" + name + "\" in " + (current == kRootID ? "the box" : "\"" + PathOf(current) + "\""));
        if (matches.size() > 1) {
            std::string ids;
            for (int32_t m : matches)
                ids += (ids.empty() ? "" : ", ") + std::to_string(m);
            RaiseFileError(ecRejected, FileName,
                           "several folders are called \"" + PathOf(matches[0]) + "\" (ids " + ids + "); give the id");
        }
        current = matches[0];
    }
    return current;
}

void RequireEntryFolder(const TFolderTree& Tree, int32_t FolderID, TZembraType Kind, const std::string& FileName)
{
    if (FolderID == TFolderTree::kRootID)
        RaiseFileError(ecUsage, FileName, "entries are filed in a category or a folder below one, not at the root");
    const TZembraType folderKind = Tree.KindOf(FolderID);
    if (folderKind != Kind)
        RaiseFileError(ecUsage, FileName,
                       "the folder \"" + Tree.PathOf(FolderID) + "\" holds " + KindName(folderKind) + " entries, not " +
                           KindName(Kind) + " entries");
}
