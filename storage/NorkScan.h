// Reading a container file that may be damaged. The database refuses a file it cannot trust;
// the scan instead reads every structure from the bytes the file holds, as far as the file
// goes, checks each against what the format states, and notes what is wrong rather than
// raising. It serves the complete check of a file and the salvage of what can still be read.
// Nothing here writes, and the normal reading paths are not involved.
//
// What the scan checks on its own (without the password): the magic and version, the options
// and key-data fields, both catalogue copies, both copies of every table header and every
// field in them, the areas and blob descriptors against the file and against each other, the
// prefixes of the used record slots, and every index chain's links. With the codec keyed
// (SetCodec), CheckContent adds the blobs (padding, decoding, size) and each chain's key order.
//
// Where the two copies of the catalogue or of a table header differ, the copy that agrees with
// the rest of the file is taken (the one with fewer problems, a caller's weight included; the one
// describing more tables; the first), so a single damaged copy costs nothing.
//
// Not thread-safe: one thread uses one scan.
#pragma once

#include "dataproc/MemoryStream.h"
#include "storage/NorkFileIO.h"
#include "storage/NorkLayout.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TNorkCodec;
class TNorkDatabase;

// What a blob holds as far as the file tells.
enum TNorkBlobState : uint8_t {
    bsStored,  // stored bytes that decode to the size the descriptor gives
    bsNone,    // never written (DataOfs 0): reads as empty
    bsDamaged, // the descriptor, the stored bytes or their decoding is broken
};

// One problem: the table it concerns ("" for the fixed part and the catalogue), the record id
// (0 when it is not about one record) and what is wrong.
struct TNorkFinding {
    std::string Table;
    int32_t RecordID = 0;
    std::string Text;
};

// A used slot as the file holds it.
struct TNorkScanSlot {
    int64_t Offset = 0; // file offset of the physical record
    int32_t ID = 0;
    uint8_t Signature = 0;
    uint8_t Deleted = 0;
    // The prefix (signature, id, links, descriptors) lies inside the file and is not all zeros.
    bool Present = false;
    bool Whole = false;   // the whole record lies inside the file
    bool Live = false;    // counted among the table's live records (see TNorkScanTable)
};

// A table as the scan found it.
struct TNorkScanTable {
    std::string Name;
    int CatalogueIndex = -1;
    // The header copy taken; Usable is false when neither copy describes records the scan can
    // read (then there are no slots).
    TTableHeader Header{};
    bool Usable = false;
    int64_t PhyRecSize = 0;
    int64_t PrefixSize = 0;
    // Used slots by slot number, up to the last one whose prefix the file holds; slots the file
    // does not hold are listed without Present.
    std::vector<TNorkScanSlot> Slots;
    // Used slots the header gives that cannot be read: the file ends before them, or their area
    // lies where no area can.
    int64_t MissingSlots = 0;
    // PrefixSize bytes per listed slot (zeros for a slot not present).
    std::vector<uint8_t> Prefixes;
    // A slot is live when its deleted byte is 0, or when an index chain passes through it (the
    // engine takes a deleted record out of every chain). Of an id that occurs twice the first slot
    // counts, as the engine's id map keeps it; LiveSlots lists the live slots by ascending id.
    std::map<int32_t, int64_t> SlotOfID;
    std::vector<int64_t> LiveSlots;
    // Live slots whose id another live slot already holds, or whose id is not a valid record id.
    std::vector<int64_t> StraySlots;
    // Ids of deleted slots that no live slot holds: records deleted earlier.
    std::set<int32_t> DeletedIDs;
    // Per index: whether its chain passes each listed slot, and whether the chain is whole
    // (starts and ends properly, stays among live records, and reaches every live one).
    std::vector<std::vector<bool>> ChainVisits;
    std::vector<bool> ChainWhole;
    // BlobCount states per listed slot, as CheckContent found them (bsNone before).
    std::vector<TNorkBlobState> BlobStates;

    int32_t Link(int64_t Slot, int IndexNo) const;
    TBlobInfo Blob(int64_t Slot, int BlobIndex) const;
};

// What a caller that knows the file's tables adds to the problems of a header copy when the two
// copies differ: the number of ways in which the header of the table at CatalogueIndex differs
// from what that table's header should be.
using TNorkHeaderWeight = std::function<int(int CatalogueIndex, const TTableHeader& Header)>;

class TNorkFileScan {
public:
    // Reads the file, shared and read-only, and runs every check that needs no password. Raises
    // EFileError when the file cannot be opened or read at all; everything else is a finding.
    explicit TNorkFileScan(const std::string& FileName, TNorkHeaderWeight Weight = nullptr);
    // The same over a container in the caller's memory, which must outlive the scan.
    explicit TNorkFileScan(TMemoryStream* Stream, TNorkHeaderWeight Weight = nullptr);
    ~TNorkFileScan();
    TNorkFileScan(const TNorkFileScan&) = delete;
    TNorkFileScan& operator=(const TNorkFileScan&) = delete;

