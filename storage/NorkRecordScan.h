// Reading many records fast: a table's live records in record-index order, or the records of a
// list of ids in its order, a batch at a time, with
// the blobs of a batch read in file order in a few large reads, and the deciphering and
// inflating spread over the decode threads (each with its own codec).
//
// The reading runs on the table's thread, one batch ahead of the decoding; only TScannedRecord's
// decoding and the caller's Visit run on the others, so a Visit may read the table's settings
// but nothing the reading changes. Every error is kept with the record it belongs to and raised,
// in record order, where the one-record-at-a-time reading would have raised it; so a scan
// answers and raises exactly what reading the records one by one answers and raises.
#pragma once

#include "dataproc/MemoryStream.h"
#include "dataproc/ParallelFor.h"
#include "storage/NorkCodec.h"
#include "storage/NorkLayout.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

class TNorkTable;

// One live record of a batch, as read from the file and not yet decoded. Its bytes live in the
// batch's buffers.
class TScannedRecord {
public:
    int32_t ID() const { return FID; }
    // False for a listed id that is not live (ReadRecord would answer false); such a record has
    // neither data nor blob.
    bool Live() const { return FLive; }
    // The record's plain data (the table's RecordSize bytes), deciphered on first use with the
    // calling thread's codec; raises what reading the record raised.
    const uint8_t* Data(TNorkCodec& Codec);
    // The scanned blob into Plain (its content replaced), answering its stored size (0: never
    // written, Plain empty); raises what TNorkTable::ReadBlob raises for it.
    int32_t ReadBlob(TNorkCodec& Codec, TMemoryStream& Plain);

private:
    friend class TNorkRecordScan;

    int32_t FID = 0;
    bool FLive = true;
    bool FDecoded = false;
    uint8_t* FData = nullptr;
    int FDataSize = 0;
    std::exception_ptr FError; // reading the record failed
    TBlobInfo FBlob{};
    const uint8_t* FStored = nullptr; // the blob's FBlob.StoredSize stored bytes
    std::exception_ptr FBlobError;    // reading the blob's descriptor or bytes failed
};

// The records of one batch of a scan, kept while the next batch is read. Its buffers hold
// deciphered record data and, in a box without encryption, plain blob bytes, so they are wiped
// before they are used again or released.
class TScanBatch {
public:
    int Count() const { return FCount; }
    TScannedRecord& Record(int Index) { return FRecords[static_cast<std::size_t>(Index)]; }

private:
    friend class TNorkRecordScan;

    std::unique_ptr<TScannedRecord[]> FRecords;
    int FCount = 0;
    TMemoryStream FRecordBytes; // every record's data, one after the other
    TMemoryStream FBlobBytes;   // the pieces of the file the blobs were read from
};

class TNorkRecordScan {
public:
    // BlobIndex: the blob to read with each record, -1 for none. The table must be open; raises
    // like TNorkTable, and for an index outside the table's blobs.
    TNorkRecordScan(TNorkTable& Table, int BlobIndex);
    // The records of IDs, in that order.
    TNorkRecordScan(TNorkTable& Table, int BlobIndex, std::vector<int32_t> IDs);
    ~TNorkRecordScan();

    // Reads the next batch into Batch (wiping what it held); false when every record has been
    // read. The first batch is small, so that decoding starts early. Raises like TNorkTable
    // for a table that is no longer open; read errors stay with their records.
    bool NextBatch(TScanBatch& Batch);
    // Makes codecs for Workers decode threads (on the table's thread, before they start).
    void PrepareCodecs(int Workers);
    // The codec of decode thread Worker, 0 .. the prepared count - 1.
    TNorkCodec& Codec(int Worker) { return *FCodecs[static_cast<std::size_t>(Worker)]; }
    TNorkTable& Table() { return FTable; }

private:
    void ReadRecords(TScanBatch& Batch, int Count);
    void ReadBlobs(TScanBatch& Batch);

    TNorkTable& FTable;
    int FBlobIndex;
    std::vector<int32_t> FIDs;
    int FNext = 0; // position in FIDs of the next batch
    int FBatchSize;
    std::vector<std::unique_ptr<TNorkCodec>> FCodecs;
};

// Runs Visit(Record, Codec) -> std::optional<R> for every record of Scan on the decode threads
// and hands each answer that holds a value to Collect on the calling thread, in record order.
// The calling thread reads the next batch while the other threads decode the current one.
// When a Visit raises, the answers before it are collected and then its error passes on;
// nothing runs after this returns.
template <class R, class VisitFn, class CollectFn>
void ScanRecords(TNorkRecordScan& scan, VisitFn Visit, CollectFn Collect)
{
    struct TSlot {
        TScanBatch Batch;
        std::vector<std::optional<R>> Answers;
        std::vector<std::exception_ptr> Errors;
    };
    TSlot slots[2];
    int current = 0;
    bool more = scan.NextBatch(slots[0].Batch);
    while (more) {
        TSlot& slot = slots[current];
        const int count = slot.Batch.Count();
        const int workers = WorkersFor(count);
        scan.PrepareCodecs(workers);
        slot.Answers.clear(); // answers may be move-only
        slot.Answers.resize(static_cast<std::size_t>(count));
        slot.Errors.assign(static_cast<std::size_t>(count), nullptr);
        std::exception_ptr readError;
        ParallelFor(
            count, workers,
            [&](int Index, int Worker) {
                const auto i = static_cast<std::size_t>(Index);
                try {
                    slot.Answers[i] = Visit(slot.Batch.Record(Index), scan.Codec(Worker));
                } catch (...) {
                    slot.Errors[i] = std::current_exception();
                }
            },
            [&] {
                try {
                    more = scan.NextBatch(slots[1 - current].Batch);
                } catch (...) {
                    readError = std::current_exception();
                }
            });
        for (std::size_t i = 0; i < slot.Answers.size(); ++i) {
            if (slot.Errors[i])
                std::rethrow_exception(slot.Errors[i]);
            if (slot.Answers[i])
                Collect(std::move(*slot.Answers[i]));
        }
        if (readError)
            std::rethrow_exception(readError);
        current = 1 - current;
    }
}

// Every live record of Table in record-index order (see ScanRecords).
template <class R, class VisitFn, class CollectFn>
void ScanTable(TNorkTable& Table, int BlobIndex, VisitFn Visit, CollectFn Collect)
{
    TNorkRecordScan scan(Table, BlobIndex);
    ScanRecords<R>(scan, Visit, Collect);
}
