// The damage table: for every invariant of the file format and every rule of the box, one damage
// done to a box the engine wrote, the line the complete check must print for it, and what a
// salvage of the damaged box must give: a box that checks clean and holds every entry, folder
// and attachment the damage did not touch, as it was.
#include "DamageFixture.h"

#include "boxdata/BoxSalvage.h"
#include "dataproc/AnsiText.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace DamageFixture;

namespace {

using TDamage = std::function<void(TDamageBox&)>;

struct TDamageRow {
    const char* Name;
    TDamage Damage;
    std::string Line;                // verify prints this line
    std::set<std::string> Touched;   // content the damage may change or take away
    std::string SalvageLine = "";    // a line the salvage report holds
    bool Salvageable = true;         // false: nothing can be read, the salvage refuses
};

// ---- damages ----

TDamage Bytes(std::function<void(TBytes&, const TFileMap&)> Edit)
{
    return [Edit](TDamageBox& Box) { Box.EditBytes(Edit); };
}

template <class T>
TDamage At(int64_t Ofs, T Value)
{
    return Bytes([=](TBytes& B, const TFileMap&) { Put(B, Ofs, Value); });
}

TDamage Truncate(int64_t Size)
{
    return Bytes([=](TBytes& B, const TFileMap&) { B.resize(std::size_t(Size)); });
}

// The key data deciphered, changed and enciphered again.
TDamage KeyData(std::function<void(TDBKeyData&)> Edit)
{
    return Bytes([=](TBytes& B, const TFileMap&) {
        TDBKeyData k = Get<TDBKeyData>(B, kDBKeyDataOfs);
        DecodeBlock(&k, sizeof(k), "Blowfish", "");
        Edit(k);
        EncodeBlock(&k, sizeof(k), "Blowfish", "");
        Put(B, kDBKeyDataOfs, k);
    });
}

// Both catalogue copies, or only the second.
TDamage Catalogue(std::function<void(TTableTab&)> Edit, bool BothCopies = true)
{
    return Bytes([=](TBytes& B, const TFileMap&) {
        for (const int64_t ofs : {kTableTabOfs, kTableTabCopyOfs}) {
            if (ofs == kTableTabOfs && !BothCopies)
                continue;
            TTableTab t = Get<TTableTab>(B, ofs);
            Edit(t);
            Put(B, ofs, t);
        }
    });
}

// Both copies of a table's header, or only the second.
TDamage Header(int Table, std::function<void(TTableHeader&)> Edit, bool BothCopies = true)
{
    return Bytes([=](TBytes& B, const TFileMap& M) {
        for (int copy = BothCopies ? 0 : 1; copy < 2; ++copy) {
            const int64_t ofs = M.HeaderOfs(Table) + copy * int64_t(sizeof(TTableHeader));
            TTableHeader h = Get<TTableHeader>(B, ofs);
            Edit(h);
            Put(B, ofs, h);
        }
    });
}

TDamage Prefix(int Table, int32_t ID, std::function<void(TPhyRecPrefix&)> Edit)
{
    return Bytes([=](TBytes& B, const TFileMap& M) {
        TPhyRecPrefix p = Get<TPhyRecPrefix>(B, M.RecordOfs(Table, ID));
        Edit(p);
        Put(B, M.RecordOfs(Table, ID), p);
    });
}

TDamage Link(int Table, int32_t ID, int32_t Next)
{
    return Bytes([=](TBytes& B, const TFileMap& M) { Put(B, M.LinkOfs(Table, ID, 0), Next); });
}

TDamage BlobInfo(int Table, int32_t ID, std::function<void(TBlobInfo&, const TFileMap&)> Edit)
{
    return Bytes([=](TBytes& B, const TFileMap& M) {
        TBlobInfo info = M.Blob(Table, ID);
        Edit(info, M);
        Put(B, M.BlobInfoOfs(Table, ID), info);
    });
}

// Record data rewritten through the engine, so it is enciphered as the box is.
TDamage Record(const char* Table, int32_t ID, std::function<void(uint8_t*)> Edit, bool Indexes = true)
{
    return [=](TDamageBox& Box) { Box.EditRecord(Table, ID, Edit, Indexes); };
}

TDamage Engine(const char* Table, std::function<void(TNorkTable&)> Body, bool Indexes = true)
{
    return [=](TDamageBox& Box) { Box.WithTable(Table, Indexes, Body); };
}

TDamage Options(std::function<void(TDBOptions&)> Edit)
{
    return Bytes([=](TBytes& B, const TFileMap&) {
        TDBOptions o = Get<TDBOptions>(B, kDBOptionsOfs);
        Edit(o);
        Put(B, kDBOptionsOfs, o);
    });
}

void SetText(char* Field, std::size_t Size, const char* Text)
{
    std::memset(Field, 0, Size);
    std::memcpy(Field, Text, std::strlen(Text));
}

const std::set<std::string> kNothing;
const std::string kWeb2 = "NetItem record 2 (web:2 \"Forum\")";

const std::vector<TDamageRow>& Rows()
{
    static const std::vector<TDamageRow> rows = {
        // ---- the fixed part ----
        {"ShortFile", Truncate(4000), "the file is 4000 bytes long, shorter than the fixed part of 4796 bytes", {}, "", false},
        {"Magic", At<char>(0, 'n'), "the file does not start with the magic \"NORK\"", kNothing},
        {"Version", At<char>(kVersionOfs, '0'), "the version field reads \"0.0\", not \"1.0\"", kNothing},
        {"Identification", At<char>(kExtDataOfs, 'z'),
         "the free-use data does not hold the identification \"Zembrix\" \"1.0\"", kNothing},
        {"FreeUseData", At<uint8_t>(kExtDataOfs + 100, 1), "the free-use data after the identification is not zero", kNothing},
        {"CommentsText",
         [](TDamageBox& Box) {
             TNorkDatabase db;
             ASSERT_TRUE(db.Open(Box.File(), kPassword));
             db.SetComments("Other");
         },
         "the comments read \"Other\", not \"Zembrix File\"", kNothing},
        {"CommentsPadding", Bytes([](TBytes& B, const TFileMap&) {
             TCommentsBlock c = Get<TCommentsBlock>(B, kCommentsOfs);
             DecodeBlock(&c, sizeof(c), "Blowfish", kPassword);
             c.Text[200] = 'x';
             EncodeBlock(&c, sizeof(c), "Blowfish", kPassword);
             Put(B, kCommentsOfs, c);
         }),
         "the comments block is not a terminated text followed by zeros", kNothing},
        {"CompressFlag", Options([](TDBOptions& O) { O.CompressBlob = 2; }), "options: the compression flag is 2, not 0 or 1",
         kNothing},
        {"EncryptFlagRange", Options([](TDBOptions& O) { O.Encrypt = 7; }), "options: the encryption flag is 7, not 0 or 1",
         kNothing},
        {"EncryptFlag", Options([](TDBOptions& O) { O.Encrypt = 0; }),
         "options: the encryption flag is 0, but the records are enciphered", kNothing},
        {"AlgoNamePadding", Options([](TDBOptions& O) { O.CompressAlgoName[10] = 1; }),
         "options: the compression algorithm name is not a terminated text followed by zeros", kNothing},
        {"UnknownAlgorithm", Options([](TDBOptions& O) { SetText(O.CompressAlgoName, kNameSize, "Zlip"); }),
         "options: the compression algorithm \"Zlip\" is not known", kNothing},
        {"BoxCompression", Options([](TDBOptions& O) { O.CompressBlob = 0; }),
         "options: blobs are not marked as compressed with \"Zlib\"", kNothing},
        {"BoxEncryption", Options([](TDBOptions& O) { SetText(O.EncryptAlgoName, kNameSize, "Twofish"); }),
         "options: the encryption algorithm is \"Twofish\", not \"Blowfish\"", kNothing},
        {"OptionsReserved", Options([](TDBOptions& O) { O.Reserved2 = 1; }), "options: the reserved fields are not zero",
         kNothing},
        {"RecoveryFlag", KeyData([](TDBKeyData& K) { K.UseQuestion = 2; }), "key data: the recovery flag is 2, not 0 or 1",
         kNothing, "Mended: the recovery flag was damaged; the recovery question that can be read is kept"},
        {"DigestPadding", KeyData([](TDBKeyData& K) { K.HashPassword[60] = 'x'; }),
         "key data: the password digest is not the base64 text of a digest followed by zeros", kNothing},
        // The password is then taken because it reads the category folders.
        {"DigestText", KeyData([](TDBKeyData& K) { K.HashPassword[0] = '!'; }),
         "key data: the password digest is not the base64 text of a digest followed by zeros", kNothing},
        {"RecoveryFieldsWithoutQuestion", KeyData([](TDBKeyData& K) { K.UseQuestion = 0; }),
         "key data: the recovery fields are not zero although no recovery question is set", kNothing},
        {"RecoveryFieldEnd", KeyData([](TDBKeyData& K) { K.PwdAnswer[64] = 'x'; }),
         "key data: a recovery field is not terminated inside its 65 bytes", kNothing,
         "Dropped: the recovery question could not be read; the new box has none"},
        {"KeyDataReserved", KeyData([](TDBKeyData& K) { K.Reserved[3] = 1; }), "key data: the reserved bytes are not zero",
         kNothing},
        {"RecoveryPassword", KeyData([](TDBKeyData& K) { SetText(K.OrgPassword, sizeof(K.OrgPassword), "other"); }),
         "key data: the password kept for recovery is not the box's password", kNothing},

        // ---- the catalogue ----
        {"CatalogueCopies", Catalogue([](TTableTab& T) { T.Reserved = 1; }, false), "catalogue: the two copies differ",
         kNothing},
        {"CatalogueReserved", Catalogue([](TTableTab& T) { T.Reserved = 1; }), "catalogue: the reserved field is not zero",
         kNothing},
        {"TableCountRange", Catalogue([](TTableTab& T) { T.TableCount = 300; }),
         "catalogue: the table count 300 is outside 0..256", kNothing},
        {"TableCount", Catalogue([](TTableTab& T) { T.TableCount = 4; }), "catalogue: the box has 4 tables, not 5",
         {"attach:1", "attach:2"}, "Dropped: Attach: the table cannot be read; whatever it held is lost"},
        {"HeaderOffset", Catalogue([](TTableTab& T) { T.TableHeaderOffset[4] = 1000000000; }),
         "catalogue: the header of table 4 at offset 1000000000 lies outside the file", {"attach:1", "attach:2"}},
        {"StaleCatalogueEntry", Catalogue([](TTableTab& T) { T.TableHeaderOffset[5] = 4796; }),
         "catalogue: the entries after the last table are not zero", kNothing},
        {"TableOrder", Catalogue([](TTableTab& T) {
             const int32_t first = T.TableHeaderOffset[1];
             T.TableHeaderOffset[1] = T.TableHeaderOffset[2];
             T.TableHeaderOffset[2] = first;
         }),
         "catalogue: table 1 is \"BankItem\", not \"NetItem\"", kNothing},

        // ---- table headers ----
        {"HeaderCopies", Header(tnNetItem, [](TTableHeader& H) { H.Reserved1 = 1; }, false),
         "NetItem: the two copies of the table header differ", kNothing},
        {"TableNamePadding", Header(tnNetItem, [](TTableHeader& H) { H.TableName[20] = 1; }),
         "NetItem: the table name is not \"NetItem\" followed by zeros", kNothing},
        {"IndexCountRange", Header(tnNetItem, [](TTableHeader& H) { H.IndexCount = 9; }),
         "NetItem: the index count 9 is outside 0..8", {"web:1", "web:2", "web:3"}},
        {"RecordSizeNegative", Header(tnNetItem, [](TTableHeader& H) { H.RecordSize = -1; }),
         "NetItem: the record size -1 or the blob count 1 is negative", {"web:1", "web:2", "web:3"}},
        {"RecordSize", Header(tnNetItem, [](TTableHeader& H) { H.RecordSize = 331; }),
         "NetItem: the record size is 331, not 330", {"web:1", "web:2", "web:3"}},
        {"BlobCount", Header(tnBankItem, [](TTableHeader& H) { H.BlobCount = 0; }), "BankItem: the blob count is 0, not 1",
         {"bank:1"}},
        {"InitialCapacityRange", Header(tnNetItem, [](TTableHeader& H) { H.InitAliveCapa = 0; }),
         "NetItem: the initial alive capacity is 0, not at least 1", kNothing},
        {"InitialCapacity", Header(tnNetItem, [](TTableHeader& H) { H.InitAliveCapa = 128; }),
         "NetItem: the initial alive capacity is 128, not 256", kNothing},
        {"CapacityDoubling", Header(tnNetItem, [](TTableHeader& H) { H.AliveCapacity = 200; }),
         "NetItem: the alive capacity 200 is not the initial capacity 256 doubled", kNothing},
        {"HeaderReserved", Header(tnNetItem, [](TTableHeader& H) { H.Reserved2 = 1; }),
         "NetItem: the reserved fields of the header are not zero", kNothing},
        {"BaseOffset", Header(tnNetItem, [](TTableHeader& H) { H.BaseDataOfs = 5000; }),
         "NetItem: the base area is empty but has the offset 5000", kNothing},
        {"AliveOffset", Header(tnNetItem, [](TTableHeader& H) { H.AliveDataOfs = 100; }),
         "NetItem: the alive area's offset 100 lies inside the fixed part", {"web:1", "web:2", "web:3"}},
        {"AliveUse", Header(tnNetItem, [](TTableHeader& H) { H.AliveUseSpace = 300; }),
         "NetItem: the alive area uses 300 of 256 records", kNothing},
        {"AliveCapacityZero", Header(tnNetItem, [](TTableHeader& H) { H.AliveCapacity = 0; }),
         "NetItem: the alive area has no capacity but an offset or records", {"web:1", "web:2", "web:3"}},
        {"AliveReserve", Header(tnAttach, [](TTableHeader& H) { H.AliveCapacity = 1 << 20; }),
         "Attach: the alive area's reserved space reaches past the end of the file", kNothing},
        {"UnusedIndexEntry", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[3].FirstSlot = 5; }),
         "NetItem: the unused index entry 3 is not zero", kNothing},
        {"IndexNamePadding", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[0].IndexName[20] = 1; }),
         "NetItem: index FolderID: the name is not a terminated text followed by zeros", kNothing},
        {"IndexNameTwice", Header(tnFolder, [](TTableHeader& H) { SetText(H.IndexHeader[1].IndexName, kNameSize, "ParentID"); }),
         "Folder: index ParentID: another index of the table has the same name", kNothing},
        {"FirstSlot", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[0].FirstSlot = 1000; }),
         "NetItem: index FolderID: the first slot 1000 is not a used slot", kNothing},
        {"FieldCount", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[0].FieldCount = 0; }),
         "NetItem: index FolderID: the field count 0 is outside 1..8", kNothing},
        {"UnusedFieldItem", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[0].FieldItems[1].FieldOffset = 0; }),
         "NetItem: index FolderID: the unused field item 1 is not offset -1 and type 0", kNothing},
        {"FieldType", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[0].FieldItems[0].IndexType = 12; }),
         "NetItem: index FolderID: field 0 has the type 12, outside 0..11", kNothing},
        {"FieldOffset", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[0].FieldItems[0].FieldOffset = 328; }),
         "NetItem: index FolderID: field 0 at offset 328 lies outside the record", kNothing},
        {"FieldTwice", Header(tnNetItem,
                              [](TTableHeader& H) {
                                  H.IndexHeader[0].FieldCount = 2;
                                  H.IndexHeader[0].FieldItems[1] = TIndexFieldItem{0, itLongint};
                              }),
         "NetItem: index FolderID: two fields have the offset 0", kNothing},
        {"BoxIndex", Header(tnNetItem, [](TTableHeader& H) { H.IndexHeader[0].FieldItems[0].FieldOffset = 4; }),
         "NetItem: index 0 is not \"FolderID\" over the 32-bit integer at offset 0", kNothing},

        // ---- record slots and index chains ----
        {"Signature", Prefix(tnNetItem, kWebMail, [](TPhyRecPrefix& P) { P.Signature = 0; }),
         "NetItem record 1 (web:1 \"Mail\"): slot 0: the signature byte is 0x00, not 0xAA", kNothing},
        {"DeletedByte", Prefix(tnNetItem, kWebMail, [](TPhyRecPrefix& P) { P.Deleted = 5; }),
         "NetItem record 1 (web:1 \"Mail\"): slot 0: the deleted byte is 5, not 0 or 1", kNothing},
        {"RecordIdZero", Prefix(tnNetItem, kWebDeep, [](TPhyRecPrefix& P) { P.SysRecordID = 0; }),
         "NetItem: slot 2: the record id 0 is not at least 1", {"web:3"}},
        {"RecordIdTwice", Prefix(tnNetItem, kWebForum, [](TPhyRecPrefix& P) { P.SysRecordID = 1; }),
         "NetItem record 1 (web:1 \"Mail\"): slot 1: the record id occurs again (first in slot 0)", {"web:2"}},
        {"IdsRise", Prefix(tnNetItem, kWebMail, [](TPhyRecPrefix& P) { P.SysRecordID = 5; }),
         "NetItem record 2 (web:2 \"Forum\"): its id is not above the id 5 of the record before it", {"web:1"}},
        {"ChainLeaves", Link(tnNetItem, kWebDeep, 999), "NetItem: index FolderID: the chain leaves the used slots at slot 999",
         kNothing},
        {"ChainLoop", Link(tnNetItem, kWebDeep, 0), "NetItem: index FolderID: the chain runs in a loop at slot 0", kNothing},
        // Marked deleted while its chain still passes it: kept, not lost.
        {"ChainPassesDeleted", Prefix(tnNetItem, kWebForum, [](TPhyRecPrefix& P) { P.Deleted = 1; }),
         "NetItem: index FolderID: the chain passes 1 deleted record (id 2)", kNothing,
         "Mended: " + kWeb2 + ": it is marked deleted but its index still lists it; it is kept"},
        {"ChainMisses", Link(tnNetItem, kWebMail, 2), "NetItem: index FolderID: the chain misses 1 live record (id 2)",
         kNothing},
        // Changed through a table opened without its indexes, which must not be changed.
        {"KeyOrder", Record("NetItem", kWebMail, [](uint8_t* R) { PutInt32(R, 0, 7); }, false),
         "NetItem record 2 (web:2 \"Forum\"): index FolderID: the record is out of key order in the chain", {"web:1"}},
        {"TruncatedBlob", Bytes([](TBytes& B, const TFileMap& M) {
             B.resize(std::size_t(M.Blob(tnAttach, kAttachBin).DataOfs + 100));
         }),
         "Attach record 2 (\"b.bin\" of note:1): blob 0: the file ends inside it", {"attach:2", "note:2"},
         "Dropped: Attach record 2 (\"b.bin\" of note:1): its content could not be read (the file ends inside it); the "
         "attachment is lost"},

        // ---- blob descriptors and blocks ----
        {"BlobReserved", BlobInfo(tnNetItem, kWebForum, [](TBlobInfo& I, const TFileMap&) { I.Reserved = 1; }),
         kWeb2 + ": blob 0: the reserved field of the descriptor is not zero", kNothing},
        {"BlobNeverWrittenWithSizes", BlobInfo(tnNetItem, kWebForum, [](TBlobInfo& I, const TFileMap&) { I.DataOfs = 0; }),
         kWeb2 + ": blob 0: it was never written but its descriptor gives sizes", {"web:2"}},
        {"BlobDataSize", BlobInfo(tnNetItem, kWebForum, [](TBlobInfo& I, const TFileMap&) { I.DataSize = -1; }),
         kWeb2 + ": blob 0: the data size -1 is negative", {"web:2"}},
        {"BlobOffset", BlobInfo(tnNetItem, kWebForum, [](TBlobInfo& I, const TFileMap&) { I.DataOfs = 100; }),
         kWeb2 + ": blob 0: its offset 100 lies inside the fixed part", {"web:2"}},
        {"BlobCapacity", BlobInfo(tnNetItem, kWebForum, [](TBlobInfo& I, const TFileMap&) { I.Capacity = 65; }),
         kWeb2 + ": blob 0: the capacity 65 is not a positive multiple of 64", {"web:2"}},
        {"BlobStoredSize", BlobInfo(tnNetItem, kWebForum,
                                    [](TBlobInfo& I, const TFileMap&) {
                                        I.StoredSize = 200;
                                        I.Capacity = 64;
                                    }),
         kWeb2 + ": blob 0: the stored size 200 does not fit the capacity 64", {"web:2"}},
        {"BlobBeyondFile", BlobInfo(tnNetItem, kWebForum,
                                    [](TBlobInfo& I, const TFileMap& M) {
                                        I.DataOfs = static_cast<int32_t>(M.B.size()) - 64;
                                        I.StoredSize = 1;
                                        I.Capacity = 128;
                                    }),
         kWeb2 + ": blob 0: the block reaches past the end of the file", {"web:2"}},
        {"BlobOverlap", BlobInfo(tnNetItem, kWebForum, [](TBlobInfo& I, const TFileMap& M) { I = M.Blob(tnNetItem, kWebMail); }),
         kWeb2 + ": blob 0 of NetItem record id 2 overlaps blob 0 of NetItem record id 1", {"web:2"}},
        {"BlobPadding", Bytes([](TBytes& B, const TFileMap& M) {
             const TBlobInfo i = M.Blob(tnNetItem, kWebForum);
             B[std::size_t(i.DataOfs + i.StoredSize)] = 1;
         }),
         kWeb2 + ": blob 0: the bytes after the stored data are not zero", kNothing},
        {"BlobUndecodable", Bytes([](TBytes& B, const TFileMap& M) { B[std::size_t(M.Blob(tnNetItem, kWebForum).DataOfs + 9)] ^= 0x40; }),
         kWeb2 + ": blob 0: it cannot be decoded (Decompression error: data error)", {"web:2"},
         "Dropped: " + kWeb2 +
             ": its comments could not be read (it cannot be decoded (Decompression error: data error)); the entry is "
             "kept without it"},
        {"BlobSize", BlobInfo(tnNetItem, kWebForum, [](TBlobInfo& I, const TFileMap&) { I.DataSize += 1; }),
         kWeb2 + ": blob 0: it decodes to 14 bytes, not the 15 its descriptor gives", {"web:2"}},

        // ---- record fields ----
        {"TextUnterminated", Record("NetItem", kWebForum, [](uint8_t* R) { std::memset(R + 4, 'A', 31); }),
         "NetItem record 2 (web:2): the field Caption is not terminated inside its 31 bytes", {"web:2"},
         "Dropped: NetItem record 2 (web:2): the field Caption is not terminated inside its 31 bytes; it is left empty"},
        {"TextNot936", Record("NetItem", kWebForum, [](uint8_t* R) { std::memcpy(R + 66, "\x81\x20", 3); }),
         kWeb2 + ": the field Password is not code page 936 text", {"web:2"}},
        {"LooseBytes", Record("NetItem", kWebForum, [](uint8_t* R) { R[250] = 7; }),
         kWeb2 + ": bytes outside the fields are not zero", kNothing},
        {"FlaggedDeleted", Record("NetItem", kWebForum, [](uint8_t* R) { R[329] = 1; }),
         kWeb2 + ": the entry is flagged deleted, which no program does", kNothing,
         "Mended: " + kWeb2 + ": the deleted flag 1 is cleared"},
        {"DeletedFlag", Record("NetItem", kWebForum, [](uint8_t* R) { R[329] = 3; }), kWeb2 + ": the deleted flag is 3, not 0",
         kNothing},
        {"CommentsNot936", Engine("NetItem", [](TNorkTable& T) {
             TMemoryStream s;
             s.Write("ok\x81\x20", 4);
             T.WriteBlob(kWebForum, 0, s);
         }),
         kWeb2 + ": its comments were not stored as code page 936 text", {"web:2"}},

        // ---- changes that did not finish ----
        {"UnfinishedEntry", Engine("NetItem", [](TNorkTable& T) { AppendUnfinishedEntry(T, 4, "Half"); }),
         "NetItem record 4 (web:4 \"Half\"): unfinished: its comments were never stored (a change was interrupted)", kNothing,
         "Removed: NetItem record 4 (web:4 \"Half\"): an unfinished addition (its comments were never stored)"},
        {"UnfinishedAttachment",
         Engine("Attach", [](TNorkTable& T) { AppendUnfinishedAttachment(T, kNoteMemo, "big.bin", 30000000); }),
         "Attach record 3 (\"big.bin\" of note:1): unfinished: its content was never stored (a change was interrupted)",
         kNothing, "Removed: Attach record 3 (\"big.bin\" of note:1): an unfinished addition (its content was never stored)"},
        {"InterruptedFolderDeletion", Engine("Folder", [](TNorkTable& T) { T.DeleteRecord(4); }),
         "Folder record 18 (\"Sub\"): its parent folder 4 does not exist (it was deleted: a deletion was interrupted)",
         {"folder:4", "folder:18", "web:1", "web:3"},
         "Removed: NetItem record 1 (web:1 \"Mail\"): its folder 4 was deleted (a deletion was interrupted)"},
        {"InterruptedNoteDeletion", Engine("CommItem", [](TNorkTable& T) { T.DeleteRecord(kNoteMemo); }),
         "Attach record 1 (\"a.txt\" of note:1): its entry note:1 does not exist (it was deleted: a deletion was "
         "interrupted)",
         {"note:1", "attach:1", "attach:2"},
         "Removed: Attach record 2 (\"b.bin\" of note:1): its entry note:1 was deleted (a deletion was interrupted)"},

        // ---- the tree, entries and attachments in their places ----
        {"CategoryMissing", Engine("Folder", [](TNorkTable& T) { T.DeleteRecord(2); }),
         "Folder: the category folder 2 \"<银行账号>\" is missing", kNothing,
         "Mended: the category folder 2 <银行账号> was lost and is made anew"},
        {"CategoryParent", Record("Folder", 1, [](uint8_t* R) { PutInt32(R, 0, 3); }),
         "Folder record 1 (\"<网上信息>\"): the category folder has the parent folder 3", kNothing},
        {"FolderWithoutParent", Record("Folder", kSubFolder, [](uint8_t* R) { PutInt32(R, 0, 0); }),
         "Folder record 18 (\"Sub\"): a folder other than the three categories has no parent", {"folder:18"},
         "Mended: Folder record 18 (\"Sub\"): it has no parent; moved below <网上信息>"},
        {"FolderParentMissing", Record("Folder", kSubFolder, [](uint8_t* R) { PutInt32(R, 0, 99); }),
         "Folder record 18 (\"Sub\"): its parent folder 99 does not exist", {"folder:18"},
         "Mended: Folder record 18 (\"Sub\"): its parent folder 99 is lost; moved below <网上信息>"},
        {"FolderLoop", Record("Folder", kSubFolder, [](uint8_t* R) { PutInt32(R, 0, kSubFolder); }),
         "Folder record 18 (\"Sub\"): it is not below a category: its parents run in a loop", {"folder:18"}},
        {"EntryFolderMissing", Record("NetItem", kWebForum, [](uint8_t* R) { PutInt32(R, 0, 99); }),
         kWeb2 + ": its folder 99 does not exist", {"web:2"},
         "Mended: " + kWeb2 + ": its folder 99 is lost; moved to <网上信息>"},
        {"EntryWrongCategory", Record("NetItem", kWebForum, [](uint8_t* R) { PutInt32(R, 0, 9); }),
         kWeb2 + ": its folder 9 lies below <银行账号>, not <网上信息>", {"web:2"}},
        {"AttachmentOwnerMissing", Record("Attach", kAttachText, [](uint8_t* R) { PutInt32(R, 0, 99); }),
         "Attach record 1 (\"a.txt\" of note:99): its entry note:99 does not exist", {"attach:1", "note:99"},
         "Mended: note:99 was lost; an empty note:99 in <通用数据> now holds its attachments"},
        {"AttachmentSize", Record("Attach", kAttachText, [](uint8_t* R) { PutInt32(R, 4, 5); }),
         "Attach record 1 (\"a.txt\" of note:1): its size field says 5 bytes, its content holds 3", kNothing},
    };
    return rows;
}