    const std::string& FileName() const { return FFileName; }
    int64_t FileSize() const { return FFileSize; }
    // The magic reads "NORK" (the file is a container at all, as far as its first bytes say).
    bool HasMagic() const { return FHasMagic; }
    // The fixed blocks as read (zeros where the file ends); the key data deciphered.
    const TExtDataBlock& ExtData() const { return FExtData; }
    const TDBOptions& Options() const { return FOptions; }
    const TDBKeyData& KeyData() const { return FKeyData; }
    const TTableTab& TableTab() const { return FTableTab; }
    const std::vector<TNorkScanTable>& Tables() const { return FTables; }
    // The table of that name (A-Z compared without case); null when the catalogue has none.
    const TNorkScanTable* FindTable(const std::string& Name) const;
    const std::vector<TNorkFinding>& Findings() const { return FFindings; }

    // The accessors answer what the scan found and never raise.
    //
    // Whether the key data holds a digest as the engine writes one (whatever password it is of).
    bool DigestIntact() const { return FDigestIntact; }
    // Whether the password's digest is the one the key data holds.
    bool PasswordMatches(const std::string& Password) const;
    // Keys the codec that record data, blobs and the comments are read through. Raises
    // ENorkError-family errors when an algorithm name is not registered.
    void SetCodec(bool Compress, const std::string& CompressName, bool Encrypt, const std::string& EncryptName,
                  const std::string& Password);

    // The reading below answers a status and raises nothing of its own; without a codec nothing
    // is deciphered or decoded.
    //
    // The comments block, deciphered with the codec's password when the codec encrypts.
    TCommentsBlock ReadComments();
    // The record data of a listed slot, deciphered (RecordSize bytes); false when the record
    // does not lie wholly inside the file or there is no codec.
    bool ReadData(const TNorkScanTable& Table, int64_t Slot, uint8_t* Buffer);
    // Blob BlobIndex of a listed slot, decoded into Out. For bsDamaged, Reason says why.
    TNorkBlobState ReadBlob(const TNorkScanTable& Table, int64_t Slot, int BlobIndex, TMemoryStream& Out,
                            std::string& Reason);
    // The checks that need the codec: every blob of every live slot (padding zero, decoding,
    // decoded size) and the key order of every whole index chain. Adds findings; once only, and
    // not before SetCodec.
    void CheckContent();
    // The state CheckContent found for a blob of a live slot (bsNone before CheckContent).
    TNorkBlobState BlobState(const TNorkScanTable& Table, int64_t Slot, int BlobIndex) const;

private:
    void Report(const std::string& Table, int32_t RecordID, const std::string& Text);
    void Scan();
    void ReadHead();
    void ReadCatalogue();
    // Scans the tables of one catalogue copy into Tables, adding to Found what it finds.
    void ScanTables(const TTableTab& Tab, std::vector<TNorkScanTable>& Tables, std::vector<TNorkFinding>& Found);
    // Scans one table through one copy of its header.
    void ScanTable(const TTableHeader& Header, TNorkScanTable& Table, std::vector<TNorkFinding>& Found);
    void ReadSlots(TNorkScanTable& Table, std::vector<TNorkFinding>& Found);
    void WalkChains(TNorkScanTable& Table, std::vector<TNorkFinding>& Found);
    void CheckSpace();
    void CheckKeyOrder(const TNorkScanTable& Table, int IndexNo);
    // A blob's descriptor against the file: bsStored when its bytes are there to decode.
    TNorkBlobState CheckBlobPlace(const TBlobInfo& Info, std::string& Reason) const;
    // Stored bytes to their plain form and the state that gives (any thread, its own codec).
    static TNorkBlobState DecodeBlob(TNorkCodec& Codec, TMemoryStream& Stored, const TBlobInfo& Info,
                                     TMemoryStream& Out, std::string& Reason);

    std::string FFileName;
    TNorkHeaderWeight FWeight;
    std::unique_ptr<TNorkFileIO> FFileIO;
    int64_t FFileSize = 0;
    bool FHasMagic = false;
    bool FDigestIntact = false;
    TExtDataBlock FExtData{};
    TDBOptions FOptions{};
    TDBKeyData FKeyData{};
    TTableTab FTableTab{};
    std::vector<TNorkScanTable> FTables;
    std::vector<TNorkFinding> FFindings;
    std::unique_ptr<TMemoryStream> FCodecImage;
    std::unique_ptr<TNorkDatabase> FCodec;
    std::unique_ptr<TNorkCodec> FReadCodec; // this thread's decoding of single blobs
    bool FCodecCompresses = false;
    bool FCodecEncrypts = false;
    std::string FCodecPassword;
    bool FContentChecked = false;
};
