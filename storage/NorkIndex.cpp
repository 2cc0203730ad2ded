#include "storage/NorkIndex.h"

#include "dataproc/AnsiText.h"
#include "dataproc/Wipe.h"
#include "storage/NorkError.h"
#include "storage/NorkFileIO.h"
#include "storage/NorkTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

namespace {

// Keys up to this size are kept per slot; it covers eight fields of the widest fixed type.
constexpr int32_t kMaxStoredKey = 64;

template <class T>
T Load(const uint8_t* P)
{
    T value;
    std::memcpy(&value, P, sizeof(T));
    return value;
}

template <class T>
int CompareValues(const uint8_t* A, const uint8_t* B)
{
    const T a = Load<T>(A);
    const T b = Load<T>(B);
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Not-a-number on either side answers -1, whatever the other value.
int CompareFloats(const uint8_t* A, const uint8_t* B)
{
    const double a = Load<double>(A);
    const double b = Load<double>(B);
    if (std::isnan(a) || std::isnan(b))
        return -1;
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Zero-terminated text compared byte by byte as unsigned values; the end of the record ends it
// as a zero would.
int CompareStrings(const uint8_t* A, const uint8_t* B, int32_t Size)
{
    for (int32_t i = 0; i < Size; ++i) {
        if (A[i] != B[i])
            return A[i] < B[i] ? -1 : 1;
        if (A[i] == 0)
            return 0;
    }
    return 0;
}

} // namespace

int CompareIndexField(uint8_t Type, const uint8_t* A, const uint8_t* B, int32_t Size)
{
    if (Size == 0)
        return 0;
    switch (Type) {
    case itByte:
    case itBoolean: return CompareValues<uint8_t>(A, B);
    case itWord: return CompareValues<uint16_t>(A, B);
    case itLongword: return CompareValues<uint32_t>(A, B);
    case itShortint: return CompareValues<int8_t>(A, B);
    case itSmallint: return CompareValues<int16_t>(A, B);
    case itLongint: return CompareValues<int32_t>(A, B);
    case itDouble:
    case itDate:
    case itTime:
    case itDateTime: return CompareFloats(A, B);
    case itString: return CompareStrings(A, B, Size);
    default: return 0;
    }
}

int IndexFieldWidth(uint8_t IndexType)
{
    switch (IndexType) {
    case itByte:
    case itShortint:
    case itBoolean: return 1;
    case itWord:
    case itSmallint: return 2;
    case itLongword:
    case itLongint: return 4;
    case itDouble:
    case itDate:
    case itTime:
    case itDateTime: return 8;
    default: return 0;
    }
}

TNorkIndex::TNorkIndex(TNorkTable* ATable, TNorkFileIO* AFileIO, int AIndexIdx, const TNorkChainImage& Image)
    : FTable(ATable), FFileIO(AFileIO), FIndexIdx(AIndexIdx)
{
    if (ATable == nullptr)
        RaiseNorkError(SNorkTableNil);
    const TTableHeader& h = ATable->TableHeader();
    if (AIndexIdx < 0 || AIndexIdx >= h.IndexCount || Image.IndexCount != h.IndexCount)
        RaiseFileCorrupt();
    const TIndexHeaderItem& item = h.IndexHeader[AIndexIdx];
    FIndexName = AnsiFieldToStr(item.IndexName, sizeof(item.IndexName));
    if (item.FieldCount < 1 || item.FieldCount > kMaxIndexFields)
        RaiseFileCorrupt();

    FRecordSize = h.RecordSize;
    for (int j = 0; j < item.FieldCount; ++j) {
        TKeyField f{item.FieldItems[j].FieldOffset, item.FieldItems[j].IndexType, 0, FKeySize};
        const int64_t width = f.Type == itString ? int64_t(FRecordSize) - f.Offset : IndexFieldWidth(f.Type);
        if (f.Offset >= 0 && width > 0 && int64_t(f.Offset) + width <= FRecordSize)
            f.Size = static_cast<int32_t>(width);
        FKeySize += f.Size;
        FFields.push_back(f);
    }
    FStoreKeys = FKeySize <= kMaxStoredKey;
    FSearchKeys.assign(std::size_t(2 * FKeySize + 1), 0);
    FRecordKey.assign(std::size_t(FKeySize + 1), 0);

    // The chain, from the header's first slot. A cycle is cut once it lists more ids than the
    // table has live records, and then reported with every other mismatch.
    const int64_t total = Image.SlotCount();
    const int64_t live = ATable->RecordCount();
    int64_t s = item.FirstSlot;
    while (s != -1) {
        if (s < 0 || s >= total)
            RaiseFileCorrupt();
        if (int64_t(FRecordList.size()) > live)
            break;
        FRecordList.push_back(TEntry{Image.SlotIds[std::size_t(s)], static_cast<int32_t>(s)});
        s = Image.Links[std::size_t(s * Image.IndexCount + AIndexIdx)];
    }
    if (int64_t(FRecordList.size()) != live)
        RaiseFileCorrupt();
    // Every listed record must be the live record of its slot: a chain through deleted or
    // duplicate records would make comparisons read records that are not there.
    for (const TEntry& e : FRecordList)
        if (ATable->SlotOf(e.Id) != e.Slot)
            RaiseFileCorrupt();
}

int32_t TNorkIndex::GetSysRecordID(int RecordIndex) const
{
    if (RecordIndex < 0 || RecordIndex >= Count())
        return 0;
    return FRecordList[std::size_t(RecordIndex)].Id;
}

// ---- keys ----

void TNorkIndex::ExtractKey(const uint8_t* RecordData, uint8_t* Key) const
{
    for (const TKeyField& f : FFields)
        if (f.Size > 0)
            std::memcpy(Key + f.KeyOffset, RecordData + f.Offset, std::size_t(f.Size));
}

int TNorkIndex::CompareKeys(const uint8_t* A, const uint8_t* B) const
{
    for (const TKeyField& f : FFields) {
        const int c = CompareIndexField(f.Type, A + f.KeyOffset, B + f.KeyOffset, f.Size);
        if (c != 0)
            return c;
    }
    return 0;
}

const uint8_t* TNorkIndex::SearchKey(const void* RecordBuffer, int Which)
{
    uint8_t* key = FSearchKeys.data() + std::size_t(Which) * std::size_t(FKeySize);
    ExtractKey(static_cast<const uint8_t*>(RecordBuffer), key);
    return key;
}

const uint8_t* TNorkIndex::KeyAt(int Position)
{
    const TEntry& e = FRecordList[std::size_t(Position)];
    const std::size_t slot = std::size_t(e.Slot);
    if (FStoreKeys && slot < FKeyKnown.size() && FKeyKnown[slot])
        return FKeyStore.data() + slot * std::size_t(FKeySize);

    FRecordData.resize(std::size_t(FRecordSize) + 1);
    if (!FTable->ReadRecord(e.Id, FRecordData.data()))
        RaiseFileCorrupt(); // the list holds only live records; anything else is damage
    uint8_t* key = FRecordKey.data();
    ExtractKey(FRecordData.data(), key);
    SecureZero(FRecordData.data(), FRecordData.size());
    if (!FStoreKeys)
        return key;
    if (slot >= FKeyKnown.size()) {
        const std::size_t slots = std::max(slot + 1, FKeyKnown.size() * 2);
        FKeyKnown.resize(slots, 0);
        FKeyStore.resize(slots * std::size_t(FKeySize) + 1, 0);
    }
    uint8_t* stored = FKeyStore.data() + slot * std::size_t(FKeySize);
    std::memcpy(stored, key, std::size_t(FKeySize));
    FKeyKnown[slot] = 1;
    return stored;
}

int TNorkIndex::CompareKey(const uint8_t* Key, int Position)
{
    return CompareKeys(Key, KeyAt(Position));
}

int TNorkIndex::CompareKey(const uint8_t* Key, int32_t SysRecordID, int Position)
{
    const int c = CompareKey(Key, Position);
    if (c != 0)
        return c;
    const int32_t listed = FRecordList[std::size_t(Position)].Id;
    return SysRecordID < listed ? -1 : (SysRecordID > listed ? 1 : 0);
}

// ---- searches ----

int TNorkIndex::InsertPosition(const uint8_t* Key, int32_t SysRecordID)
{
    int lo = 0;
    int hi = Count() - 1;
    int mid = 0;
    int c = 0;
    while (lo <= hi) {
        mid = lo + (hi - lo) / 2;
        c = CompareKey(Key, SysRecordID, mid);
        if (c < 0)
            hi = mid - 1;
        else if (c > 0)
            lo = mid + 1;
        else
            break;
    }
    if (Count() == 0)
        return 0;
    return c < 0 ? mid : mid + 1;
}

int TNorkIndex::LowerBound(const uint8_t* Key)
{
    int lo = 0;
    int hi = Count() - 1;
    int found = Count();
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        if (CompareKey(Key, mid) <= 0) {
            found = mid;
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    return found;
}

int TNorkIndex::UpperBound(const uint8_t* Key)
{
    int lo = 0;
    int hi = Count() - 1;
    int found = -1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        if (CompareKey(Key, mid) >= 0) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return found;
}

int32_t TNorkIndex::Find(const void* RecordBuffer)
{
    const uint8_t* key = SearchKey(RecordBuffer, 0);
    int lo = 0;
    int hi = Count() - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CompareKey(key, mid);
        if (c == 0)
            return FRecordList[std::size_t(mid)].Id;
        if (c < 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return -1;
}

int TNorkIndex::Filter(const void* RecordBuffer, TNorkCompareOpr CompareOpr, std::vector<int32_t>& IDList)
{
    IDList.clear();
    const int n = Count();
    if (n == 0)
        return 0;
    const uint8_t* key = SearchKey(RecordBuffer, 0);
    const int lo = LowerBound(key);
    const int up = UpperBound(key);
    const auto take = [&](int From, int To) {
        for (int i = std::max(From, 0); i <= std::min(To, n - 1); ++i)
            IDList.push_back(FRecordList[std::size_t(i)].Id);
    };
    switch (CompareOpr) {
    case coEQ: take(lo, up); break;
    case coNE:
        take(0, lo - 1);
        take(std::max(up + 1, lo), n - 1);
        break;
    case coGT: take(up + 1, n - 1); break;
    case coLT: take(0, lo - 1); break;
    case coGE: take(lo, n - 1); break;
    case coLE: take(0, up); break;
    default: break;
    }
    return static_cast<int>(IDList.size());
}

int TNorkIndex::Filter(const void* StartRecBuffer, const void* EndRecBuffer, std::vector<int32_t>& IDList)
{
    IDList.clear();
    if (Count() == 0)
        return 0;
    const uint8_t* startKey = SearchKey(StartRecBuffer, 0);
    const uint8_t* endKey = SearchKey(EndRecBuffer, 1);
    const int lo = LowerBound(startKey);
    const int up = UpperBound(endKey);
    for (int i = lo; i <= up; ++i)
        IDList.push_back(FRecordList[std::size_t(i)].Id);
    return std::max(0, up - lo + 1);
}

void TNorkIndex::Sort(std::vector<int32_t>& IDList)
{
    const std::unordered_set<int32_t> wanted(IDList.begin(), IDList.end());
    IDList.clear();
    for (const TEntry& e : FRecordList)
        if (wanted.count(e.Id) != 0)
            IDList.push_back(e.Id);
}

// ---- keeping the chain in step ----

void TNorkIndex::WriteLink(int64_t Slot, int32_t NextSlot)
{
    const int64_t at = FTable->SlotFileOffset(Slot) + int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(FIndexIdx);
    FFileIO->WriteAt(at, &NextSlot, sizeof(NextSlot));
}

void TNorkIndex::SetFirstSlot(int32_t Slot)
{
    FTable->SetIndexFirstSlot(FIndexIdx, Slot);
}

// The in-memory list equals the chain, so the links to write come from it: the new record
// points where its predecessor pointed, and only then does the predecessor (or the header)
// point at it, so the chain on disk is whole between the two writes.
void TNorkIndex::InsertID(int32_t SysRecordID, int64_t Slot, const void* RecordBuffer)
{
    const uint8_t* key = SearchKey(RecordBuffer, 0);
    const int p = InsertPosition(key, SysRecordID);
    const int32_t next = p < Count() ? FRecordList[std::size_t(p)].Slot : -1;
    WriteLink(Slot, next);
    if (p > 0)
        WriteLink(FRecordList[std::size_t(p - 1)].Slot, static_cast<int32_t>(Slot));
    else
        SetFirstSlot(static_cast<int32_t>(Slot));
    FRecordList.insert(FRecordList.begin() + p, TEntry{SysRecordID, static_cast<int32_t>(Slot)});

    if (FStoreKeys) {
        const std::size_t slot = std::size_t(Slot);
        if (slot >= FKeyKnown.size()) {
            const std::size_t slots = std::max(slot + 1, FKeyKnown.size() * 2);
            FKeyKnown.resize(slots, 0);
            FKeyStore.resize(slots * std::size_t(FKeySize) + 1, 0);
        }
        std::memcpy(FKeyStore.data() + slot * std::size_t(FKeySize), key, std::size_t(FKeySize));
        FKeyKnown[slot] = 1;
    }
}

int TNorkIndex::PositionOf(int32_t SysRecordID)
{
    // With the record's key at hand, a binary search finds it; otherwise (or in a list that is not
    // in order, as in a damaged file) a scan does.
    const int64_t slot = FTable->SlotOf(SysRecordID);
    if (FStoreKeys && slot >= 0 && std::size_t(slot) < FKeyKnown.size() && FKeyKnown[std::size_t(slot)]) {
        const uint8_t* key = FKeyStore.data() + std::size_t(slot) * std::size_t(FKeySize);
        int lo = 0;
        int hi = Count() - 1;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            const int c = CompareKey(key, SysRecordID, mid);
            if (c == 0)
                return mid;
            if (c < 0)
                hi = mid - 1;
            else
                lo = mid + 1;
        }
    }
    for (std::size_t i = 0; i < FRecordList.size(); ++i)
        if (FRecordList[i].Id == SysRecordID)
            return static_cast<int>(i);
    return -1;
}

void TNorkIndex::RemoveID(int32_t SysRecordID)
{
    const int p = PositionOf(SysRecordID);
    if (p < 0)
        return;
    const int32_t next = p + 1 < Count() ? FRecordList[std::size_t(p + 1)].Slot : -1;
    if (p > 0)
        WriteLink(FRecordList[std::size_t(p - 1)].Slot, next);
    else
        SetFirstSlot(next);
    const std::size_t slot = std::size_t(FRecordList[std::size_t(p)].Slot);
    FRecordList.erase(FRecordList.begin() + p);
    if (slot < FKeyKnown.size())
        FKeyKnown[slot] = 0;
}

void TNorkIndex::ClearList()
{
    FRecordList.clear();
    FKeyKnown.clear();
    FKeyStore.clear();
    SetFirstSlot(-1);
}
