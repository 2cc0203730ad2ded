#include "storage/NorkRecordScan.h"

#include "dataproc/Exception.h"
#include "dataproc/Wipe.h"
#include "storage/NorkDatabase.h"
#include "storage/NorkError.h"
#include "storage/NorkFileIO.h"
#include "storage/NorkTable.h"

#include <algorithm>
#include <cstring>

namespace {

// Records per batch: enough to keep every core busy, few enough that a batch's blobs stay small.
// The first batch is read before any decoding can start, so it is small; the others are full.
constexpr int kFirstBatchRecords = 256;
constexpr int kBatchRecords = 2048;
// Blobs closer than this are fetched in one read (the gap is read and dropped), up to a piece of
// kMaxPiece bytes; the page cache makes the gap cheaper than another system call.
constexpr int64_t kMaxGap = 64 * 1024;
constexpr int64_t kMaxPiece = 8 * 1024 * 1024;

} // namespace

const uint8_t* TScannedRecord::Data(TNorkCodec& Codec)
{
    if (FError)
        std::rethrow_exception(FError);
    if (!FDecoded) {
        Codec.DecodeRecord(FData, FDataSize);
        FDecoded = true;
    }
    return FData;
}

int32_t TScannedRecord::ReadBlob(TNorkCodec& Codec, TMemoryStream& Plain)
{
    if (FBlobError)
        std::rethrow_exception(FBlobError);
    if (FBlob.DataOfs == 0) {
        Plain.Clear();
        return 0;
    }
    Codec.DecodeBlob(FStored, FBlob.StoredSize, Plain, FBlob.DataSize);
    return FBlob.StoredSize;
}

TNorkRecordScan::TNorkRecordScan(TNorkTable& Table, int BlobIndex, std::vector<int32_t> IDs)
    : FTable(Table), FBlobIndex(BlobIndex), FIDs(std::move(IDs)), FBatchSize(kFirstBatchRecords)
{
    FTable.CheckTableActive();
    if (BlobIndex >= FTable.TableHeader().BlobCount)
        RaiseNorkError(SNorkBlobIndexOutOfBounds);
}

TNorkRecordScan::TNorkRecordScan(TNorkTable& Table, int BlobIndex) : TNorkRecordScan(Table, BlobIndex, {})
{
    const int count = FTable.RecordCount();
    FIDs.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        FIDs.push_back(FTable.GetSysRecordID(i));
}

TNorkRecordScan::~TNorkRecordScan() = default;

void TNorkRecordScan::PrepareCodecs(int Workers)
{
    while (static_cast<int>(FCodecs.size()) < Workers)
        FCodecs.push_back(FTable.Database()->NewCodec());
}

bool TNorkRecordScan::NextBatch(TScanBatch& Batch)
{
    FTable.CheckTableActive();
    const int count = std::min(FBatchSize, static_cast<int>(FIDs.size()) - FNext);
    FBatchSize = kBatchRecords;
    Batch.FRecords.reset();
    Batch.FCount = 0;
    Batch.FRecordBytes.SetSize(0); // wipes the batch before; its room is used again
    Batch.FBlobBytes.SetSize(0);
    if (count <= 0)
        return false;
    Batch.FRecords = std::make_unique<TScannedRecord[]>(static_cast<std::size_t>(count));
    Batch.FCount = count;
    // One opening of the file for the whole batch.
    FTable.Database()->WithFileIO([&] {
        ReadRecords(Batch, count);
        if (FBlobIndex >= 0)
            ReadBlobs(Batch);
    });
    FNext += count;
    return true;
}

void TNorkRecordScan::ReadRecords(TScanBatch& Batch, int Count)
{
    const int32_t dataSize = FTable.TableHeader().RecordSize;
    Batch.FRecordBytes.SetSize(int64_t(Count) * dataSize);
    std::vector<uint8_t> phy(static_cast<std::size_t>(FTable.PhyRecSize()));
    for (int k = 0; k < Count; ++k) {
        TScannedRecord& rec = Batch.Record(k);
        rec.FID = FIDs[static_cast<std::size_t>(FNext + k)];
        if (FTable.FindRecord(rec.FID) < 0) {
            rec.FLive = false;
            continue;
        }
        try {
            // Through the record cache, as every other read of a record goes.
            FTable.ReadRawRecord(rec.FID, phy.data());
            rec.FData = Batch.FRecordBytes.Memory() + int64_t(k) * dataSize;
            rec.FDataSize = dataSize;
            std::memcpy(rec.FData, phy.data() + FTable.PrefixSize(), static_cast<std::size_t>(dataSize));
        } catch (...) {
            rec.FError = std::current_exception();
        }
    }
    SecureZero(phy.data(), phy.size());
}