// How a row is named where the test is listed.
void PrintTo(const TDamageRow& Row, std::ostream* Out)
{
    *Out << Row.Name;
}

std::string Joined(const std::vector<std::string>& Lines)
{
    std::string out;
    for (const std::string& l : Lines)
        out += "  " + l + "\n";
    return out;
}

class DamageTableTest : public ::testing::TestWithParam<TDamageRow> {
protected:
    void SetUp() override
    {
        FBox.BuildOnce();
        static const std::map<std::string, std::string> original = ReadContent(FBox.File());
        FOriginal = original;
    }

    TDamageBox FBox;
    std::map<std::string, std::string> FOriginal;
};

TEST_P(DamageTableTest, VerifyNamesTheDamageAndSalvageKeepsWhatItDidNotTouch)
{
    const TDamageRow& row = GetParam();
    row.Damage(FBox);
    ASSERT_FALSE(HasFatalFailure());

    TDbFileMgr mgr;
    const std::vector<std::string> lines = mgr.Verify(FBox.File(), kPassword);
    EXPECT_NE(std::find(lines.begin(), lines.end(), row.Line), lines.end())
        << "expected: " << row.Line << "\nprinted:\n" << Joined(lines);

    const std::string salvaged = FBox.Path("salvaged.zmb");
    if (!row.Salvageable) {
        EXPECT_ANY_THROW(mgr.SalvageDatabase(FBox.File(), kPassword, salvaged));
        return;
    }
    const TSalvageReport report = mgr.SalvageDatabase(FBox.File(), kPassword, salvaged);
    const std::vector<std::string> left = mgr.Verify(salvaged, kPassword);
    EXPECT_TRUE(left.empty()) << "the salvaged box is not sound:\n" << Joined(left);
    if (!row.SalvageLine.empty()) {
        EXPECT_NE(std::find(report.Lines.begin(), report.Lines.end(), row.SalvageLine), report.Lines.end())
            << "expected: " << row.SalvageLine << "\nreport:\n" << Joined(report.Lines);
    }
    const std::map<std::string, std::string> now = ReadContent(salvaged);
    for (const auto& [ref, content] : FOriginal) {
        if (row.Touched.count(ref) != 0)
            continue;
        const auto it = now.find(ref);
        EXPECT_TRUE(it != now.end() && it->second == content) << ref << " was not kept as it was";
    }
    // The salvaged box opens with the password and keeps the recovery question it could read.
    std::string question, answer;
    if (row.SalvageLine.find("recovery question") == std::string::npos) {
        EXPECT_TRUE(mgr.GetPwdQuestion(salvaged, question, answer));
        EXPECT_EQ(question, "Pet?");
    }
}

// The box as built is sound, and its content is what the table compares with.
TEST(DamageTableBox, IsSoundAsBuilt)
{
    TDamageBox box;
    box.BuildOnce();
    EXPECT_TRUE(TDbFileMgr().Verify(box.File(), kPassword).empty());
    // 15 folders below the categories, 3 web entries, 1 bank entry, 2 notes, 2 attachments.
    const auto content = ReadContent(box.File());
    EXPECT_EQ(content.size(), 23u);
    EXPECT_EQ(content.at("folder:18"), "4|Sub");
    EXPECT_EQ(content.at("attach:1"), "1|a.txt|3|abc");
}

INSTANTIATE_TEST_SUITE_P(Rows, DamageTableTest, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<TDamageRow>& Info) { return std::string(Info.param.Name); });

} // namespace
