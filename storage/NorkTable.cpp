#include "storage/NorkTable.h"

#include "dataproc/AnsiText.h"
#include "dataproc/Wipe.h"
#include "storage/NorkDatabase.h"
#include "storage/NorkError.h"
#include "storage/NorkFileIO.h"
#include "storage/NorkNames.h"

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

void TNorkTable::Open(const std::string& TableName, bool OpenIndexes)
{
    Close();
    if (FDatabase == nullptr)
        RaiseNorkError(SNorkDatabaseClosed);
    FDatabase->CheckActive();
    FTableIndex = FDatabase->TableIndexOf(TableName);
    if (FTableIndex < 0)
        RaiseNorkError(SNorkTableNotFound, TableName);
    FActive = true;
    FOpenIndexes = OpenIndexes;
    try {
        FTableName = TableName;
        FDatabase->WithFileIO([&] { // one handle for header and records
            LoadHeader();
            FPrefixSize = static_cast<int32_t>(PhyRecPrefixSize(FTableHeader));
            FPhyRecSize = static_cast<int32_t>(PhyRecSizeOf(FTableHeader));
            const bool withIndexes = OpenIndexes && FTableHeader.IndexCount > 0;
            TNorkChainImage image;
            LoadRecords(withIndexes ? &image : nullptr);
            if (withIndexes)
                for (int k = 0; k < FTableHeader.IndexCount; ++k)
                    FIndexes.push_back(std::make_unique<TNorkIndex>(this, FFileIO, k, image));
        });
    } catch (...) {
        Close();
        throw;
    }
}

void TNorkTable::Reload() noexcept
{
    const std::string name = FTableName;
    try {
        Open(name, FOpenIndexes);
    } catch (...) {
        Close();
    }
}