namespace {

// A stretch of the file that one record needs.
struct TWanted {
    int64_t Offset;
    int64_t Size;
    TScannedRecord* Record;
};

// Reads every stretch in file order, neighbours together in one read, into Buffer (its content
// replaced, sized once), and hands each its bytes there (Take) or the error its read raised (Fail).
template <class TakeFn, class FailFn>
void ReadInFileOrder(TNorkFileIO& IO, std::vector<TWanted>& Wanted, TMemoryStream& Buffer, TakeFn Take, FailFn Fail)
{
    std::sort(Wanted.begin(), Wanted.end(), [](const TWanted& A, const TWanted& B) { return A.Offset < B.Offset; });
    // The pieces: [first, last) of Wanted, from Start to End in the file.
    struct TPiece {
        std::size_t First, Last;
        int64_t Start, End;
    };
    std::vector<TPiece> pieces;
    int64_t total = 0;
    for (std::size_t first = 0; first < Wanted.size();) {
        const int64_t start = Wanted[first].Offset;
        int64_t end = start + Wanted[first].Size;
        std::size_t last = first + 1;
        while (last < Wanted.size()) {
            const int64_t nextEnd = std::max(end, Wanted[last].Offset + Wanted[last].Size);
            if (Wanted[last].Offset - end > kMaxGap || nextEnd - start > kMaxPiece)
                break;
            end = nextEnd;
            ++last;
        }
        pieces.push_back({first, last, start, end});
        total += end - start;
        first = last;
    }
    Buffer.SetSize(total);
    uint8_t* at = Buffer.Memory();
    for (const TPiece& p : pieces) {
        try {
            if (IO.ReadAt(p.Start, at, p.End - p.Start) != p.End - p.Start)
                RaiseFileCorrupt();
            for (std::size_t k = p.First; k < p.Last; ++k)
                Take(Wanted[k], at + (Wanted[k].Offset - p.Start));
        } catch (...) {
            for (std::size_t k = p.First; k < p.Last; ++k)
                Fail(Wanted[k], std::current_exception());
        }
        at += p.End - p.Start;
    }
}

} // namespace

void TNorkRecordScan::ReadBlobs(TScanBatch& Batch)
{
    TNorkFileIO& io = FTable.Database()->FileIO();
    const auto fail = [](const TWanted& W, std::exception_ptr Error) { W.Record->FBlobError = Error; };
    // The descriptors as the file holds them (as ReadBlob reads them; the record cache keeps the
    // record data, not necessarily the descriptors), checked as ReadBlob checks them.
    const int64_t descriptorAt = int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(FTable.TableHeader().IndexCount) +
                                 int64_t(sizeof(TBlobInfo)) * FBlobIndex;
    std::vector<TWanted> wanted;
    for (int k = 0; k < Batch.Count(); ++k) {
        TScannedRecord& rec = Batch.Record(k);
        if (rec.FLive && !rec.FError)
            wanted.push_back({FTable.GetRecordOffset(rec.FID) + descriptorAt, int64_t(sizeof(TBlobInfo)), &rec});
    }
    TMemoryStream descriptors;
    ReadInFileOrder(
        io, wanted, descriptors,
        [&](const TWanted& W, const uint8_t* Bytes) {
            std::memcpy(&W.Record->FBlob, Bytes, sizeof(TBlobInfo));
            try {
                FTable.CheckBlobInfo(W.Record->FBlob);
            } catch (...) {
                W.Record->FBlobError = std::current_exception();
            }
        },
        fail);
    // Then the blocks those descriptors name.
    std::vector<TWanted> blocks;
    for (const TWanted& w : wanted)
        if (!w.Record->FBlobError && w.Record->FBlob.DataOfs != 0)
            blocks.push_back({w.Record->FBlob.DataOfs, w.Record->FBlob.StoredSize, w.Record});
    // The blocks stay where they were read; each record decodes its own from there.
    ReadInFileOrder(
        io, blocks, Batch.FBlobBytes, [](const TWanted& W, const uint8_t* Bytes) { W.Record->FStored = Bytes; }, fail);
}
