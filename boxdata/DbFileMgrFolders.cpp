// Folder operations of the password box. Tree rules (what may be renamed, moved or deleted) are
// the caller's; here every operation does what it is asked.
#include "boxdata/DbFileMgr.h"

#include "boxdata/EntryOps.h"
#include "boxdata/RecordBuffer.h"
#include "boxdata/StoredRecords.h"
#include "dataproc/UpdateBracket.h"
#include "storage/Nork.h"

#include <algorithm>

void TDbFileMgr::GetFolderList(int32_t ParentID, TZembraFolders& List)
{
    const std::vector<int32_t> ids = EntryOps::FilterByFirstField(*FFolderTable, "ParentID", ParentID);
    List.clear();
    List.reserve(ids.size());
    TRecordBuffer rec;
    for (int32_t id : ids) {
        if (!FFolderTable->ReadRecord(id, rec.Data()))
            continue;
        TZembraFolder folder;
        UnpackFolder(rec.Data(), folder);
        folder.ID = id;
        folder.ParentID = ParentID;
        List.push_back(std::move(folder));
    }
}

void TDbFileMgr::AddFolder(const TZembraFolder& ZembraFolder, int32_t& ID)
{
    TRecordBuffer rec;
    PackFolder(ZembraFolder, rec.Data());
    ID = FFolderTable->AppendRecord(rec.Data(), FolderRec::kSize, 0);
}

void TDbFileMgr::ModifyFolder(int32_t FolderID, const std::string& NewName)
{
    TUpdateBracket bracket(*FFolderTable);
    TRecordBuffer rec;
    if (!FFolderTable->ReadRecord(FolderID, rec.Data()))
        return;
    PutText(rec.Data(), FolderRec::kName, NewName);
    FFolderTable->ModifyRecord(FolderID, rec.Data(), FolderRec::kSize);
}

void TDbFileMgr::ModifyFolderSortCode(int32_t FolderID, int32_t NewSortCode)
{
    TUpdateBracket bracket(*FFolderTable);
    TRecordBuffer rec;
    if (!FFolderTable->ReadRecord(FolderID, rec.Data()))
        return;
    PutInt32(rec.Data(), FolderRec::kSortCode, NewSortCode);
    FFolderTable->ModifyRecord(FolderID, rec.Data(), FolderRec::kSize);
}

void TDbFileMgr::MoveFolder(int32_t FolderID, int32_t NewParentID)
{
    TUpdateBracket bracket(*FFolderTable);
    TZembraFolders siblings;
    GetFolderList(NewParentID, siblings);
    int32_t m = 0;
    for (const TZembraFolder& f : siblings)
        m = std::max(m, f.SortCode);
    TRecordBuffer rec;
    if (!FFolderTable->ReadRecord(FolderID, rec.Data()))
        return;
    PutInt32(rec.Data(), FolderRec::kParentID, NewParentID);
    PutInt32(rec.Data(), FolderRec::kSortCode, m + 1);
    FFolderTable->ModifyRecord(FolderID, rec.Data(), FolderRec::kSize);
}

void TDbFileMgr::DeleteFolder(int32_t FolderID)
{
    // One bracket for the whole tree: the file is opened and flushed once, not per record.
    TUpdateBracket bracket(*FFolderTable);
    FFolderTable->DeleteRecord(FolderID);
    for (int32_t id : EntryOps::FilterByFirstField(*FNetItemTable, "FolderID", FolderID))
        DeleteNetItem(id);
    for (int32_t id : EntryOps::FilterByFirstField(*FBankItemTable, "FolderID", FolderID))
        DeleteBankItem(id);
    for (int32_t id : EntryOps::FilterByFirstField(*FCommItemTable, "FolderID", FolderID))
        DeleteCommItem(id);
    for (int32_t id : EntryOps::FilterByFirstField(*FFolderTable, "ParentID", FolderID))
        DeleteFolder(id);
}
