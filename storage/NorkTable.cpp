#include "storage/NorkTable.h"

#include "dataproc/Wipe.h"
#include "storage/NorkDatabase.h"
#include "storage/NorkError.h"
#include "storage/NorkFileIO.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// Records read ahead into the cache on a miss.
constexpr int kBatchRecords = 100;
// Opening reads the record areas in pieces of about this size.
constexpr int64_t kLoadChunk = 1 << 20;

} // namespace

TNorkTable::TNorkTable(TNorkDatabase* ADatabase)
    : FDatabase(ADatabase), FFileIO(ADatabase != nullptr ? &ADatabase->FileIO() : nullptr), FRecordCache(this)
{
    if (ADatabase == nullptr)
        RaiseNorkError(SNorkDatabaseNil);
    FDatabase->RegisterTable(this);
}

TNorkTable::~TNorkTable()
{
    Close();
    if (FDatabase != nullptr)
        FDatabase->UnregisterTable(this);
}

void TNorkTable::DetachDatabase() noexcept
{
    Close();
    FDatabase = nullptr;
    FFileIO = nullptr;
}

// ---- opening and closing ----

void TNorkTable::Open(const std::string& TableName, [[maybe_unused]] bool OpenIndexes)
{
    Close();
    if (FDatabase == nullptr)
        RaiseNorkError(SNorkDatabaseClosed);
    FDatabase->CheckActive();
    FTableIndex = FDatabase->TableIndexOf(TableName);
    if (FTableIndex < 0)
        RaiseNorkError(SNorkTableNotFound, TableName);
    FActive = true;
    try {
        FTableName = TableName;
        FDatabase->WithFileIO([&] { // one handle for header and records
            LoadHeader();
            FPrefixSize = static_cast<int32_t>(PhyRecPrefixSize(FTableHeader));
            FPhyRecSize = static_cast<int32_t>(PhyRecSizeOf(FTableHeader));
            LoadRecords();
            // Index objects join here, built from the record areas, when OpenIndexes is set.
        });
    } catch (...) {
        Close();
        throw;
    }
}

void TNorkTable::Close()
{
    FActive = false;
    FRecordList.Clear();
    FRecordCache.Clear();
    SecureZero(FPhyRecBuffer.data(), FPhyRecBuffer.size());
    FPhyRecBuffer.clear();
    // The database's file handle belongs to whoever opened it (an operation or a bracket) and is
    // closed by them; a table holds none of its own.
}

void TNorkTable::LoadHeader()
{
    FDatabase->WithFileIO([&] {
        TTableHeader header{};
        FFileIO->ReadTableHeader(FDatabase->TableTab(), FTableIndex, header);
        CheckTableHeader(header, FFileIO->Size());
        FTableHeader = header;
    });
}

void TNorkTable::SaveHeader()
{
    FDatabase->WithFileIO([&] { WriteHeader(FTableHeader); });
}

void TNorkTable::WriteHeader(const TTableHeader& Header)
{
    FFileIO->WriteTableHeader(FDatabase->TableTab(), FTableIndex, Header);
}

void TNorkTable::LoadRecords()
{
    FDatabase->WithFileIO([&] {
        FRecordList.Clear();
        const TTableHeader& h = FTableHeader;
        const int64_t recSize = FPhyRecSize;
        const int64_t total = int64_t(h.BaseUseSpace) + h.AliveUseSpace;
        const int64_t perChunk = std::max<int64_t>(1, kLoadChunk / recSize);
        std::vector<std::pair<int32_t, TMapValue>> live;
        live.reserve(static_cast<std::size_t>(total));
        std::vector<uint8_t> chunk(static_cast<std::size_t>(std::min(total, perChunk) * recSize));

        // Slot numbers run on from the base area into the alive area.
        const auto walk = [&](int64_t offset, int64_t count, int64_t firstSlot) {
            for (int64_t done = 0; done < count;) {
                const int64_t n = std::min(perChunk, count - done);
                if (FFileIO->ReadAt(offset + done * recSize, chunk.data(), n * recSize) != n * recSize)
                    RaiseFileCorrupt();
                for (int64_t k = 0; k < n; ++k) {
                    TPhyRecPrefix prefix;
                    std::memcpy(&prefix, chunk.data() + k * recSize, sizeof(prefix));
                    if (prefix.Deleted == 0)
                        live.emplace_back(int32_t(prefix.SysRecordID), firstSlot + done + k);
                }
                done += n;
            }
        };
        walk(h.BaseDataOfs, h.BaseUseSpace, 0);
        walk(h.AliveDataOfs, h.AliveUseSpace, h.BaseUseSpace);
        // Of an id that occurs twice, the first slot stays.
        FRecordList.Assign(live);
    });
}

// ---- checks and addressing ----

void TNorkTable::CheckTableActive() const
{
    if (FDatabase == nullptr || !FDatabase->Active())
        RaiseNorkError(SNorkDatabaseClosed);
    if (!FActive)
        RaiseNorkError(SNorkTableClosed);
}

