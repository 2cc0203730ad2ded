#include "cli/EntryLookup.h"

#include "boxdata/DbFileMgr.h"
#include "cli/CliError.h"
#include "cli/EntryView.h"

namespace {

template <class TItems>
void AddNames(TItems& Items, TZembraType Kind, std::vector<TEntryName>& Out)
{
    SortBySortCode(Items);
    for (const auto& item : Items) {
        std::string title;
        if constexpr (std::is_same_v<TItems, TZmbBankItems>)
            title = item.BankName;
        else
            title = item.Caption;
        Out.push_back({{Kind, item.ID}, item.FolderID, title});
    }
}

void AddFolder(TDbFileMgr& Box, int32_t FolderID, std::vector<TEntryName>& Out)
{
    TZmbNetItems web;
    Box.GetNetItemList(FolderID, false, web);
    AddNames(web, ztNetItem, Out);
    TZmbBankItems bank;
    Box.GetBankItemList(FolderID, false, bank);
    AddNames(bank, ztBankItem, Out);
    TZmbCommItems notes;
    Box.GetCommItemList(FolderID, false, notes);
    AddNames(notes, ztCommItem, Out);
}

std::vector<TEntryName> Titled(const std::vector<TEntryName>& Names, const std::string& Title)
{
    std::vector<TEntryName> out;
    for (const TEntryName& n : Names)
        if (n.Title == Title)
            out.push_back(n);
    return out;
}

} // namespace

std::vector<TEntryName> EntryNamesIn(TDbFileMgr& Box, int32_t FolderID)
{
    std::vector<TEntryName> out;
    AddFolder(Box, FolderID, out);
    return out;
}

std::vector<TEntryName> AllEntryNames(TDbFileMgr& Box, const TFolderTree& Tree)
{
    std::vector<TEntryName> out;
    AddFolder(Box, TFolderTree::kRootID, out);
    for (int32_t folder : Tree.AllFolders())
        AddFolder(Box, folder, out);
    return out;
}

TEntryRef ResolveEntry(TDbFileMgr& Box, const TFolderTree& Tree, const std::string& Text, const std::string& FileName)
{
    const auto colon = Text.find(':');
    TEntryRef ref;
    if (colon != std::string::npos && (ref.Kind = KindOfName(Text.substr(0, colon))) != ztNone &&
        ParseId(Text.substr(colon + 1), ref.ID)) {
        if (!EntryExists(Box, ref))
            RaiseFileError(ecRejected, FileName, "no entry " + Text);
        return ref;
    }

    // FOLDER/TITLE when the part before the last "/" is a folder; else the whole text is a title
    // (titles may hold "/" themselves).
    std::vector<TEntryName> found;
    bool inFolder = false;
    const auto slash = Text.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        try {
            const int32_t folder = Tree.Resolve(Text.substr(0, slash), FileName);
            found = Titled(EntryNamesIn(Box, folder), Text.substr(slash + 1));
            inFolder = true;
        } catch (const ECliError&) {
        }
    }
    if (!inFolder || found.empty())
        found = Titled(AllEntryNames(Box, Tree), Text);
    if (found.empty())
        RaiseFileError(ecRejected, FileName,
                       "no entry \"" + Text + "\" (name it KIND:ID, FOLDER/TITLE or by a title of its own)");
    if (found.size() > 1) {
        std::string list;
        for (const TEntryName& n : found)
            list += (list.empty() ? "" : ", ") + FormatEntryRef(n.Ref.Kind, n.Ref.ID) + " in " + Tree.PathOf(n.FolderID);
        RaiseFileError(ecRejected, FileName,
                       std::to_string(found.size()) + " entries are called \"" + Text + "\": " + list +
                           "; name one by KIND:ID or FOLDER/TITLE");
    }
    return found.front().Ref;
}
