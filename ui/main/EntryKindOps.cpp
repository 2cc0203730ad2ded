#include "ui/main/EntryKindOps.h"

namespace {

template <class TItem>
std::unique_ptr<TItemList> LoadItems(int32_t FolderID)
{
    std::vector<TItem> items;
    TEntryKind<TItem>::GetList(FolderID, items);
    auto list = std::make_unique<typename TEntryKind<TItem>::TList>();
    for (const TItem& item : items)
        list->Add(item);
    list->SortBySortCode();
    return list;
}

template <class TItem>
bool GetFolder(int32_t ID, int32_t& FolderID)
{
    TItem item;
    if (!TEntryKind<TItem>::Get(ID, item))
        return false;
    FolderID = item.FolderID;
    return true;
}

} // namespace

std::unique_ptr<TItemList> LoadItemsOf(TZembraType Kind, int32_t FolderID)
{
    switch (Kind) {
    case ztNetItem: return LoadItems<TZmbNetItem>(FolderID);
    case ztBankItem: return LoadItems<TZmbBankItem>(FolderID);
    case ztCommItem: return LoadItems<TZmbCommItem>(FolderID);
    default: return nullptr;
    }
}

void DeleteEntry(TZembraType Kind, int32_t ID)
{
    switch (Kind) {
    case ztNetItem: DbFileMgr.DeleteNetItem(ID); break;
    case ztBankItem: DbFileMgr.DeleteBankItem(ID); break;
    case ztCommItem: DbFileMgr.DeleteCommItem(ID); break;
    default: break;
    }
}

void ModifyEntrySortCode(TZembraType Kind, int32_t ID, int32_t SortCode)
{
    switch (Kind) {
    case ztNetItem: DbFileMgr.ModifyNetItemSortCode(ID, SortCode); break;
    case ztBankItem: DbFileMgr.ModifyBankItemSortCode(ID, SortCode); break;
    case ztCommItem: DbFileMgr.ModifyCommItemSortCode(ID, SortCode); break;
    default: break;
    }
}

void MoveEntries(TZembraType Kind, const TIntegerAry& IDs, int32_t FolderID)
{
    switch (Kind) {
    case ztNetItem: DbFileMgr.MoveNetItems(IDs, FolderID); break;
    case ztBankItem: DbFileMgr.MoveBankItems(IDs, FolderID); break;
    case ztCommItem: DbFileMgr.MoveCommItems(IDs, FolderID); break;
    default: break;
    }
}

bool GetEntryFolder(TZembraType Kind, int32_t ID, int32_t& FolderID)
{
    switch (Kind) {
    case ztNetItem: return GetFolder<TZmbNetItem>(ID, FolderID);
    case ztBankItem: return GetFolder<TZmbBankItem>(ID, FolderID);
    case ztCommItem: return GetFolder<TZmbCommItem>(ID, FolderID);
    default: return false;
    }
}
