#include "cli/transfer/BoxSnapshot.h"

#include "cli/CliError.h"
#include "cli/EntryView.h"
#include "cli/FileData.h"

#include <map>

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
        for (TZmbCommItem& item : notes) {
            TSnapshotNote note;
            note.Item = std::move(item);
            TAttachDataHeaderAry headers;
            Box.GetAttachmentList(headers, note.Item.ID);
            for (const TAttachDataHeader& h : headers) {
                TMemoryStream content; // wiped when released
                if (!Box.GetAttachment(h.ID, content))
                    RaiseFileError(ecFileFault, FileName, "attachment " + std::to_string(h.ID) + " cannot be read");
                TAttachData a;
                a.ID = h.ID;
                a.Name = h.Name;
                a.OwnerID = note.Item.ID;
                a.Bin = TSecretString(std::string(reinterpret_cast<const char*>(content.Memory()),
                                                  static_cast<std::size_t>(content.Size())));
                // As stored (the data layer keeps the size it was given), so a round trip keeps it.
                a.Size = h.Size;
                note.Attachments.push_back(std::move(a));
            }
            snap.AttachmentCount += note.Attachments.size();
            f.Notes.push_back(std::move(note));
        }
        snap.WebCount += f.Web.size();
        snap.BankCount += f.Bank.size();
        snap.NoteCount += f.Notes.size();
    }
    return snap;
}
