// What differs between the three kinds of entries: table record size, the record's packing and
// where its folder, sort code and deleted flag lie. The entry operations are written once over
// these descriptions. Packing and unpacking raise nothing but memory exhaustion; any thread.
#pragma once

#include "boxdata/StoredRecords.h"
#include "boxdata/ZembraTypes.h"

struct TNetItemKind {
    using Item = TZmbNetItem;
    static constexpr int kRecordSize = NetItemRec::kSize;
    static constexpr int kSortCode = NetItemRec::kSortCode;
    static constexpr int kDeleted = NetItemRec::kDeleted;
    static void Pack(const Item& I, uint8_t* Rec) { PackNetItem(I, Rec); }
    static void Unpack(const uint8_t* Rec, Item& I) { UnpackNetItem(Rec, I); }
};

struct TBankItemKind {
    using Item = TZmbBankItem;
    static constexpr int kRecordSize = BankItemRec::kSize;
    static constexpr int kSortCode = BankItemRec::kSortCode;
    static constexpr int kDeleted = BankItemRec::kDeleted;
    static void Pack(const Item& I, uint8_t* Rec) { PackBankItem(I, Rec); }
    static void Unpack(const uint8_t* Rec, Item& I) { UnpackBankItem(Rec, I); }
};

struct TCommItemKind {
    using Item = TZmbCommItem;
    static constexpr int kRecordSize = CommItemRec::kSize;
    static constexpr int kSortCode = CommItemRec::kSortCode;
    static constexpr int kDeleted = CommItemRec::kDeleted;
    static void Pack(const Item& I, uint8_t* Rec) { PackCommItem(I, Rec); }
    static void Unpack(const uint8_t* Rec, Item& I) { UnpackCommItem(Rec, I); }
};

// Every entry record starts with the id of its folder.
constexpr int kEntryFolderID = 0;
