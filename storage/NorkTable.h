// One table of an open database: fixed-size records addressed by record id (unique among the
// live records) or by record index (position in ascending id order). The id map lives in
// memory; records are read through the record cache and written straight to the file.
//
// Records never move inside the file except when the alive area is relocated as a whole, so a
// record's slot number stays valid while the file is open. Deleting a record only marks its
// slot. Record data is enciphered record by record when the database is encrypted.
//
// Errors and threads as for TNorkDatabase: every method raises unless it says it answers a
// status; a change that raises has been taken back. A table belongs to its database's thread.
#pragma once

#include "storage/NorkIndex.h"
#include "storage/NorkLayout.h"
#include "storage/NorkMap.h"
#include "storage/RecordCache.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TNorkDatabase;
class TNorkFileIO;
class TMemoryStream;

class TNorkTable {
public:
    // Raises "Database is nil" for a null database. Registers with the database.
    explicit TNorkTable(TNorkDatabase* ADatabase);
    ~TNorkTable();
    TNorkTable(const TNorkTable&) = delete;
    TNorkTable& operator=(const TNorkTable&) = delete;

    // Reads the header and the record areas and builds the id map; with OpenIndexes also the
    // order of every index (a broken chain raises ENorkFileCorrupt). Any error after the table
    // was found closes it again. A table with indexes opened without them may be read but must
    // not be changed: its index chains would not be kept in step.
    void Open(const std::string& TableName, bool OpenIndexes);
    // Never raises.
    void Close();

    // The database's update bracket (see TNorkDatabase::BeginUpdate).
    void BeginUpdate();
    void EndUpdate();
    void CancelUpdate() noexcept;

    // SysRecordID < 1 takes the largest live id + 1; any other id must not be live. RecordBuffer
    // holds RecordSize bytes; a shorter record is padded with zeros to the table's record size,
    // a longer one is cut. Answers the id.
    //
    // With Blobs (entry b for blob b; null or missing entries leave a blob unwritten), the
    // record goes in together with its blobs, and the file bytes are those of an append followed
    // by WriteBlob of each: the blobs' blocks are written first, then the record pointing at
    // them, then the header that makes the record live, so an interrupted append never leaves
    // a live record whose blob descriptor claims bytes that were not stored.
    int32_t AppendRecord(const void* RecordBuffer, int RecordSize, int32_t SysRecordID);
    int32_t AppendRecord(const void* RecordBuffer, int RecordSize, int32_t SysRecordID,
                         const std::vector<TMemoryStream*>& Blobs);
    void DeleteRecord(int32_t SysRecordID);
    // Rewrites only the data part; links and blob descriptors on disk stay as they are.
    void ModifyRecord(int32_t SysRecordID, const void* RecordBuffer, int RecordSize);
    // The data part together with the given blobs (as for AppendRecord), in one write of the
    // descriptors and the data, so the record never shows new data with old blobs or the
    // reverse. A blob whose stored bytes stay the same is not written; a changed one goes into
    // a new block at the end of the file (its old block becomes dead space until a rebuild),
    // never over bytes the record still points at.
    void ModifyRecord(int32_t SysRecordID, const void* RecordBuffer, int RecordSize,
                      const std::vector<TMemoryStream*>& Blobs);
    // RecordBuffer receives the table's RecordSize bytes of plain data. False, outputs untouched,
    // when the record index is out of range or the id is not live.
    bool ReadRecord(int RecordIndex, int32_t& SysRecordID, void* RecordBuffer);
    bool ReadRecord(int32_t SysRecordID, void* RecordBuffer);
    // Record index of a live id, -1 otherwise; id at a record index, -1 when out of range. Never
    // raise, nor do the properties below.
    int FindRecord(int32_t SysRecordID) const;
    int32_t GetSysRecordID(int RecordIndex) const;
    // Drops every record; the alive area is kept and reused from slot 0.
    void EmptyTable();

    // Blob BlobIndex of a live record. Reading replaces the stream's content with the blob's
    // bytes (empty for a blob never written) and answers the stored size; writing stores the
    // whole stream, whatever its position, and answers the new stored size. Stored bytes are
    // compressed, then enciphered, as the database says. The text forms keep UTF-8 text as
    // code page 936 bytes.
    int32_t ReadBlob(int32_t SysRecordID, int BlobIndex, TMemoryStream& BlobStream);
    int32_t ReadBlob(int32_t SysRecordID, int BlobIndex, std::string& BlobString);
    int32_t WriteBlob(int32_t SysRecordID, int BlobIndex, TMemoryStream& BlobStream);
    int32_t WriteBlob(int32_t SysRecordID, int BlobIndex, const std::string& BlobString);

    // The open index of that name (A-Z compared without case); "Index '%s' not found" otherwise,
    // also when the table was opened without its indexes.
    TNorkIndex* GetIndex(const std::string& Value);
    int IndexObjectCount() const { return static_cast<int>(FIndexes.size()); }

