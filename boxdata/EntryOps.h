// The entry operations, written once for the three kinds (see EntryKinds.h). Each works on the
// kind's open table; the comments (a general entry's body) are blob 0 as code-page-936 text.
// They raise what the table raises (a change that raises was taken back); Get answers false for
// an id that is not there. Threads: the table's.
#pragma once

#include "boxdata/EntryKinds.h"
#include "boxdata/RecordBlob.h"
#include "boxdata/RecordBuffer.h"
#include "dataproc/UpdateBracket.h"
#include "storage/Nork.h"
#include "storage/NorkRecordScan.h"

#include <algorithm>
#include <vector>

namespace EntryOps {

// Ids of the records whose first field (folder or owner id) equals Key, ascending.
inline std::vector<int32_t> FilterByFirstField(TNorkTable& Table, const char* IndexName, int32_t Key)
{
    TRecordBuffer key;
    PutInt32(key.Data(), 0, Key);
    std::vector<int32_t> ids;
    Table.GetIndex(IndexName)->Filter(key.Data(), coEQ, ids);
    return ids;
}

// A large folder's records are decoded on every core; the list keeps the ids' order.
template <class K>
void GetList(TNorkTable& Table, int32_t FolderID, bool Deleted, std::vector<typename K::Item>& List)
{
    TNorkRecordScan scan(Table, 0, FilterByFirstField(Table, "FolderID", FolderID));
    List.clear();
    ScanRecords<typename K::Item>(
        scan,
        [&](TScannedRecord& Record, TNorkCodec& Codec) -> std::optional<typename K::Item> {
            if (!Record.Live())
                return std::nullopt;
            const uint8_t* rec = Record.Data(Codec);
            if ((rec[K::kDeleted] != 0) != Deleted)
                return std::nullopt;
            typename K::Item item;
            K::Unpack(rec, item);
            item.ID = Record.ID();
            item.FolderID = FolderID;
            ReadRecordBlob(Table, Record, Codec, item.Comments);
            return item;
        },
        [&](typename K::Item&& Item) { List.push_back(std::move(Item)); });
}

// The record and its comments go in as one write of the engine's, so no entry is ever stored
// without its comments or with another version of them.
template <class K>
int32_t Add(TNorkTable& Table, const typename K::Item& Item)
{
    TRecordBuffer rec;
    K::Pack(Item, rec.Data());
    TMemoryStream comments;
    BlobTextToStream(Item.Comments, comments);
    return Table.AppendRecord(rec.Data(), K::kRecordSize, 0, {&comments});
}

template <class K>
void Modify(TNorkTable& Table, int32_t ItemID, const typename K::Item& Item)
{
    TUpdateBracket bracket(Table);
    TRecordBuffer rec;
    if (!Table.ReadRecord(ItemID, rec.Data()))
        return;
    K::Pack(Item, rec.Data());
    TMemoryStream comments;
    BlobTextToStream(Item.Comments, comments);
    Table.ModifyRecord(ItemID, rec.Data(), K::kRecordSize, {&comments});
}

// Largest sort code of the folder's live entries, starting from 0.
template <class K>
int32_t MaxSortCode(TNorkTable& Table, int32_t FolderID)
{
    int32_t best = 0;
    TRecordBuffer rec;
    for (int32_t id : FilterByFirstField(Table, "FolderID", FolderID)) {
        if (!Table.ReadRecord(id, rec.Data()) || rec.Data()[K::kDeleted] != 0)
            continue;
        best = std::max(best, GetInt32(rec.Data(), K::kSortCode));
    }
    return best;
}

// The entries follow the target folder's own, in the given order, with codes in steps of 1.
template <class K>
void Move(TNorkTable& Table, const std::vector<int32_t>& ItemIDs, int32_t NewFolderID)
{
    TUpdateBracket bracket(Table);
    int32_t m = MaxSortCode<K>(Table, NewFolderID);
    TRecordBuffer rec;
    for (int32_t id : ItemIDs) {
        if (!Table.ReadRecord(id, rec.Data()))
            continue;
        ++m;
        PutInt32(rec.Data(), kEntryFolderID, NewFolderID);
        PutInt32(rec.Data(), K::kSortCode, m);
        Table.ModifyRecord(id, rec.Data(), K::kRecordSize);
    }
}

template <class K>
void ModifySortCode(TNorkTable& Table, int32_t ItemID, int32_t NewSortCode)
{
    TUpdateBracket bracket(Table);
    TRecordBuffer rec;
    if (!Table.ReadRecord(ItemID, rec.Data()))
        return;
    PutInt32(rec.Data(), K::kSortCode, NewSortCode);
    Table.ModifyRecord(ItemID, rec.Data(), K::kRecordSize);
}

template <class K>
bool Get(TNorkTable& Table, int32_t ItemID, typename K::Item& Item)
{
    TRecordBuffer rec;
    if (!Table.ReadRecord(ItemID, rec.Data()))
        return false;
    typename K::Item read;
    K::Unpack(rec.Data(), read);
    read.ID = ItemID;
    ReadRecordBlob(Table, ItemID, read.Comments);
    Item = std::move(read);
    return true;
}

} // namespace EntryOps
