// A secondary index of a table: the live records in the order of up to eight key fields of the
// record data, ties broken by record id. On disk it is a singly linked list through the physical
// records (the index header holds the first slot, each record the next one); in memory it is the
// list of ids in that order, kept equal to the chain by every append, deletion, modification and
// emptying of the table.
//
// Errors and threads as for the table it belongs to: the searches read records through the table
// and raise what reading raises (ENorkFileCorrupt, cipher errors); Count and GetSysRecordID
// answer and never raise.
#pragma once

#include "storage/NorkLayout.h"

#include <cstdint>
#include <string>
#include <vector>

class TNorkTable;
class TNorkFileIO;

enum TNorkCompareOpr { coEQ = 0, coNE = 1, coGT = 2, coLT = 3, coGE = 4, coLE = 5 };

// Bytes a key field of this type takes in the record: 0 for itString (compared up to its zero)
// and for values outside the enumeration. itDate and itTime are 8-byte floating-point values,
// like itDateTime, so they are checked with the width they are compared with.
int IndexFieldWidth(uint8_t IndexType);

// One key field of two records compared as the index compares it: -1, 0 or 1. Size is the bytes
// the field may use (for itString, up to the end of the record); 0 compares as equal.
int CompareIndexField(uint8_t Type, const uint8_t* A, const uint8_t* B, int32_t Size);

// What opening a table hands to each of its indexes: for every slot (base area, then the used
// part of the alive area) the record id and the next-slot links of all its indexes.
struct TNorkChainImage {
    int IndexCount = 0;
    std::vector<int32_t> SlotIds;
    std::vector<int32_t> Links; // slot * IndexCount + index

    int64_t SlotCount() const { return static_cast<int64_t>(SlotIds.size()); }
};

class TNorkIndex {
public:
    // Reads the index's name and fields from the table's header and its order from the chain.
    // Raises "Table is nil" for a null table and ENorkFileCorrupt when the chain leaves the
    // record areas, runs in a cycle or does not list exactly the table's live records.
    TNorkIndex(TNorkTable* ATable, TNorkFileIO* AFileIO, int AIndexIdx, const TNorkChainImage& Image);
    TNorkIndex(const TNorkIndex&) = delete;
    TNorkIndex& operator=(const TNorkIndex&) = delete;

    const std::string& IndexName() const { return FIndexName; }
    int IndexIdx() const { return FIndexIdx; }
    // Ids in the index.
    int Count() const { return static_cast<int>(FRecordList.size()); }
    // Id at a position of the index order; 0 when out of range.
    int32_t GetSysRecordID(int RecordIndex) const;

    // Key buffers have the layout of the table's record data (RecordSize bytes); only the key
    // fields are looked at.
    //
    // Id of a record whose key fields equal the buffer's (any one of several); -1 when none.
    int32_t Find(const void* RecordBuffer);
    // IDList receives, in index order, the ids whose keys stand in the given relation to the
    // buffer's key (record key = key for coEQ, <> for coNE, > for coGT, ...); answers their number.
    int Filter(const void* RecordBuffer, TNorkCompareOpr CompareOpr, std::vector<int32_t>& IDList);
    // The ids whose keys lie between the two keys, both included.
    int Filter(const void* StartRecBuffer, const void* EndRecBuffer, std::vector<int32_t>& IDList);
    // Rearranges IDList into index order, dropping ids the index does not hold.
    void Sort(std::vector<int32_t>& IDList);

    // ---- kept in step by the table ----

    // After the record was appended (or rewritten) at Slot with the plain data RecordBuffer.
    void InsertID(int32_t SysRecordID, int64_t Slot, const void* RecordBuffer);
    // After the record was deleted, or before it is inserted again with new data.
    void RemoveID(int32_t SysRecordID);
    // After the table was emptied.
    void ClearList();

private:
    struct TEntry {
        int32_t Id;
        int32_t Slot;
    };
    // A key field as compared: where it is in the record, and the bytes compared. A field that
    // does not lie inside the record compares as equal, so no comparison reads past the record.
    struct TKeyField {
        int32_t Offset;
        uint8_t Type;
        int32_t Size;      // bytes compared; 0 = always equal
        int32_t KeyOffset; // place in the extracted key
    };

    // The key fields of a record (plain data, RecordSize bytes) side by side.
    void ExtractKey(const uint8_t* RecordData, uint8_t* Key) const;
    // -1, 0 or 1 as the first key is smaller than, equal to or larger than the second.
    int CompareKeys(const uint8_t* A, const uint8_t* B) const;
    // The extracted key of the record listed at Position, from the key store or read through the
    // table (cache, deciphering).
    const uint8_t* KeyAt(int Position);
    // Key compared with the record at Position; with an id, ties are broken by the id.
    int CompareKey(const uint8_t* Key, int Position);
    int CompareKey(const uint8_t* Key, int32_t SysRecordID, int Position);
    int InsertPosition(const uint8_t* Key, int32_t SysRecordID);
    int LowerBound(const uint8_t* Key);
    int UpperBound(const uint8_t* Key);
    // Position of the id in the list, -1 when it is not listed.
    int PositionOf(int32_t SysRecordID);
    void WriteLink(int64_t Slot, int32_t NextSlot);
    void SetFirstSlot(int32_t Slot);
    const uint8_t* SearchKey(const void* RecordBuffer, int Which);

    TNorkTable* FTable;
    TNorkFileIO* FFileIO;
    int FIndexIdx;
    std::string FIndexName;
    std::vector<TEntry> FRecordList;

    std::vector<TKeyField> FFields;
    int32_t FKeySize = 0;
    int32_t FRecordSize = 0;
    // Extracted keys by slot, so comparisons need not read and decipher records over and over.
    // Kept only for keys of at most kMaxStoredKey bytes (every fixed-width combination).
    bool FStoreKeys = false;
    std::vector<uint8_t> FKeyStore;
    std::vector<uint8_t> FKeyKnown;
    std::vector<uint8_t> FSearchKeys; // the keys of the current search (two for a range)
    std::vector<uint8_t> FRecordKey;  // a key read from a record when it is not stored
    std::vector<uint8_t> FRecordData;
};
