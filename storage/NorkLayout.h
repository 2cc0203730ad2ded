// The container file, byte for byte. Files move between installations, so every structure here
// is packed, little-endian and fixed in size; the static_asserts hold the layout in place.
//
// Fixed part (offsets from the start of the stream):
//      0  magic "NORK\0"            5  version "1.0\0\0"      10  free-use data (2048)
//   2058  comments (257)         2315  options (76)          2391  key data (341, enciphered)
//   2732  table catalogue (1032) 3764  second catalogue copy 4796  end; the rest is appended space
//
// After the fixed part, space is only ever appended: table headers (each written twice in a
// row), record areas and blob blocks. Nothing is given back until the file is rebuilt.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "The container file is little-endian and is read by copying bytes into these structures");

inline constexpr int64_t kMagicOfs = 0;
inline constexpr int64_t kVersionOfs = 5;
inline constexpr int64_t kExtDataOfs = 10;
inline constexpr int64_t kCommentsOfs = 2058;
inline constexpr int64_t kDBOptionsOfs = 2315;
inline constexpr int64_t kDBKeyDataOfs = 2391;
inline constexpr int64_t kTableTabOfs = 2732;
inline constexpr int64_t kTableTabCopyOfs = 3764;
inline constexpr int64_t kFixedPartSize = 4796;

// Offsets are signed 32-bit values, so no byte of the file may lie beyond this.
inline constexpr int64_t kMaxFileSize = 2147483647;

inline constexpr int kMaxTables = 256;
inline constexpr int kMaxIndexes = 8;
inline constexpr int kMaxIndexFields = 8;
inline constexpr int kNameSize = 33; // 32 bytes of text and the terminating zero

inline constexpr uint8_t kPhyRecSignature = 0xAA;

enum TNorkIndexType : uint8_t {
    itByte = 0,
    itWord = 1,
    itLongword = 2,
    itShortint = 3,
    itSmallint = 4,
    itLongint = 5,
    itDouble = 6,
    itBoolean = 7,
    itDate = 8,
    itTime = 9,
    itDateTime = 10,
    itString = 11,
};

#pragma pack(push, 1)

// Free-use data of the application; the engine never interprets it.
struct TExtDataBlock {
    uint8_t Data[2048];
};

// Comment text, zero-terminated; enciphered as a whole with the database cipher when the file is.
struct TCommentsBlock {
    char Text[257];
};

// Booleans are one byte, 0 or 1. Names are stored even when their flag is off.
struct TDBOptions {
    uint8_t CompressBlob;
    char CompressAlgoName[kNameSize];
    uint8_t Encrypt;
    char EncryptAlgoName[kNameSize];
    int32_t Reserved1;
    int32_t Reserved2;
};

// Shown deciphered. On disk the whole record is enciphered with the fixed key-data cipher,
// whether or not the database itself is encrypted.
struct TDBKeyData {
    uint8_t UseQuestion;
    char HashPassword[129]; // base64 text of the password digest
    char OrgPassword[65];   // zero unless UseQuestion
    char PwdQuestion[65];
    char PwdAnswer[65];
    uint8_t Reserved[16];
};

// Table i's header lies at TableHeaderOffset[i]; entries at and above TableCount mean nothing.
struct TTableTab {
    int32_t TableCount; // 0..256
    int32_t Reserved;
    int32_t TableHeaderOffset[kMaxTables];
};

// A key field: its byte offset in the caller's record data and its type (a TNorkIndexType).
struct TIndexFieldItem {
    int32_t FieldOffset;
    uint8_t IndexType;
};

// An index: the slot of its first record (-1 when empty) and its key fields in significance
// order; unused items have FieldOffset -1 and type 0.
struct TIndexHeaderItem {
    char IndexName[kNameSize];
    int32_t FirstSlot;
    int32_t FieldCount;
    TIndexFieldItem FieldItems[kMaxIndexFields];
};