void TNorkTable::VerifySignature(const uint8_t* PhyRecBuffer) const
{
    if (FCheckSignature && PhyRecBuffer[0] != kPhyRecSignature)
        RaiseFileCorrupt();
}

int64_t TNorkTable::SlotOf(int32_t SysRecordID) const
{
    TMapValue slot = 0;
    return FRecordList.Find(SysRecordID, slot) ? static_cast<int64_t>(slot) : -1;
}

int64_t TNorkTable::SlotOffset(const TTableHeader& Header, int64_t Slot) const
{
    if (Slot < Header.BaseUseSpace)
        return Header.BaseDataOfs + Slot * FPhyRecSize;
    return Header.AliveDataOfs + (Slot - Header.BaseUseSpace) * FPhyRecSize;
}

int64_t TNorkTable::GetRecordOffset(int32_t SysRecordID) const
{
    const int64_t slot = SlotOf(SysRecordID);
    if (slot < 0)
        RaiseNorkError(SNorkRecordNotFound, SysRecordID);
    if (slot >= int64_t(FTableHeader.BaseUseSpace) + FTableHeader.AliveUseSpace)
        RaiseFileCorrupt();
    return SlotOffset(FTableHeader, slot);
}

void TNorkTable::BuildPhyRecord(uint8_t* PhyRecBuffer, const void* RecordBuffer, int RecordSize, int32_t SysRecordID)
{
    std::memset(PhyRecBuffer, 0, static_cast<std::size_t>(FPhyRecSize));
    const TPhyRecPrefix prefix{kPhyRecSignature, 0, SysRecordID};
    std::memcpy(PhyRecBuffer, &prefix, sizeof(prefix));
    const int dataSize = FTableHeader.RecordSize;
    const int n = std::clamp(RecordSize, 0, dataSize);
    uint8_t* data = PhyRecBuffer + FPrefixSize;
    std::memcpy(data, RecordBuffer, static_cast<std::size_t>(n));
    // The whole data part is enciphered, zero padding included, so a short record reads back.
    if (FDatabase->Encrypted())
        FDatabase->EncodeRecordBuffer(data, data, dataSize, true);
}

int TNorkTable::ReadRecordBatch(int32_t SysRecordID, TMemoryStream& Stream)
{
    const int64_t slot = SlotOf(SysRecordID);
    if (slot < 0)
        RaiseNorkError(SNorkRecordNotFound, SysRecordID);
    const TTableHeader& h = FTableHeader;
    const int64_t areaEnd = slot < h.BaseUseSpace ? int64_t(h.BaseUseSpace) : int64_t(h.BaseUseSpace) + h.AliveUseSpace;
    if (slot >= areaEnd)
        RaiseFileCorrupt();
    const int count = static_cast<int>(std::min<int64_t>(kBatchRecords, areaEnd - slot));
    const int64_t bytes = int64_t(count) * FPhyRecSize;
    const int64_t offset = SlotOffset(h, slot);
    Stream.SetSize(bytes);
    FDatabase->WithFileIO([&] {
        if (FFileIO->ReadAt(offset, Stream.Memory(), bytes) != bytes)
            RaiseFileCorrupt();
    });
    return count;
}

// ---- record operations ----

void TNorkTable::BeginUpdate()
{
    CheckTableActive();
    FDatabase->BeginUpdate();
}

void TNorkTable::EndUpdate()
{
    CheckTableActive();
    FDatabase->EndUpdate();
}

int32_t TNorkTable::AppendRecord(const void* RecordBuffer, int RecordSize, int32_t SysRecordID)
{
    CheckTableActive();
    return FDatabase->WithFileIO([&] {
        int32_t id = SysRecordID;
        if (id < 1) {
            const int32_t last = std::max<int32_t>(FRecordList.LastKey(), 0);
            if (last == INT32_MAX)
                RaiseNorkError(SNorkRecordIdOverflow, last);
            id = last + 1;
        } else if (FRecordList.KeyExists(id)) {
            RaiseNorkError(SNorkRecordExists, id);
        }

        // Work on a copy: the header in memory changes only once the file has the record.
        TTableHeader h = FTableHeader;
        const int64_t recSize = FPhyRecSize;
        if (h.AliveCapacity == 0) {
            if (h.InitAliveCapa < 1)
                RaiseFileCorrupt();
            h.AliveDataOfs = static_cast<int32_t>(FFileIO->AppendBlock(int64_t(h.InitAliveCapa) * recSize));
            h.AliveCapacity = h.InitAliveCapa;
        }
        if (h.AliveUseSpace >= h.AliveCapacity) {
            // Grow by doubling; an area that no longer ends the file moves to the end first.
            // Slot numbers stay, so links between records stay valid.
            const int64_t used = int64_t(h.AliveUseSpace) * recSize;
            const int64_t size = FFileIO->Size();
            if (h.AliveDataOfs + used != size) {
                FFileIO->CopyBlock(h.AliveDataOfs, size, used);
                h.AliveDataOfs = static_cast<int32_t>(size);
            }
            FFileIO->AppendBlock(int64_t(h.AliveCapacity) * recSize);
            h.AliveCapacity *= 2;
        }
        const int64_t areaSlot = h.AliveUseSpace;
        ++h.AliveUseSpace;

        if (FPhyRecBuffer.size() != std::size_t(recSize))
            FPhyRecBuffer.assign(std::size_t(recSize), 0);
        uint8_t* phy = FPhyRecBuffer.data();
        BuildPhyRecord(phy, RecordBuffer, RecordSize, id);
        // The record first, then the header that makes it visible: an interrupted append never
        // leaves a used slot without its record.
        FFileIO->WriteAt(h.AliveDataOfs + areaSlot * recSize, phy, recSize);
        WriteHeader(h);
        FTableHeader = h;

        FRecordList.Add(id, static_cast<TMapValue>(h.BaseUseSpace + areaSlot));
        FRecordCache.Add(id, phy);
        // Index objects take the new id here (with its file offset and the plain RecordBuffer).
        return id;
    });
}