    std::string FileName() const;
    bool Active() const { return FActive; }
    const std::string& TableName() const { return FTableName; }
    int RecordCount() const { return FActive ? FRecordList.Count() : 0; }
    bool CheckSignature() const { return FCheckSignature; }
    void SetCheckSignature(bool Value) { FCheckSignature = Value; }

    // ---- internal services for blobs, indexes, the cache and the rebuild ----

    TNorkDatabase* Database() const { return FDatabase; }
    int TableIndex() const { return FTableIndex; }
    const TTableHeader& TableHeader() const { return FTableHeader; }
    int32_t PhyRecSize() const { return FPhyRecSize; }
    // Bytes before the data part: prefix, index links, blob descriptors.
    int32_t PrefixSize() const { return FPrefixSize; }
    const TMap& RecordList() const { return FRecordList; }
    const TRecordCache& RecordCache() const { return FRecordCache; }

    // Raise "Cannot perform this operation on a closed database", then "... closed table".
    void CheckTableActive() const;
    // Slot of a live id, -1 when it is not live.
    int64_t SlotOf(int32_t SysRecordID) const;
    // File offset of a live record's slot; "Record id '%d' not found" otherwise.
    int64_t GetRecordOffset(int32_t SysRecordID) const;
    // File offset of a used slot.
    int64_t SlotFileOffset(int64_t Slot) const { return SlotOffset(FTableHeader, Slot); }
    // Stores an index's first slot in the header and writes the header.
    void SetIndexFirstSlot(int IndexIdx, int32_t Slot);
    // PhyRecSize bytes: signature, live, the id, zero links and descriptors, then the record
    // data (enciphered when the database is).
    void BuildPhyRecord(uint8_t* PhyRecBuffer, const void* RecordBuffer, int RecordSize, int32_t SysRecordID);
    // A live record's physical bytes (PhyRecSize, data part still enciphered) through the record
    // cache; raises like ReadRecord for an id that is not live.
    void ReadRawRecord(int32_t SysRecordID, uint8_t* PhyRecBuffer);
    // ENorkFileCorrupt unless the file bears the descriptor out (see ReadBlob). Needs the file
    // layer open (WithFileIO).
    void CheckBlobInfo(const TBlobInfo& Info);
    // Reads the physical records from the id's slot onward, at most 100 and not past the end of
    // the area holding it, into Stream (replacing its content); answers how many.
    int ReadRecordBatch(int32_t SysRecordID, TMemoryStream& Stream);
    // This table's header at its catalogue position, checked against the file on reading.
    void LoadHeader();
    void SaveHeader();
    // ENorkFileCorrupt when signatures are checked and the record does not start with $AA.
    void VerifySignature(const uint8_t* PhyRecBuffer) const;

private:
    friend class TNorkDatabase;

    void DetachDatabase() noexcept;
    // Opens the table again as it was opened, after the file was given back its old bytes; a
    // table that cannot be opened again stays closed.
    void Reload() noexcept;
    // Builds the id map; with Image, also collects what the indexes need to load their chains.
    void LoadRecords(TNorkChainImage* Image);
    // The descriptor of a live record's blob: its file offset, and the descriptor read and
    // checked against the file (ENorkFileCorrupt when it points outside it or is inconsistent).
    int64_t BlobInfoOffset(int32_t SysRecordID, int BlobIndex) const;
    TBlobInfo ReadBlobInfo(int64_t Offset);
    void CheckBlobIndex(int BlobIndex) const;
    // Encodes Plain into Stored (the file's compression and encryption) and answers the
    // descriptor of a new block for it at the end of the file, without writing anything.
    TBlobInfo EncodeNewBlock(TMemoryStream& Plain, TMemoryStream& Stored);
    // Writes the new blocks of Blobs (see AppendRecord) and puts their descriptors into the
    // physical record Phy.
    void StoreNewBlocks(const std::vector<TMemoryStream*>& Blobs, uint8_t* Phy, const uint8_t* OldPhy);
    // The caller's record as the table stores it: RecordSize bytes, cut or padded with zeros.
    const uint8_t* PlainRecord(const void* RecordBuffer, int RecordSize);
    void WriteHeader(const TTableHeader& Header);
    int64_t SlotOffset(const TTableHeader& Header, int64_t Slot) const;
    void ReadRecordData(int32_t SysRecordID, void* RecordBuffer);

    TNorkDatabase* FDatabase;
    TNorkFileIO* FFileIO;
    std::vector<std::unique_ptr<TNorkIndex>> FIndexes;
    std::string FTableName;
    int FTableIndex = -1;
    TTableHeader FTableHeader{};
    int32_t FPhyRecSize = 0;
    int32_t FPrefixSize = 0;
    TMap FRecordList;
    TRecordCache FRecordCache;
    bool FActive = false;
    bool FOpenIndexes = false;
    bool FCheckSignature = true;
    std::vector<uint8_t> FPhyRecBuffer; // one physical record, reused by every operation
    std::vector<uint8_t> FPlainBuffer;  // the caller's record padded, as the indexes see it
};

// Text as a blob stores it: UTF-8 text as code page 936 bytes, no terminator (the stream's
// content is replaced).
void BlobTextToStream(const std::string& BlobString, TMemoryStream& Stream);
