// Entry operations of the password box for the three kinds; the shared logic is in EntryOps.h.
#include "boxdata/DbFileMgr.h"

#include "boxdata/EntryOps.h"
#include "dataproc/UpdateBracket.h"
#include "storage/Nork.h"

// ---- web entries ----

void TDbFileMgr::GetNetItemList(int32_t FolderID, bool Deleted, TZmbNetItems& List)
{
    EntryOps::GetList<TNetItemKind>(*FNetItemTable, FolderID, Deleted, List);
}

void TDbFileMgr::AddNetItem(const TZmbNetItem& Item, int32_t& ID)
{
    ID = EntryOps::Add<TNetItemKind>(*FNetItemTable, Item);
}

void TDbFileMgr::ModifyNetItem(int32_t ItemID, const TZmbNetItem& Item)
{
    EntryOps::Modify<TNetItemKind>(*FNetItemTable, ItemID, Item);
}

void TDbFileMgr::MoveNetItems(const TIntegerAry& ItemIDs, int32_t NewFolderID)
{
    EntryOps::Move<TNetItemKind>(*FNetItemTable, ItemIDs, NewFolderID);
}

void TDbFileMgr::DeleteNetItem(int32_t ItemID)
{
    FNetItemTable->DeleteRecord(ItemID);
}

void TDbFileMgr::ModifyNetItemSortCode(int32_t ItemID, int32_t NewSortCode)
{
    EntryOps::ModifySortCode<TNetItemKind>(*FNetItemTable, ItemID, NewSortCode);
}

bool TDbFileMgr::GetNetItem(int32_t ItemID, TZmbNetItem& Item)
{
    return EntryOps::Get<TNetItemKind>(*FNetItemTable, ItemID, Item);
}

int32_t TDbFileMgr::GetNetMaxSortCode(int32_t FolderID)
{
    return EntryOps::MaxSortCode<TNetItemKind>(*FNetItemTable, FolderID);
}

// ---- bank entries ----

void TDbFileMgr::GetBankItemList(int32_t FolderID, bool Deleted, TZmbBankItems& List)
{
    EntryOps::GetList<TBankItemKind>(*FBankItemTable, FolderID, Deleted, List);
}

void TDbFileMgr::AddBankItem(const TZmbBankItem& Item, int32_t& ID)
{
    ID = EntryOps::Add<TBankItemKind>(*FBankItemTable, Item);
}

void TDbFileMgr::ModifyBankItem(int32_t ItemID, const TZmbBankItem& Item)
{
    EntryOps::Modify<TBankItemKind>(*FBankItemTable, ItemID, Item);
}

void TDbFileMgr::MoveBankItems(const TIntegerAry& ItemIDs, int32_t NewFolderID)
{
    EntryOps::Move<TBankItemKind>(*FBankItemTable, ItemIDs, NewFolderID);
}

void TDbFileMgr::DeleteBankItem(int32_t ItemID)
{
    FBankItemTable->DeleteRecord(ItemID);
}

void TDbFileMgr::ModifyBankItemSortCode(int32_t ItemID, int32_t NewSortCode)
{
    EntryOps::ModifySortCode<TBankItemKind>(*FBankItemTable, ItemID, NewSortCode);
}

bool TDbFileMgr::GetBankItem(int32_t ItemID, TZmbBankItem& Item)
{
    return EntryOps::Get<TBankItemKind>(*FBankItemTable, ItemID, Item);
}

int32_t TDbFileMgr::GetBankMaxSortCode(int32_t FolderID)
{
    return EntryOps::MaxSortCode<TBankItemKind>(*FBankItemTable, FolderID);
}

// ---- general entries ----

void TDbFileMgr::GetCommItemList(int32_t FolderID, bool Deleted, TZmbCommItems& List)
{
    EntryOps::GetList<TCommItemKind>(*FCommItemTable, FolderID, Deleted, List);
}

void TDbFileMgr::AddCommItem(const TZmbCommItem& Item, int32_t& ID)
{
    ID = EntryOps::Add<TCommItemKind>(*FCommItemTable, Item);
}

void TDbFileMgr::ModifyCommItem(int32_t ItemID, const TZmbCommItem& Item)
{
    EntryOps::Modify<TCommItemKind>(*FCommItemTable, ItemID, Item);
}

void TDbFileMgr::MoveCommItems(const TIntegerAry& ItemIDs, int32_t NewFolderID)
{
    EntryOps::Move<TCommItemKind>(*FCommItemTable, ItemIDs, NewFolderID);
}

void TDbFileMgr::DeleteCommItem(int32_t ItemID)
{
    TUpdateBracket bracket(*FCommItemTable);
    FCommItemTable->DeleteRecord(ItemID);
    DeleteAttachments(ItemID);
}

void TDbFileMgr::ModifyCommItemSortCode(int32_t ItemID, int32_t NewSortCode)
{
    EntryOps::ModifySortCode<TCommItemKind>(*FCommItemTable, ItemID, NewSortCode);
}

bool TDbFileMgr::GetCommItem(int32_t ItemID, TZmbCommItem& Item)
{
    return EntryOps::Get<TCommItemKind>(*FCommItemTable, ItemID, Item);
}

int32_t TDbFileMgr::GetCommMaxSortCode(int32_t FolderID)
{
    return EntryOps::MaxSortCode<TCommItemKind>(*FCommItemTable, FolderID);
}
