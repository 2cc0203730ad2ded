#include "storage/RecordCache.h"

#include "storage/NorkDatabase.h"
#include "storage/NorkError.h"
#include "storage/NorkTable.h"

#include <cstring>

TRecordCache::TRecordCache(TNorkTable* ATable) : FTable(ATable), FRandom(std::random_device{}())
{
    if (ATable == nullptr)
        RaiseNorkError(SNorkTableNil);
}

TRecordCache::~TRecordCache()
{
    Clear();
}

uint8_t* TRecordCache::Add(int32_t SysRecordID, const uint8_t* PhyRecBuffer)
{
    const auto size = static_cast<std::size_t>(FTable->PhyRecSize());
    const auto it = FPositions.find(SysRecordID);
    if (it != FPositions.end()) {
        uint8_t* data = FEntries[it->second].Data.get();
        std::memcpy(data, PhyRecBuffer, size);
        return data;
    }
    EvictOne();
    auto data = std::make_unique_for_overwrite<uint8_t[]>(size);
    std::memcpy(data.get(), PhyRecBuffer, size);
    FPositions.emplace(SysRecordID, FEntries.size());
    FEntries.push_back(TEntry{SysRecordID, std::move(data)});
    return FEntries.back().Data.get();
}

void TRecordCache::RemoveAt(std::size_t Pos)
{
    FPositions.erase(FEntries[Pos].Id);
    if (Pos + 1 != FEntries.size()) {
        FEntries[Pos] = std::move(FEntries.back());
        FPositions[FEntries[Pos].Id] = Pos;
    }
    FEntries.pop_back();
}

void TRecordCache::Delete(int32_t SysRecordID)
{
    const auto it = FPositions.find(SysRecordID);
    if (it != FPositions.end())
        RemoveAt(it->second);
}

void TRecordCache::Clear()
{
    FEntries.clear();
    FPositions.clear();
    FBatch.Clear();
}

void TRecordCache::EvictOne()
{
    const TNorkDatabase* db = FTable->Database();
    const int limit = db != nullptr ? db->MaxCache() : 0;
    if (limit <= 0 || Count() < limit || FEntries.empty())
        return;
    std::uniform_int_distribution<std::size_t> pick(0, FEntries.size() - 1);
    RemoveAt(pick(FRandom));
}

void TRecordCache::Get(int32_t SysRecordID, uint8_t* PhyRecBuffer)
{
    const auto size = static_cast<std::size_t>(FTable->PhyRecSize());
    const auto it = FPositions.find(SysRecordID);
    if (it != FPositions.end()) {
        std::memcpy(PhyRecBuffer, FEntries[it->second].Data.get(), size);
        return;
    }
    const int64_t firstSlot = FTable->SlotOf(SysRecordID);
    const int count = FTable->ReadRecordBatch(SysRecordID, FBatch);
    const uint8_t* batch = FBatch.Memory();
    for (int k = 0; k < count; ++k) {
        const uint8_t* rec = batch + static_cast<std::size_t>(k) * size;
        FTable->VerifySignature(rec);
        TPhyRecPrefix prefix;
        std::memcpy(&prefix, rec, sizeof(prefix));
        // A damaged file may hold an id twice; only the slot the id map chose speaks for it.
        if (prefix.Deleted == 0 && FTable->SlotOf(prefix.SysRecordID) == firstSlot + k)
            Add(prefix.SysRecordID, rec);
    }
    std::memcpy(PhyRecBuffer, batch, size);
}
