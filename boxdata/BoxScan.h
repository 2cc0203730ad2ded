// A password box read through the storage engine's tolerant scan: the five tables with every
// live record deciphered and checked field by field, and the folder tree as the records give
// it. The complete check and the salvage both start from here; nothing here writes.
//
// The codec is settled by the box's own records: blobs are always compressed with "Zlib" and
// enciphered (when at all) with "Blowfish", so only whether the box is encrypted is taken from
// its options, and where that flag disagrees with the records (the three category folders
// read right only one way) the records win. A password whose digest does not match is refused,
// unless the stored digest is itself damaged and the password reads the category folders.
//
// Not thread-safe: one thread uses one scan.
#pragma once

#include "boxdata/RecordLayouts.h"
#include "dataproc/Exception.h"
#include "storage/NorkScan.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The password does not open the box.
class EWrongPassword : public Exception {
public:
    using Exception::Exception;
};

// A live record of a box table as read.
struct TBoxScanRecord {
    int32_t ID = 0;
    int64_t Slot = 0;
    // A further live slot with an id another slot holds, or with an id below 1.
    bool Stray = false;
    // The slot's deleted byte is set, but an index chain still passes it.
    bool MarkedDeleted = false;
    // The record was read; only then is Data filled. Unread says why not.
    bool Whole = false;
    std::string Unread;
    std::vector<uint8_t> Data; // deciphered, the table's record size
    // The text fields that cannot be read (not terminated, or not code page 936), by name, with
    // what is wrong with each.
    std::vector<std::pair<std::string, std::string>> DamagedTexts;
    bool LooseBytes = false; // bytes that belong to no field are not zero
    TNorkBlobState Blob = bsNone; // blob 0: comments, body or file content
    std::string BlobFault;        // why it cannot be read, for bsDamaged
    int64_t BlobSize = 0;         // its size, as its descriptor gives it
    bool BlobIsText = true;       // comments and bodies: the decoded bytes are code page 936 text

    TBoxScanRecord() = default;
    TBoxScanRecord(TBoxScanRecord&&) = default;
    TBoxScanRecord& operator=(TBoxScanRecord&&) = default;
    ~TBoxScanRecord();

    int32_t Link() const;          // parent folder, folder or owning entry
    int32_t IntAt(int Offset) const;
    bool TextDamaged(const char* Name) const;
};

struct TBoxScanTable {
    const TBoxRecordLayout* Layout = nullptr;
    const TNorkScanTable* Table = nullptr; // null when the file has no usable table of that name
    // The table's header gives the box's record size and blob count; otherwise no record of it
    // can be read field by field.
    bool LayoutMatches = false;
    // Live records by ascending id, then the stray ones in slot order.
    std::vector<TBoxScanRecord> Records;

    // The live, non-stray record of an id; null when there is none.
    const TBoxScanRecord* Find(int32_t ID) const;
    // Whether the id belongs to a deleted record and to no live one.
    bool WasDeleted(int32_t ID) const;
};

// After construction every method answers what the scan found and raises nothing.
class TBoxScan {
public:
    // Reads the box. Raises EFileError when the file cannot be read, ENorkError when nothing in
    // it is a box (neither the magic nor any of the five tables), EWrongPassword as above.
    TBoxScan(const std::string& FileName, const std::string& Password);

    TNorkFileScan& Engine() { return *FScan; }
    const TNorkFileScan& Engine() const { return *FScan; }
    // In file order: Folder, NetItem, BankItem, CommItem, Attach.
    const std::vector<TBoxScanTable>& Tables() const { return FTables; }
    const TBoxScanTable& Folders() const { return FTables[0]; }
    const TBoxScanTable& Entries(TZembraType Kind) const { return FTables[static_cast<std::size_t>(Kind)]; }
    const TBoxScanTable& Attachments() const { return FTables[4]; }
    const TBoxScanTable* TableNamed(const std::string& Name) const;
    bool Encrypted() const { return FEncrypted; }
    // The password was taken on the strength of the records because the stored digest is damaged.
    bool PasswordByRecords() const { return FPasswordByRecords; }

    // The category (1, 2 or 3) a live folder lies below, itself included; 0 when its parents
    // end in a missing folder or run in a loop, or the folder is not live.
    int32_t CategoryOf(int32_t FolderID) const;
    // For a folder with category 0: the first folder up its parents that is missing (0 for a loop).
    int32_t MissingAncestor(int32_t FolderID) const;

    // How messages name a record: "NetItem record 5 (web:5 "Mail")".
    std::string Describe(const TBoxScanTable& Table, const TBoxScanRecord& Record) const;
    // The text a record's name field holds ("" when damaged or not read).
    std::string NameOf(const TBoxScanTable& Table, const TBoxScanRecord& Record) const;

private:
    void SettleCodec(const std::string& Password);
    int CategoriesReadRight();
    void ReadTable(TBoxScanTable& Table);
    static std::set<int64_t> IdKeepers(const TNorkScanTable& Table);
    void ReadRecord(const TBoxScanTable& Table, TBoxScanRecord& Record);

    std::unique_ptr<TNorkFileScan> FScan;
    std::vector<TBoxScanTable> FTables;
    bool FEncrypted = false;
    bool FPasswordByRecords = false;
    mutable std::map<int32_t, int32_t> FCategories;
};

// How the header of the box's table TableNo (0..4, in file order) differs from the header the
// box creates, one text per difference ("the record size is 331, not 330"); empty when it does not.
std::vector<std::string> SchemaFaults(std::size_t TableNo, const TTableHeader& Header);

// The name of a category folder (1, 2 or 3) as a new box has it: "<网上信息>" for 1.
const char* CategoryFolderName(int32_t Category);

// What is wrong with a stored text array of Size bytes, or "" when it reads as the system writes
// it: its last byte zero (texts are cut one byte short of it, and shorter ones leave what was
// there, which began as zeros) and its text code page 936, but for a double-byte character
// that the cut at the limit may have split. Name goes into the answer ("the field Name ...").
std::string StoredTextFault(const void* Field, int Size, const std::string& Name);
