// The password box's operations on entries, by kind: a trait per record type for the operations
// that carry records, and functions by kind for those that need only ids. The window's commands
// are written once over these. Everything raises what the password box raises.
#pragma once

#include "boxdata/DbFileMgr.h"
#include "ui/main/ItemList.h"

#include <memory>

template <class TItem>
struct TEntryKind;

template <>
struct TEntryKind<TZmbNetItem> {
    static constexpr TZembraType Kind = ztNetItem;
    using TList = TNetItemList;
    static void GetList(int32_t FolderID, TZmbNetItems& List) { DbFileMgr.GetNetItemList(FolderID, false, List); }
    static int32_t MaxSortCode(int32_t FolderID) { return DbFileMgr.GetNetMaxSortCode(FolderID); }
    static void Add(const TZmbNetItem& Item, int32_t& ID) { DbFileMgr.AddNetItem(Item, ID); }
    static void Modify(int32_t ID, const TZmbNetItem& Item) { DbFileMgr.ModifyNetItem(ID, Item); }
    static bool Get(int32_t ID, TZmbNetItem& Item) { return DbFileMgr.GetNetItem(ID, Item); }
};

template <>
struct TEntryKind<TZmbBankItem> {
    static constexpr TZembraType Kind = ztBankItem;
    using TList = TBankItemList;
    static void GetList(int32_t FolderID, TZmbBankItems& List) { DbFileMgr.GetBankItemList(FolderID, false, List); }
    static int32_t MaxSortCode(int32_t FolderID) { return DbFileMgr.GetBankMaxSortCode(FolderID); }
    static void Add(const TZmbBankItem& Item, int32_t& ID) { DbFileMgr.AddBankItem(Item, ID); }
    static void Modify(int32_t ID, const TZmbBankItem& Item) { DbFileMgr.ModifyBankItem(ID, Item); }
    static bool Get(int32_t ID, TZmbBankItem& Item) { return DbFileMgr.GetBankItem(ID, Item); }
};

template <>
struct TEntryKind<TZmbCommItem> {
    static constexpr TZembraType Kind = ztCommItem;
    using TList = TCommItemList;
    static void GetList(int32_t FolderID, TZmbCommItems& List) { DbFileMgr.GetCommItemList(FolderID, false, List); }
    static int32_t MaxSortCode(int32_t FolderID) { return DbFileMgr.GetCommMaxSortCode(FolderID); }
    static void Add(const TZmbCommItem& Item, int32_t& ID) { DbFileMgr.AddCommItem(Item, ID); }
    static void Modify(int32_t ID, const TZmbCommItem& Item) { DbFileMgr.ModifyCommItem(ID, Item); }
    static bool Get(int32_t ID, TZmbCommItem& Item) { return DbFileMgr.GetCommItem(ID, Item); }
};

// The live entries of FolderID of Kind in the default order (null for ztNone).
std::unique_ptr<TItemList> LoadItemsOf(TZembraType Kind, int32_t FolderID);
// Deletes the entry (a general one with its attachments).
void DeleteEntry(TZembraType Kind, int32_t ID);
void ModifyEntrySortCode(TZembraType Kind, int32_t ID, int32_t SortCode);
// Moves the entries into FolderID, after the entries it holds.
void MoveEntries(TZembraType Kind, const TIntegerAry& IDs, int32_t FolderID);
// The folder of an entry; false when there is no such entry.
bool GetEntryFolder(TZembraType Kind, int32_t ID, int32_t& FolderID);