void TNorkTable::DeleteRecord(int32_t SysRecordID)
{
    CheckTableActive();
    FDatabase->WithFileIO([&] {
        const int64_t offset = GetRecordOffset(SysRecordID);
        const uint8_t deleted = 1;
        FFileIO->WriteAt(offset + offsetof(TPhyRecPrefix, Deleted), &deleted, 1);
        FRecordList.Delete(SysRecordID);
        FRecordCache.Delete(SysRecordID);
        // Index objects drop the id here.
    });
}

void TNorkTable::ModifyRecord(int32_t SysRecordID, const void* RecordBuffer, int RecordSize)
{
    CheckTableActive();
    FDatabase->WithFileIO([&] {
        const int64_t offset = GetRecordOffset(SysRecordID);
        if (FPhyRecBuffer.size() != std::size_t(FPhyRecSize))
            FPhyRecBuffer.assign(std::size_t(FPhyRecSize), 0);
        uint8_t* phy = FPhyRecBuffer.data();
        BuildPhyRecord(phy, RecordBuffer, RecordSize, SysRecordID);
        FFileIO->WriteAt(offset + FPrefixSize, phy + FPrefixSize, FPhyRecSize - FPrefixSize);
        // Only the data part of a cached copy is ever read; its links and descriptors are zero.
        FRecordCache.Add(SysRecordID, phy);
        // Index objects remove and re-insert the id here, with the new data.
    });
}

void TNorkTable::ReadRecordData(int32_t SysRecordID, void* RecordBuffer)
{
    if (FPhyRecBuffer.size() != std::size_t(FPhyRecSize))
        FPhyRecBuffer.assign(std::size_t(FPhyRecSize), 0);
    uint8_t* phy = FPhyRecBuffer.data();
    FRecordCache.Get(SysRecordID, phy);
    const int dataSize = FTableHeader.RecordSize;
    std::memcpy(RecordBuffer, phy + FPrefixSize, static_cast<std::size_t>(dataSize));
    if (FDatabase->Encrypted())
        FDatabase->DecodeRecordBuffer(RecordBuffer, RecordBuffer, dataSize, true);
}

bool TNorkTable::ReadRecord(int RecordIndex, int32_t& SysRecordID, void* RecordBuffer)
{
    CheckTableActive();
    if (RecordIndex < 0 || RecordIndex >= FRecordList.Count())
        return false;
    const int32_t id = FRecordList.KeyAt(RecordIndex);
    ReadRecordData(id, RecordBuffer);
    SysRecordID = id;
    return true;
}

bool TNorkTable::ReadRecord(int32_t SysRecordID, void* RecordBuffer)
{
    CheckTableActive();
    if (!FRecordList.KeyExists(SysRecordID))
        return false;
    ReadRecordData(SysRecordID, RecordBuffer);
    return true;
}

int TNorkTable::FindRecord(int32_t SysRecordID) const
{
    return FRecordList.IndexOfKey(SysRecordID);
}

int32_t TNorkTable::GetSysRecordID(int RecordIndex) const
{
    int32_t id = 0;
    TMapValue slot = 0;
    return FRecordList.GetItem(RecordIndex, id, slot) ? id : -1;
}

void TNorkTable::EmptyTable()
{
    CheckTableActive();
    FDatabase->WithFileIO([&] {
        TTableHeader h = FTableHeader;
        h.BaseDataOfs = 0;
        h.BaseUseSpace = 0;
        h.AliveUseSpace = 0;
        WriteHeader(h);
        FTableHeader = h;
        FRecordList.Clear();
        FRecordCache.Clear();
        // Index objects empty their lists here.
    });
}

std::string TNorkTable::FileName() const
{
    return FDatabase != nullptr && FDatabase->Active() ? FDatabase->FileName() : std::string();
}