void TNorkTable::Close()
{
    FActive = false;
    FIndexes.clear();
    FRecordList.Clear();
    FRecordCache.Clear();
    SecureZero(FPhyRecBuffer.data(), FPhyRecBuffer.size());
    FPhyRecBuffer.clear();
    SecureZero(FPlainBuffer.data(), FPlainBuffer.size());
    FPlainBuffer.clear();
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

void TNorkTable::LoadRecords(TNorkChainImage* Image)
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
        const int indexCount = h.IndexCount;
        if (Image != nullptr) {
            Image->IndexCount = indexCount;
            Image->SlotIds.clear();
            Image->SlotIds.reserve(static_cast<std::size_t>(total));
            Image->Links.clear();
            Image->Links.reserve(static_cast<std::size_t>(total * indexCount));
        }

        // Slot numbers run on from the base area into the alive area.
        const auto walk = [&](int64_t offset, int64_t count, int64_t firstSlot) {
            for (int64_t done = 0; done < count;) {
                const int64_t n = std::min(perChunk, count - done);
                if (FFileIO->ReadAt(offset + done * recSize, chunk.data(), n * recSize) != n * recSize)
                    RaiseFileCorrupt();
                for (int64_t k = 0; k < n; ++k) {
                    const uint8_t* rec = chunk.data() + k * recSize;
                    TPhyRecPrefix prefix;
                    std::memcpy(&prefix, rec, sizeof(prefix));
                    if (prefix.Deleted == 0)
                        live.emplace_back(int32_t(prefix.SysRecordID), firstSlot + done + k);
                    if (Image != nullptr) {
                        Image->SlotIds.push_back(int32_t(prefix.SysRecordID));
                        for (int x = 0; x < indexCount; ++x) {
                            int32_t link;
                            std::memcpy(&link, rec + sizeof(TPhyRecPrefix) + 4 * x, sizeof(link));
                            Image->Links.push_back(link);
                        }
                    }
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

void TNorkTable::SetIndexFirstSlot(int IndexIdx, int32_t Slot)
{
    TTableHeader h = FTableHeader;
    h.IndexHeader[IndexIdx].FirstSlot = Slot;
    WriteHeader(h);
    FTableHeader = h;
}

const uint8_t* TNorkTable::PlainRecord(const void* RecordBuffer, int RecordSize)
{
    const int32_t recordSize = FTableHeader.RecordSize;
    FPlainBuffer.resize(static_cast<std::size_t>(recordSize) + 1);
    const std::size_t n = static_cast<std::size_t>(std::clamp(RecordSize, 0, recordSize));
    std::memcpy(FPlainBuffer.data(), RecordBuffer, n);
    std::memset(FPlainBuffer.data() + n, 0, FPlainBuffer.size() - n);
    return FPlainBuffer.data();
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

void TNorkTable::CancelUpdate() noexcept
{
    if (FDatabase != nullptr)
        FDatabase->CancelUpdate();
}

int32_t TNorkTable::AppendRecord(const void* RecordBuffer, int RecordSize, int32_t SysRecordID)
{
    return AppendRecord(RecordBuffer, RecordSize, SysRecordID, {});
}

int32_t TNorkTable::AppendRecord(const void* RecordBuffer, int RecordSize, int32_t SysRecordID,
                                 const std::vector<TMemoryStream*>& Blobs)
{
    CheckTableActive();
    for (std::size_t b = 0; b < Blobs.size(); ++b)
        if (Blobs[b] != nullptr)
            CheckBlobIndex(static_cast<int>(b));
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
        // The blobs' blocks, then the record, then the header that makes it visible: an
        // interrupted append never leaves a used slot without its record, nor a record without
        // the blob bytes it points at.
        StoreNewBlocks(Blobs, phy, nullptr);
        FFileIO->WriteAt(h.AliveDataOfs + areaSlot * recSize, phy, recSize);
        WriteHeader(h);
        FTableHeader = h;

        const int64_t slot = h.BaseUseSpace + areaSlot;
        FRecordList.Add(id, static_cast<TMapValue>(slot));
        FRecordCache.Add(id, phy);
        if (!FIndexes.empty()) {
            const uint8_t* plain = PlainRecord(RecordBuffer, RecordSize);
            for (auto& index : FIndexes)
                index->InsertID(id, slot, plain);
            SecureZero(FPlainBuffer.data(), FPlainBuffer.size());
        }
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
        // The indexes go first: they find the id's stored key through its slot in the map.
        for (auto& index : FIndexes)
            index->RemoveID(SysRecordID);
        FRecordList.Delete(SysRecordID);
        FRecordCache.Delete(SysRecordID);
    });
}

void TNorkTable::ModifyRecord(int32_t SysRecordID, const void* RecordBuffer, int RecordSize)
{
    ModifyRecord(SysRecordID, RecordBuffer, RecordSize, {});
}

void TNorkTable::ModifyRecord(int32_t SysRecordID, const void* RecordBuffer, int RecordSize,
                              const std::vector<TMemoryStream*>& Blobs)
{
    CheckTableActive();
    bool withBlobs = false;
    for (std::size_t b = 0; b < Blobs.size(); ++b)
        if (Blobs[b] != nullptr) {
            CheckBlobIndex(static_cast<int>(b));
            withBlobs = true;
        }
    FDatabase->WithFileIO([&] {
        const int64_t offset = GetRecordOffset(SysRecordID);
        if (FPhyRecBuffer.size() != std::size_t(FPhyRecSize))
            FPhyRecBuffer.assign(std::size_t(FPhyRecSize), 0);
        uint8_t* phy = FPhyRecBuffer.data();
        BuildPhyRecord(phy, RecordBuffer, RecordSize, SysRecordID);
        if (withBlobs) {
            // Descriptors and data sit side by side: one write changes both.
            const int64_t descriptors = int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(FTableHeader.IndexCount);
            std::vector<uint8_t> old(static_cast<std::size_t>(FPhyRecSize), 0);
            for (int b = 0; b < FTableHeader.BlobCount; ++b) {
                const int64_t at = descriptors + int64_t(sizeof(TBlobInfo)) * b;
                const TBlobInfo info = ReadBlobInfo(offset + at);
                std::memcpy(old.data() + at, &info, sizeof(info));
                std::memcpy(phy + at, &info, sizeof(info));
            }
            StoreNewBlocks(Blobs, phy, old.data());
            FFileIO->WriteAt(offset + descriptors, phy + descriptors, FPhyRecSize - descriptors);
        } else {
            FFileIO->WriteAt(offset + FPrefixSize, phy + FPrefixSize, FPhyRecSize - FPrefixSize);
        }
        // Only the data part of a cached copy is ever read; its links and descriptors are zero.
        FRecordCache.Add(SysRecordID, phy);
        if (!FIndexes.empty()) {
            const int64_t slot = SlotOf(SysRecordID);
            const uint8_t* plain = PlainRecord(RecordBuffer, RecordSize);
            for (auto& index : FIndexes) {
                index->RemoveID(SysRecordID);
                index->InsertID(SysRecordID, slot, plain);
            }
            SecureZero(FPlainBuffer.data(), FPlainBuffer.size());
        }
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

void TNorkTable::ReadRawRecord(int32_t SysRecordID, uint8_t* PhyRecBuffer)
{
    CheckTableActive();
    if (!FRecordList.KeyExists(SysRecordID))
        RaiseNorkError(SNorkRecordNotFound, SysRecordID);
    FRecordCache.Get(SysRecordID, PhyRecBuffer);
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
        // Every chain of an empty table is empty, also those of indexes not open here.
        for (int k = 0; k < h.IndexCount; ++k)
            h.IndexHeader[k].FirstSlot = -1;
        WriteHeader(h);
        FTableHeader = h;
        FRecordList.Clear();
        FRecordCache.Clear();
        for (auto& index : FIndexes)
            index->ClearList();
    });
}

std::string TNorkTable::FileName() const
{
    return FDatabase != nullptr && FDatabase->Active() ? FDatabase->FileName() : std::string();
}

TNorkIndex* TNorkTable::GetIndex(const std::string& Value)
{
    const std::string stored = StoredName(Value);
    for (auto& index : FIndexes)
        if (SameText(index->IndexName(), stored))
            return index.get();
    RaiseNorkError(SNorkIndexNotFound, Value);
}

// ---- blobs ----

void TNorkTable::CheckBlobIndex(int BlobIndex) const
{
    if (BlobIndex < 0 || BlobIndex >= FTableHeader.BlobCount)
        RaiseNorkError(SNorkBlobIndexOutOfBounds);
}

int64_t TNorkTable::BlobInfoOffset(int32_t SysRecordID, int BlobIndex) const
{
    return GetRecordOffset(SysRecordID) + int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(FTableHeader.IndexCount) +
           int64_t(sizeof(TBlobInfo)) * BlobIndex;
}

TBlobInfo TNorkTable::ReadBlobInfo(int64_t Offset)
{
    TBlobInfo info{};
    if (FFileIO->ReadAt(Offset, &info, sizeof(info)) != int64_t(sizeof(info)))
        RaiseFileCorrupt();
    CheckBlobInfo(info);
    return info;
}

void TNorkTable::CheckBlobInfo(const TBlobInfo& info)
{
    // A descriptor is trusted only as far as the file bears it out: a block that was never
    // written has no bytes, and a written one lies after the fixed part, inside the file, and
    // holds its stored bytes.
    if (info.DataOfs == 0) {
        if (info.StoredSize != 0 || info.Capacity != 0)
            RaiseFileCorrupt();
    } else if (info.DataOfs < kFixedPartSize || info.StoredSize < 0 || info.Capacity < info.StoredSize ||
               info.Capacity % 64 != 0 || int64_t(info.DataOfs) + info.Capacity > FFileIO->Size()) {
        RaiseFileCorrupt();
    }
}

TBlobInfo TNorkTable::EncodeNewBlock(TMemoryStream& Plain, TMemoryStream& Stored)
{
    FFileIO->CheckGrowth(Plain.Size()); // DataSize is a 32-bit value too
    FDatabase->EncodeBlobStream(&Plain, &Stored, FDatabase->Compressed(), FDatabase->Encrypted());
    const int64_t size = Stored.Size();
    TBlobInfo info{};
    info.DataSize = static_cast<int32_t>(Plain.Size());
    if (size == 0)
        return info; // nothing stored: the blob reads as never written
    const int64_t dataOfs = FFileIO->Size();
    const int64_t capacity = size - size % 64 + 64;
    FFileIO->CheckGrowth(dataOfs + capacity);
    info.DataOfs = static_cast<int32_t>(dataOfs);
    info.StoredSize = static_cast<int32_t>(size);
    info.Capacity = static_cast<int32_t>(capacity);
    return info;
}

void TNorkTable::StoreNewBlocks(const std::vector<TMemoryStream*>& Blobs, uint8_t* Phy, const uint8_t* OldPhy)
{
    const int64_t descriptors = int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(FTableHeader.IndexCount);
    for (std::size_t b = 0; b < Blobs.size(); ++b) {
        if (Blobs[b] == nullptr)
            continue;
        const int64_t at = descriptors + int64_t(sizeof(TBlobInfo)) * int64_t(b);
        TBlobInfo old{};
        if (OldPhy != nullptr)
            std::memcpy(&old, OldPhy + at, sizeof(old));
        TMemoryStream stored;
        TBlobInfo info = EncodeNewBlock(*Blobs[b], stored);
        info.Reserved = old.Reserved;
        if (OldPhy != nullptr && info.DataSize == old.DataSize && info.StoredSize == old.StoredSize) {
            // The same stored bytes (the codec is deterministic) need no new block.
            TMemoryStream current;
            current.SetSize(old.StoredSize);
            if (old.StoredSize == 0 ||
                (FFileIO->ReadAt(old.DataOfs, current.Memory(), old.StoredSize) == old.StoredSize &&
                 std::memcmp(current.Memory(), stored.Memory(), static_cast<std::size_t>(old.StoredSize)) == 0))
                continue;
        }
        if (info.Capacity > 0) {
            stored.SetSize(info.Capacity);
            FFileIO->WriteAt(info.DataOfs, stored.Memory(), info.Capacity);
        }
        std::memcpy(Phy + at, &info, sizeof(info));
    }
}

int32_t TNorkTable::ReadBlob(int32_t SysRecordID, int BlobIndex, TMemoryStream& BlobStream)
{
    CheckTableActive();
    CheckBlobIndex(BlobIndex);
    return FDatabase->WithFileIO([&] {
        const TBlobInfo info = ReadBlobInfo(BlobInfoOffset(SysRecordID, BlobIndex));
        if (info.DataOfs == 0) {
            BlobStream.Clear();
            return int32_t(0);
        }
        TMemoryStream stored;
        stored.SetSize(info.StoredSize);
        if (FFileIO->ReadAt(info.DataOfs, stored.Memory(), info.StoredSize) != info.StoredSize)
            RaiseFileCorrupt();
        FDatabase->DecodeBlobStream(&stored, &BlobStream, FDatabase->Compressed(), FDatabase->Encrypted(),
                                     info.DataSize);
        return info.StoredSize;
    });
}

int32_t TNorkTable::ReadBlob(int32_t SysRecordID, int BlobIndex, std::string& BlobString)
{
    TMemoryStream stream;
    const int32_t stored = ReadBlob(SysRecordID, BlobIndex, stream);
    BlobString = AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(stream.Memory()),
                                             static_cast<std::size_t>(stream.Size())));
    return stored;
}

int32_t TNorkTable::WriteBlob(int32_t SysRecordID, int BlobIndex, TMemoryStream& BlobStream)
{
    CheckTableActive();
    CheckBlobIndex(BlobIndex);
    return FDatabase->WithFileIO([&] {
        const int64_t at = BlobInfoOffset(SysRecordID, BlobIndex);
        const TBlobInfo old = ReadBlobInfo(at);
        FFileIO->CheckGrowth(BlobStream.Size()); // DataSize is a 32-bit value too
        TMemoryStream stored;
        FDatabase->EncodeBlobStream(&BlobStream, &stored, FDatabase->Compressed(), FDatabase->Encrypted());
        const int64_t size = stored.Size();
        TBlobInfo info = old;
        info.DataSize = static_cast<int32_t>(BlobStream.Size());
        int64_t capacity = old.Capacity;
        int64_t dataOfs = old.DataOfs;
        if (size > old.Capacity) {
            // A block that ends the file grows where it is; any other moves to the end, and
            // the old one becomes dead space.
            const int64_t fileSize = FFileIO->Size();
            if (old.DataOfs == 0 || int64_t(old.DataOfs) + old.Capacity != fileSize)
                dataOfs = fileSize;
            capacity = size - size % 64 + 64;
        }
        FFileIO->CheckGrowth(dataOfs + capacity);
        info.DataOfs = static_cast<int32_t>(dataOfs);
        info.StoredSize = static_cast<int32_t>(size);
        info.Capacity = static_cast<int32_t>(capacity);
        // The block first, then the descriptor that points at it.
        stored.SetSize(capacity);
        if (capacity > 0)
            FFileIO->WriteAt(dataOfs, stored.Memory(), capacity);
        FFileIO->WriteAt(at, &info, sizeof(info));
        FRecordCache.Delete(SysRecordID);
        return info.StoredSize;
    });
}

int32_t TNorkTable::WriteBlob(int32_t SysRecordID, int BlobIndex, const std::string& BlobString)
{
    TMemoryStream stream;
    BlobTextToStream(BlobString, stream);
    return WriteBlob(SysRecordID, BlobIndex, stream);
}

void BlobTextToStream(const std::string& BlobString, TMemoryStream& Stream)
{
    std::string bytes = Utf8ToAnsi(BlobString);
    Stream.Clear();
    Stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    Stream.SetPosition(0);
    WipeString(bytes);
}
