#include "cli/transfer/BoxSnapshot.h"

#include "cli/CliError.h"
#include "cli/EntryView.h"
#include "cli/FileData.h"

#include <map>
#include <optional>

namespace {

std::string Stem(const std::string& FileName)
{
    std::string name = BaseName(FileName);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

} // namespace

TBoxSnapshot ReadBoxSnapshot(TDbFileMgr& Box, const TFolderTree& Tree, const std::string& FileName)
{
    TBoxSnapshot snap;
    snap.Name = Stem(FileName);
    const std::vector<int32_t> order = Tree.AllFolders();
    std::map<int32_t, std::size_t> indexOf;
    snap.Folders.reserve(order.size());
    for (const int32_t id : order) {
        indexOf[id] = snap.Folders.size();
        TSnapshotFolder f;
        f.Folder = *Tree.Find(id);
        f.Path = Tree.PathOf(id);
        snap.Folders.push_back(std::move(f));
    }
    for (TSnapshotFolder& f : snap.Folders) {
        for (const int32_t child : Tree.Children(f.Folder.ID))
            f.Children.push_back(indexOf.at(child));
        if (f.Folder.ParentID == TFolderTree::kRootID)
            snap.Categories.push_back(indexOf.at(f.Folder.ID));
    }

    // Every owner's attachment list, read once when the first note needs it (where reading the
    // lists note by note would first have read the table).
    std::optional<std::map<int32_t, TAttachDataHeaderAry>> attachments;
    // Every kind is read from every folder: the data layer does not keep entries to their
    // category's folders, and an export that skipped a misfiled entry would lose it.
    for (TSnapshotFolder& f : snap.Folders) {
        const int32_t id = f.Folder.ID;
        Box.GetNetItemList(id, false, f.Web);
        SortBySortCode(f.Web);
        Box.GetBankItemList(id, false, f.Bank);
        SortBySortCode(f.Bank);
        TZmbCommItems notes;
        Box.GetCommItemList(id, false, notes);
        SortBySortCode(notes);
        // A folder's attachments are read together, in file order; the order of the notes and of
        // their errors stays that of reading them one by one.
        TIntegerAry ids;
        for (TZmbCommItem& item : notes) {
            TSnapshotNote note;
            note.Item = std::move(item);
            if (!attachments)
                Box.GetAttachmentLists(attachments.emplace());
            static const TAttachDataHeaderAry kNone;
            const auto found = attachments->find(note.Item.ID);
            for (const TAttachDataHeader& h : found == attachments->end() ? kNone : found->second) {
                TAttachData a;
                a.ID = h.ID;
                a.Name = h.Name;
                a.OwnerID = note.Item.ID;
                // As stored (the data layer keeps the size it was given), so a round trip keeps it.
                a.Size = h.Size;
                note.Attachments.push_back(std::move(a));
                ids.push_back(h.ID);
            }
            snap.AttachmentCount += note.Attachments.size();
            f.Notes.push_back(std::move(note));
        }
        std::size_t noteAt = 0, attachAt = 0;
        Box.GetAttachments(ids, [&](int32_t ID, const TMemoryStream* Content) {
            if (Content == nullptr)
                RaiseFileError(ecFileFault, FileName, "attachment " + std::to_string(ID) + " cannot be read");
            while (attachAt == f.Notes[noteAt].Attachments.size()) {
                ++noteAt;
                attachAt = 0;
            }
            f.Notes[noteAt].Attachments[attachAt++].Bin = TSecretString(
                std::string(reinterpret_cast<const char*>(Content->Memory()), static_cast<std::size_t>(Content->Size())));
        });
        snap.WebCount += f.Web.size();
        snap.BankCount += f.Bank.size();
        snap.NoteCount += f.Notes.size();
    }
    return snap;
}
