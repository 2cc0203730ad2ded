// Copies of a table's physical records by record id, so repeated reads do not go to the file.
// A miss reads ahead up to 100 records of the same area. With the database's MaxCache set, each
// new entry first evicts one entry chosen at random once the limit is reached.
//
// Entries are found through a hash table rather than a sorted array: read-ahead inserts runs of
// ids at arbitrary places, which would make a sorted array quadratic on large tables.
//
// Get raises what reading raises (ENorkFileCorrupt for a bad signature, EFileError); the rest
// raises nothing but memory exhaustion. Threads: the table's.
#pragma once

#include "dataproc/MemoryStream.h"

#include <cstdint>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

class TNorkTable;

class TRecordCache {
public:
    // Raises "Table is nil" for a null table.
    explicit TRecordCache(TNorkTable* ATable);
    ~TRecordCache();
    TRecordCache(const TRecordCache&) = delete;
    TRecordCache& operator=(const TRecordCache&) = delete;

    int Count() const { return static_cast<int>(FEntries.size()); }
    bool Cached(int32_t SysRecordID) const { return FPositions.count(SysRecordID) != 0; }

    // Stores a copy of the table's PhyRecSize bytes under the id (overwriting an existing copy)
    // and answers it.
    uint8_t* Add(int32_t SysRecordID, const uint8_t* PhyRecBuffer);
    void Delete(int32_t SysRecordID);
    void Clear();
    // Copies the id's physical record into PhyRecBuffer (PhyRecSize bytes), reading a batch from
    // the file on a miss. Every record of the batch has its signature checked; live records are
    // cached when the table's id map places them at that slot.
    void Get(int32_t SysRecordID, uint8_t* PhyRecBuffer);

private:
    struct TEntry {
        int32_t Id;
        std::unique_ptr<uint8_t[]> Data;
    };

    void EvictOne();
    void RemoveAt(std::size_t Pos);

    TNorkTable* FTable;
    std::vector<TEntry> FEntries;
    std::unordered_map<int32_t, std::size_t> FPositions; // id -> position in FEntries
    TMemoryStream FBatch;
    std::minstd_rand FRandom;
};