// One per table, immediately followed by a byte-identical copy. Records live in at most two
// areas: slots 0..BaseUseSpace-1 in the base area, then the used part of the alive area.
struct TTableHeader {
    char TableName[kNameSize];
    int32_t BaseDataOfs;   // 0 = no base area
    int32_t BaseUseSpace;  // records in the base area
    int32_t AliveDataOfs;
    int32_t AliveUseSpace; // records used in the alive area
    int32_t AliveCapacity; // records the alive area holds; 0 = no alive area yet
    int32_t InitAliveCapa; // capacity of the alive area when it is first allocated
    int32_t RecordSize;    // bytes of caller data per record
    int32_t BlobCount;
    int32_t IndexCount;    // 0..8
    TIndexHeaderItem IndexHeader[kMaxIndexes];
    int32_t Reserved1;
    int32_t Reserved2;
};

// Where a blob's stored bytes are; DataOfs 0 means never written.
struct TBlobInfo {
    int32_t DataOfs;
    int32_t DataSize;   // as the caller gave it
    int32_t StoredSize; // after compression and encryption
    int32_t Capacity;   // reserved at DataOfs, a multiple of 64
    int32_t Reserved;
};

// The start of every physical record. It is followed by IndexCount next-slot links (Int32),
// BlobCount TBlobInfo descriptors and RecordSize bytes of data (enciphered when the file is).
struct TPhyRecPrefix {
    uint8_t Signature; // always kPhyRecSignature
    uint8_t Deleted;   // 0 live, 1 deleted
    int32_t SysRecordID;
};

#pragma pack(pop)

static_assert(sizeof(TExtDataBlock) == 2048);
static_assert(sizeof(TCommentsBlock) == 257);
static_assert(sizeof(TDBOptions) == 76);
static_assert(offsetof(TDBOptions, Encrypt) == 34 && offsetof(TDBOptions, Reserved1) == 68);
static_assert(sizeof(TDBKeyData) == 341);
static_assert(offsetof(TDBKeyData, OrgPassword) == 130 && offsetof(TDBKeyData, PwdQuestion) == 195 &&
              offsetof(TDBKeyData, PwdAnswer) == 260 && offsetof(TDBKeyData, Reserved) == 325);
static_assert(sizeof(TTableTab) == 1032);
static_assert(sizeof(TIndexFieldItem) == 5);
static_assert(sizeof(TIndexHeaderItem) == 81);
static_assert(offsetof(TIndexHeaderItem, FieldItems) == 41);
static_assert(sizeof(TTableHeader) == 725);
static_assert(offsetof(TTableHeader, BaseDataOfs) == 33 && offsetof(TTableHeader, IndexCount) == 65 &&
              offsetof(TTableHeader, IndexHeader) == 69 && offsetof(TTableHeader, Reserved1) == 717);
static_assert(sizeof(TBlobInfo) == 20);
static_assert(sizeof(TPhyRecPrefix) == 6);
static_assert(kVersionOfs + 5 == kExtDataOfs && kExtDataOfs + 2048 == kCommentsOfs &&
              kCommentsOfs + 257 == kDBOptionsOfs && kDBOptionsOfs + 76 == kDBKeyDataOfs &&
              kDBKeyDataOfs + 341 == kTableTabOfs && kTableTabOfs + 1032 == kTableTabCopyOfs &&
              kTableTabCopyOfs + 1032 == kFixedPartSize);

// Space one table header takes in the file: the header and its copy.
inline constexpr int64_t kTableHeaderSpace = 2 * int64_t(sizeof(TTableHeader));

// Bytes before the record data in a physical record: prefix, links and blob descriptors.
inline int64_t PhyRecPrefixSize(const TTableHeader& H)
{
    return int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(H.IndexCount) + int64_t(sizeof(TBlobInfo)) * H.BlobCount;
}

inline int64_t PhyRecSizeOf(const TTableHeader& H)
{
    return PhyRecPrefixSize(H) + H.RecordSize;
}

// The size helpers above answer and never raise. These two raise ENorkFileCorrupt unless the
// values read from a file can be used safely: counts in
// range and every area that will be read, written or indexed inside a file of FileSize bytes.
void CheckTableTab(const TTableTab& Tab);
void CheckTableHeader(const TTableHeader& Header, int64_t FileSize);
