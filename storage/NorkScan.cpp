#include "storage/NorkScan.h"

#include "dataproc/AlgoRegistry.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Exception.h"
#include "dataproc/ParallelFor.h"
#include "dataproc/Wipe.h"
#include "storage/NorkCodec.h"
#include "storage/NorkDatabase.h"
#include "storage/NorkError.h"
#include "storage/NorkIndex.h"
#include "storage/NorkNames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace {

// Record areas are read in pieces of about this size.
constexpr int64_t kReadChunk = 1 << 20;
// A finding that lists record ids names at most this many.
constexpr std::size_t kListedIDs = 10;

std::string Num(int64_t N)
{
    return std::to_string(N);
}

std::string Hex(uint8_t Byte)
{
    char text[8];
    std::snprintf(text, sizeof(text), "0x%02X", Byte);
    return text;
}


bool AllZero(const void* Data, std::size_t Size)
{
    const auto* p = static_cast<const uint8_t*>(Data);
    return std::all_of(p, p + Size, [](uint8_t b) { return b == 0; });
}

// A text array the engine writes into zeros: terminated inside the array and zero after the text.
bool CleanTextArray(const char* Field, std::size_t Size)
{
    const std::size_t n = AnsiFieldBytes(Field, Size).size();
    return n < Size && AllZero(Field + n, Size - n);
}

// The text of the SHA-0 digest in base64: 28 characters, the last one padding.
bool IsDigestText(std::string_view Text)
{
    if (Text.size() != 28 || Text.back() != '=')
        return false;
    return std::all_of(Text.begin(), Text.end() - 1,
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/'; });
}

// "1 deleted record (id 5)", "2 deleted records (ids 5, 9)".
std::string IDList(const std::vector<int32_t>& IDs, const std::string& What)
{
    std::string out = std::to_string(IDs.size()) + " " + What + (IDs.size() == 1 ? " record (id " : " records (ids ");
    for (std::size_t i = 0; i < IDs.size() && i < kListedIDs; ++i)
        out += (i == 0 ? "" : ", ") + Num(IDs[i]);
    if (IDs.size() > kListedIDs)
        out += ", ...";
    return out + ")";
}

struct TExtent {
    int64_t Start;
    int64_t End;
    std::string What;
    std::string Table;
    int32_t RecordID;
};

} // namespace

// ---- the scan's view of a table ----

int32_t TNorkScanTable::Link(int64_t Slot, int IndexNo) const
{
    int32_t link = 0;
    std::memcpy(&link, Prefixes.data() + Slot * PrefixSize + int64_t(sizeof(TPhyRecPrefix)) + 4 * IndexNo, 4);
    return link;
}

TBlobInfo TNorkScanTable::Blob(int64_t Slot, int BlobIndex) const
{
    TBlobInfo info{};
    std::memcpy(&info,
                Prefixes.data() + Slot * PrefixSize + int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(Header.IndexCount) +
                    int64_t(sizeof(TBlobInfo)) * BlobIndex,
                sizeof(info));
    return info;
}

// ---- reading the file ----

TNorkFileScan::TNorkFileScan(const std::string& FileName, TNorkHeaderWeight Weight)
    : FFileName(FileName), FWeight(std::move(Weight)), FFileIO(std::make_unique<TNorkFileIO>())
{
    FFileIO->Open(FileName, false, true, 0);
    Scan();
}

TNorkFileScan::TNorkFileScan(TMemoryStream* Stream, TNorkHeaderWeight Weight)
    : FWeight(std::move(Weight)), FFileIO(std::make_unique<TNorkFileIO>())
{
    FFileIO->Open(Stream, false, true, 0);
    Scan();
}

void TNorkFileScan::Scan()
{
    FFileSize = FFileIO->Size();
    ReadHead();
    ReadCatalogue();
    CheckSpace();
}

TNorkFileScan::~TNorkFileScan()
{
    SecureZero(&FKeyData, sizeof(FKeyData));
    WipeString(FCodecPassword);
}

void TNorkFileScan::Report(const std::string& Table, int32_t RecordID, const std::string& Text)
{
    FFindings.push_back(TNorkFinding{Table, RecordID, Text});
}

const TNorkScanTable* TNorkFileScan::FindTable(const std::string& Name) const
{
    const std::string stored = StoredName(Name);
    for (const TNorkScanTable& t : FTables)
        if (t.Usable && SameText(t.Name, stored))
            return &t;
    return nullptr;
}

void TNorkFileScan::ReadHead()
{
    uint8_t head[kExtDataOfs] = {};
    FFileIO->ReadAt(kMagicOfs, head, sizeof(head));
    if (FFileSize < kFixedPartSize)
        Report("", 0, "the file is " + Num(FFileSize) + " bytes long, shorter than the fixed part of " +
                          Num(kFixedPartSize) + " bytes");
    FHasMagic = std::memcmp(head, "NORK", 5) == 0;
    if (!FHasMagic)
        Report("", 0, "the file does not start with the magic \"NORK\"");
    if (std::memcmp(head + kVersionOfs, "1.0\0\0", 5) != 0)
        Report("", 0, "the version field reads \"" + AnsiToPrintable(AnsiFieldBytes(head + kVersionOfs, 5)) + "\", not \"1.0\"");

    FFileIO->ReadAt(kExtDataOfs, &FExtData, sizeof(FExtData));

    FFileIO->ReadAt(kDBOptionsOfs, &FOptions, sizeof(FOptions));
    const TDBOptions& o = FOptions;
    if (o.CompressBlob > 1)
        Report("", 0, "options: the compression flag is " + Num(o.CompressBlob) + ", not 0 or 1");
    if (o.Encrypt > 1)
        Report("", 0, "options: the encryption flag is " + Num(o.Encrypt) + ", not 0 or 1");
    if (!CleanTextArray(o.CompressAlgoName, sizeof(o.CompressAlgoName)))
        Report("", 0, "options: the compression algorithm name is not a terminated text followed by zeros");
    if (!CleanTextArray(o.EncryptAlgoName, sizeof(o.EncryptAlgoName)))
        Report("", 0, "options: the encryption algorithm name is not a terminated text followed by zeros");
    const std::string compressName = AnsiFieldToStr(o.CompressAlgoName, sizeof(o.CompressAlgoName));
    const std::string encryptName = AnsiFieldToStr(o.EncryptAlgoName, sizeof(o.EncryptAlgoName));
    if (o.CompressBlob == 1 && !IsCompressAlgoRegistered(compressName))
        Report("", 0, "options: the compression algorithm \"" + AnsiToPrintable(AnsiFieldBytes(o.CompressAlgoName, sizeof(o.CompressAlgoName))) + "\" is not known");
    if (o.Encrypt == 1 && !IsEncryptAlgoRegistered(encryptName))
        Report("", 0, "options: the encryption algorithm \"" + AnsiToPrintable(AnsiFieldBytes(o.EncryptAlgoName, sizeof(o.EncryptAlgoName))) + "\" is not known");
    if (o.Reserved1 != 0 || o.Reserved2 != 0)
        Report("", 0, "options: the reserved fields are not zero");

    FFileIO->ReadDBKeyData(FKeyData);
    const TDBKeyData& k = FKeyData;
    if (k.UseQuestion > 1)
        Report("", 0, "key data: the recovery flag is " + Num(k.UseQuestion) + ", not 0 or 1");
    FDigestIntact = CleanTextArray(k.HashPassword, sizeof(k.HashPassword)) &&
                    IsDigestText(AnsiFieldBytes(k.HashPassword, sizeof(k.HashPassword)));
    if (!FDigestIntact)
        Report("", 0, "key data: the password digest is not the base64 text of a digest followed by zeros");
    if (k.UseQuestion == 0) {
        if (!AllZero(k.OrgPassword, sizeof(k.OrgPassword)) || !AllZero(k.PwdQuestion, sizeof(k.PwdQuestion)) ||
            !AllZero(k.PwdAnswer, sizeof(k.PwdAnswer)))
            Report("", 0, "key data: the recovery fields are not zero although no recovery question is set");
    } else {
        // Bytes after each terminator keep what an earlier, longer text left there.
        if (k.OrgPassword[sizeof(k.OrgPassword) - 1] != 0 || k.PwdQuestion[sizeof(k.PwdQuestion) - 1] != 0 ||
            k.PwdAnswer[sizeof(k.PwdAnswer) - 1] != 0)
            Report("", 0, "key data: a recovery field is not terminated inside its 65 bytes");
    }
    if (!AllZero(k.Reserved, sizeof(k.Reserved)))
        Report("", 0, "key data: the reserved bytes are not zero");
}

void TNorkFileScan::ReadCatalogue()
{
    TTableTab copies[2] = {};
    FFileIO->ReadAt(kTableTabOfs, &copies[0], sizeof(TTableTab));
    FFileIO->ReadAt(kTableTabCopyOfs, &copies[1], sizeof(TTableTab));
    const bool same = std::memcmp(&copies[0], &copies[1], sizeof(TTableTab)) == 0;
    if (!same)
        Report("", 0, "catalogue: the two copies differ");

    // Each distinct copy is scanned with its tables; the one that agrees with the file is kept.
    int best = -1;
    std::vector<TNorkScanTable> bestTables;
    std::vector<TNorkFinding> bestFound;
    for (int c = 0; c < (same ? 1 : 2); ++c) {
        const TTableTab& tab = copies[c];
        std::vector<TNorkFinding> found;
        const std::string which = same ? "catalogue: " : (c == 0 ? "catalogue (first copy): " : "catalogue (second copy): ");
        if (tab.TableCount < 0 || tab.TableCount > kMaxTables)
            found.push_back({"", 0, which + "the table count " + Num(tab.TableCount) + " is outside 0..256"});
        if (tab.Reserved != 0)
            found.push_back({"", 0, which + "the reserved field is not zero"});
        std::vector<TNorkScanTable> tables;
        ScanTables(tab, tables, found);
        const auto usable = std::count_if(tables.begin(), tables.end(), [](const TNorkScanTable& t) { return t.Usable; });
        const auto bestUsable =
            std::count_if(bestTables.begin(), bestTables.end(), [](const TNorkScanTable& t) { return t.Usable; });
        if (best < 0 || found.size() < bestFound.size() || (found.size() == bestFound.size() && usable > bestUsable)) {
            best = c;
            bestTables = std::move(tables);
            bestFound = std::move(found);
        }
    }
    FTableTab = copies[best];
    FTables = std::move(bestTables);
    FFindings.insert(FFindings.end(), bestFound.begin(), bestFound.end());
}

void TNorkFileScan::ScanTables(const TTableTab& Tab, std::vector<TNorkScanTable>& Tables,
                               std::vector<TNorkFinding>& Found)
{
    // A count out of range is not believed: the tables are those whose headers lie in the file.
    int count = Tab.TableCount;
    if (count < 0 || count > kMaxTables)
        for (count = 0; count < kMaxTables && Tab.TableHeaderOffset[count] >= kFixedPartSize &&
                        Tab.TableHeaderOffset[count] + int64_t(sizeof(TTableHeader)) <= FFileSize;
             ++count) {
        }
    for (int i = 0; i < count; ++i) {
        TNorkScanTable table;
        table.CatalogueIndex = i;
        const int64_t ofs = Tab.TableHeaderOffset[i];
        if (ofs < kFixedPartSize || ofs + int64_t(sizeof(TTableHeader)) > FFileSize) {
            Found.push_back({"", 0, "catalogue: the header of table " + Num(i) + " at offset " + Num(ofs) +
                                        " lies outside the file"});
            Tables.push_back(std::move(table));
            continue;
        }
        TTableHeader copies[2] = {};
        FFileIO->ReadAt(ofs, &copies[0], sizeof(TTableHeader));
        const bool secondWhole = ofs + kTableHeaderSpace <= FFileSize;
        FFileIO->ReadAt(ofs + int64_t(sizeof(TTableHeader)), &copies[1], sizeof(TTableHeader));
        const std::string name = AnsiFieldToStr(copies[0].TableName, sizeof(copies[0].TableName));
        if (!secondWhole)
            Found.push_back({name, 0, "the file ends inside the second copy of the table header"});
        if (std::memcmp(&copies[0], &copies[1], sizeof(TTableHeader)) == 0 || !secondWhole) {
            ScanTable(copies[0], table, Found);
        } else {
            std::vector<TNorkFinding> found[2];
            TNorkScanTable scanned[2];
            for (int c = 0; c < 2; ++c) {
                scanned[c].CatalogueIndex = i;
                ScanTable(copies[c], scanned[c], found[c]);
            }
            std::size_t weight[2];
            for (int c = 0; c < 2; ++c)
                weight[c] = found[c].size() + std::size_t(FWeight ? std::max(FWeight(i, copies[c]), 0) : 0);
            const int pick = weight[1] < weight[0] ? 1 : 0;
            table = std::move(scanned[pick]);
            Found.push_back({table.Name, 0, "the two copies of the table header differ"});
            Found.insert(Found.end(), found[pick].begin(), found[pick].end());
        }
        Tables.push_back(std::move(table));
    }
    // Names are looked up without the case of A-Z, so two tables must differ beyond that.
    for (std::size_t i = 0; i < Tables.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (Tables[i].Usable && Tables[j].Usable && SameText(Tables[i].Name, Tables[j].Name))
                Found.push_back({Tables[i].Name, 0, "another table has the same name"});
}

void TNorkFileScan::ScanTable(const TTableHeader& H, TNorkScanTable& T, std::vector<TNorkFinding>& Found)
{
    T.Header = H;
    T.Name = AnsiFieldToStr(H.TableName, sizeof(H.TableName));
    const std::string& name = T.Name;
    const auto report = [&](const std::string& Text) { Found.push_back({name, 0, Text}); };

    const std::string_view nameBytes = AnsiFieldBytes(H.TableName, sizeof(H.TableName));
    if (nameBytes.size() == sizeof(H.TableName))
        report("the table name is not terminated inside its 33 bytes");
    else if (!IsValidName(T.Name))
        report("the table name is empty or holds a control character");

    // Counts and sizes that every further step relies on.
    if (H.IndexCount < 0 || H.IndexCount > kMaxIndexes) {
        report("the index count " + Num(H.IndexCount) + " is outside 0..8");
        return;
    }
    if (H.RecordSize < 0 || H.BlobCount < 0) {
        report("the record size " + Num(H.RecordSize) + " or the blob count " + Num(H.BlobCount) + " is negative");
        return;
    }
    T.PrefixSize = PhyRecPrefixSize(H);
    T.PhyRecSize = PhyRecSizeOf(H);
    if (T.PhyRecSize > std::max<int64_t>(FFileSize, 1)) {
        report("a record of " + Num(T.PhyRecSize) + " bytes would not fit in the file");
        return;
    }

    if (H.InitAliveCapa < 1)
        report("the initial alive capacity is " + Num(H.InitAliveCapa) + ", not at least 1");
    if (H.Reserved1 != 0 || H.Reserved2 != 0)
        report("the reserved fields of the header are not zero");

    // The base area: records from BaseDataOfs, none when BaseUseSpace is 0.
    if (H.BaseUseSpace < 0)
        report("the base area holds " + Num(H.BaseUseSpace) + " records");
    else if (H.BaseUseSpace == 0 && H.BaseDataOfs != 0)
        report("the base area is empty but has the offset " + Num(H.BaseDataOfs));
    else if (H.BaseUseSpace > 0 && H.BaseDataOfs < kFixedPartSize)
        report("the base area's offset " + Num(H.BaseDataOfs) + " lies inside the fixed part");
    // The alive area: reserved for AliveCapacity records at its first append.
    if (H.AliveCapacity < 0 || H.AliveUseSpace < 0)
        report("the alive area's capacity " + Num(H.AliveCapacity) + " or use " + Num(H.AliveUseSpace) + " is negative");
    else if (H.AliveCapacity == 0 && (H.AliveDataOfs != 0 || H.AliveUseSpace != 0))
        report("the alive area has no capacity but an offset or records");
    else if (H.AliveUseSpace > H.AliveCapacity)
        report("the alive area uses " + Num(H.AliveUseSpace) + " of " + Num(H.AliveCapacity) + " records");
    else if (H.AliveCapacity > 0 && H.AliveDataOfs < kFixedPartSize)
        report("the alive area's offset " + Num(H.AliveDataOfs) + " lies inside the fixed part");
    else if (H.AliveCapacity > 0 && int64_t(H.AliveDataOfs) + int64_t(H.AliveCapacity) * T.PhyRecSize > FFileSize &&
             int64_t(H.AliveDataOfs) + int64_t(H.AliveUseSpace) * T.PhyRecSize <= FFileSize)
        report("the alive area's reserved space reaches past the end of the file");
    if (H.AliveCapacity > 0 && H.InitAliveCapa >= 1) {
        // Alive areas start at the initial capacity and only ever double.
        int64_t capa = H.InitAliveCapa;
        while (capa < H.AliveCapacity)
            capa *= 2;
        if (capa != H.AliveCapacity)
            report("the alive capacity " + Num(H.AliveCapacity) + " is not the initial capacity " +
                   Num(H.InitAliveCapa) + " doubled");
    }

    const int64_t used = std::max<int64_t>(H.BaseUseSpace, 0) + std::max<int64_t>(H.AliveUseSpace, 0);
    for (int k = 0; k < kMaxIndexes; ++k) {
        const TIndexHeaderItem& item = H.IndexHeader[k];
        if (k >= H.IndexCount) {
            if (!AllZero(&item, sizeof(item)))
                report("the unused index entry " + Num(k) + " is not zero");
            continue;
        }
        const std::string iname = AnsiFieldToStr(item.IndexName, sizeof(item.IndexName));
        const std::string label = "index " + AnsiToPrintable(AnsiFieldBytes(item.IndexName, kNameSize)) + ": ";
        if (!CleanTextArray(item.IndexName, sizeof(item.IndexName)))
            report(label + "the name is not a terminated text followed by zeros");
        else if (!IsValidName(iname))
            report(label + "the name is empty or holds a control character");
        for (int j = 0; j < k; ++j)
            if (SameText(iname, AnsiFieldToStr(H.IndexHeader[j].IndexName, sizeof(H.IndexHeader[j].IndexName))))
                report(label + "another index of the table has the same name");
        if (item.FirstSlot < -1 || item.FirstSlot >= used)
            report(label + "the first slot " + Num(item.FirstSlot) + " is not a used slot");
        if (item.FieldCount < 1 || item.FieldCount > kMaxIndexFields) {
            report(label + "the field count " + Num(item.FieldCount) + " is outside 1..8");
            continue;
        }
        for (int j = 0; j < kMaxIndexFields; ++j) {
            const TIndexFieldItem& f = item.FieldItems[j];
            if (j >= item.FieldCount) {
                if (f.FieldOffset != -1 || f.IndexType != 0)
                    report(label + "the unused field item " + Num(j) + " is not offset -1 and type 0");
                continue;
            }
            if (f.IndexType > itString)
                report(label + "field " + Num(j) + " has the type " + Num(f.IndexType) + ", outside 0..11");
            else if (f.FieldOffset < 0 || int64_t(f.FieldOffset) + IndexFieldWidth(f.IndexType) > H.RecordSize)
                report(label + "field " + Num(j) + " at offset " + Num(f.FieldOffset) + " lies outside the record");
            for (int x = 0; x < j; ++x)
                if (item.FieldItems[x].FieldOffset == f.FieldOffset)
                    report(label + "two fields have the offset " + Num(f.FieldOffset));
        }
    }

    T.Usable = true;
    ReadSlots(T, Found);
    WalkChains(T, Found);
}

void TNorkFileScan::ReadSlots(TNorkScanTable& T, std::vector<TNorkFinding>& Found)
{
    const TTableHeader& H = T.Header;
    const int64_t recSize = T.PhyRecSize;
    const int64_t prefix = T.PrefixSize;
    const auto report = [&](int32_t ID, const std::string& Text) { Found.push_back({T.Name, ID, Text}); };

    // An area is read when its place is sound; the file may end inside it (a truncated file).
    const int64_t base = std::max<int64_t>(H.BaseUseSpace, 0);
    const int64_t alive = H.AliveCapacity > 0 ? std::max<int64_t>(H.AliveUseSpace, 0) : 0;
    const bool baseReadable = base > 0 && H.BaseDataOfs >= kFixedPartSize;
    const bool aliveReadable = alive > 0 && H.AliveDataOfs >= kFixedPartSize;
    const auto presentIn = [&](int64_t Ofs, int64_t Count) {
        return Ofs >= FFileSize ? int64_t(0) : std::min(Count, (FFileSize - Ofs) / recSize);
    };
    const int64_t basePresent = baseReadable ? presentIn(H.BaseDataOfs, base) : 0;
    const int64_t alivePresent = aliveReadable ? presentIn(H.AliveDataOfs, alive) : 0;
    if (baseReadable && basePresent < base)
        report(0, "the file ends inside the base area: " + Num(base - basePresent) + " of " + Num(base) +
                      " records are missing");
    if (aliveReadable && alivePresent < alive)
        report(0, "the file ends inside the alive area: " + Num(alive - alivePresent) + " of " + Num(alive) +
                      " records are missing");
    // Slots are numbered on from the base area into the alive area, whatever the file holds.
    const int64_t listed = alivePresent > 0 ? base + alivePresent : basePresent;
    if (listed > FFileSize / std::max<int64_t>(recSize, 1) + 1) {
        report(0, "the header claims more records than the file can hold");
        T.Usable = false;
        return;
    }
    T.MissingSlots = (base - basePresent) + (alive - alivePresent);
    T.Slots.assign(static_cast<std::size_t>(listed), TNorkScanSlot{});
    T.Prefixes.assign(static_cast<std::size_t>(listed * prefix), 0);

    std::vector<uint8_t> chunk;
    const auto read = [&](int64_t Ofs, int64_t Count, int64_t FirstSlot) {
        const int64_t perChunk = std::max<int64_t>(1, kReadChunk / recSize);
        for (int64_t done = 0; done < Count;) {
            const int64_t n = std::min(perChunk, Count - done);
            chunk.assign(static_cast<std::size_t>(n * recSize), 0);
            const int64_t at = Ofs + done * recSize;
            const int64_t got = FFileIO->ReadAt(at, chunk.data(), n * recSize);
            for (int64_t i = 0; i < n; ++i) {
                TNorkScanSlot& slot = T.Slots[std::size_t(FirstSlot + done + i)];
                const uint8_t* rec = chunk.data() + i * recSize;
                slot.Offset = at + i * recSize;
                slot.Present = (i * recSize + prefix) <= got;
                slot.Whole = (i + 1) * recSize <= got;
                if (!slot.Present)
                    continue;
                TPhyRecPrefix p;
                std::memcpy(&p, rec, sizeof(p));
                slot.Signature = p.Signature;
                slot.Deleted = p.Deleted;
                slot.ID = p.SysRecordID;
                std::memcpy(T.Prefixes.data() + (FirstSlot + done + i) * prefix, rec, std::size_t(prefix));
            }
            done += n;
        }
        SecureZero(chunk.data(), chunk.size());
    };
    read(H.BaseDataOfs, basePresent, 0);
    read(H.AliveDataOfs, alivePresent, base);

    // A slot whose prefix is all zeros never received a record (the engine writes a record before
    // the header that counts its slot, so only damage makes one); it is noted once, not as a record.
    std::vector<int64_t> blank;
    for (std::size_t s = 0; s < T.Slots.size(); ++s) {
        TNorkScanSlot& slot = T.Slots[s];
        if (slot.Present && AllZero(T.Prefixes.data() + int64_t(s) * prefix, std::size_t(prefix))) {
            slot.Present = false;
            slot.Whole = false;
            blank.push_back(int64_t(s));
        }
    }
    if (!blank.empty())
        report(0, Num(int64_t(blank.size())) + (blank.size() == 1 ? " used slot holds" : " used slots hold") +
                      " no record (from slot " + Num(blank.front()) + " to " + Num(blank.back()) + ")");
    for (std::size_t s = 0; s < T.Slots.size(); ++s) {
        const TNorkScanSlot& slot = T.Slots[s];
        if (!slot.Present)
            continue;
        const std::string where = "slot " + Num(int64_t(s)) + ": ";
        if (slot.Signature != kPhyRecSignature)
            report(slot.ID, where + "the signature byte is " + Hex(slot.Signature) + ", not 0xAA");
        if (slot.Deleted > 1)
            report(slot.ID, where + "the deleted byte is " + Num(slot.Deleted) + ", not 0 or 1");
    }
}

void TNorkFileScan::WalkChains(TNorkScanTable& T, std::vector<TNorkFinding>& Found)
{
    const TTableHeader& H = T.Header;
    const int64_t used = std::max<int64_t>(H.BaseUseSpace, 0) + std::max<int64_t>(H.AliveUseSpace, 0);
    const int64_t listed = static_cast<int64_t>(T.Slots.size());
    const int count = H.IndexCount;
    T.ChainVisits.assign(std::size_t(count), std::vector<bool>(std::size_t(listed), false));
    T.ChainWhole.assign(std::size_t(count), true);

    std::vector<std::string> names;
    for (int k = 0; k < count; ++k)
        names.push_back("index " + AnsiToPrintable(AnsiFieldBytes(H.IndexHeader[k].IndexName, kNameSize)) + ": ");

    // The links first: where each chain goes, whatever the records' deleted bytes say.
    for (int k = 0; k < count; ++k) {
        std::vector<bool>& visits = T.ChainVisits[std::size_t(k)];
        const int64_t first = H.IndexHeader[k].FirstSlot;
        for (int64_t s = first, n = 0; s != -1; ++n) {
            std::string broken;
            if (s < 0 || s >= used)
                broken = "the chain leaves the used slots at slot " + Num(s);
            else if (s >= listed || !T.Slots[std::size_t(s)].Present)
                broken = "the chain reaches slot " + Num(s) + ", which the file does not hold";
            else if (visits[std::size_t(s)])
                broken = "the chain runs in a loop at slot " + Num(s);
            if (!broken.empty()) {
                Found.push_back({T.Name, 0, names[std::size_t(k)] + broken});
                T.ChainWhole[std::size_t(k)] = false;
                break;
            }
            visits[std::size_t(s)] = true;
            s = T.Link(s, k);
        }
    }

    // A slot is live by its deleted byte, or when an index chain still passes it: the engine
    // takes a record out of its chains right after marking it, so a marked record in a chain is
    // a deletion that did not finish or a damaged byte, and either way the record is kept.
    for (std::size_t s = 0; s < T.Slots.size(); ++s) {
        TNorkScanSlot& slot = T.Slots[s];
        if (!slot.Present)
            continue;
        slot.Live = slot.Deleted == 0;
        for (int k = 0; k < count; ++k)
            slot.Live = slot.Live || T.ChainVisits[std::size_t(k)][s];
    }

    // Ids: valid and unique among the live slots; the first slot of an id counts.
    for (std::size_t s = 0; s < T.Slots.size(); ++s) {
        const TNorkScanSlot& slot = T.Slots[s];
        if (!slot.Live)
            continue;
        if (slot.ID < 1) {
            Found.push_back({T.Name, 0, "slot " + Num(int64_t(s)) + ": the record id " + Num(slot.ID) + " is not at least 1"});
            T.StraySlots.push_back(int64_t(s));
        } else if (!T.SlotOfID.emplace(slot.ID, int64_t(s)).second) {
            Found.push_back({T.Name, slot.ID, "slot " + Num(int64_t(s)) + ": the record id occurs again (first in slot " +
                                                  Num(T.SlotOfID[slot.ID]) + ")"});
            T.StraySlots.push_back(int64_t(s));
        }
    }
    for (const auto& [id, slot] : T.SlotOfID)
        T.LiveSlots.push_back(slot);
    for (const TNorkScanSlot& slot : T.Slots)
        if (slot.Present && !slot.Live && slot.ID >= 1 && T.SlotOfID.count(slot.ID) == 0)
            T.DeletedIDs.insert(slot.ID);

    // Each chain passes exactly the live records.
    for (int k = 0; k < count; ++k) {
        const std::vector<bool>& visits = T.ChainVisits[std::size_t(k)];
        std::vector<int32_t> dead;
        std::vector<int32_t> missed;
        for (std::size_t s = 0; s < T.Slots.size(); ++s) {
            const TNorkScanSlot& slot = T.Slots[s];
            if (visits[s] && slot.Deleted != 0)
                dead.push_back(slot.ID);
            else if (!visits[s] && slot.Live)
                missed.push_back(slot.ID);
        }
        if (!dead.empty())
            Found.push_back({T.Name, 0, names[std::size_t(k)] + "the chain passes " + IDList(dead, "deleted")});
        // A chain cut short by a broken link has been reported where it broke.
        if (!missed.empty() && T.ChainWhole[std::size_t(k)])
            Found.push_back({T.Name, 0, names[std::size_t(k)] + "the chain misses " + IDList(missed, "live")});
        if (!dead.empty() || !missed.empty())
            T.ChainWhole[std::size_t(k)] = false;
    }
}

// The space of the file: blob descriptors of live records, and no two structures sharing bytes.
void TNorkFileScan::CheckSpace()
{
    std::vector<TExtent> extents;
    extents.push_back({0, kFixedPartSize, "the fixed part", "", 0});
    const int32_t tables = FTableTab.TableCount; // a packed field is not bound to a reference
    for (int i = 0; i < std::clamp<int32_t>(tables, 0, kMaxTables); ++i) {
        const int64_t ofs = FTableTab.TableHeaderOffset[i];
        if (ofs >= kFixedPartSize)
            extents.push_back({ofs, ofs + kTableHeaderSpace, "the header of table " + Num(i), "", 0});
    }
    for (const TNorkScanTable& t : FTables) {
        if (!t.Usable)
            continue;
        const TTableHeader& h = t.Header;
        if (h.BaseUseSpace > 0 && h.BaseDataOfs >= kFixedPartSize)
            extents.push_back({h.BaseDataOfs, h.BaseDataOfs + int64_t(h.BaseUseSpace) * t.PhyRecSize,
                               "the base area of " + t.Name, t.Name, 0});
        if (h.AliveCapacity > 0 && h.AliveDataOfs >= kFixedPartSize)
            extents.push_back({h.AliveDataOfs, h.AliveDataOfs + int64_t(h.AliveCapacity) * t.PhyRecSize,
                               "the alive area of " + t.Name, t.Name, 0});
        // Blob descriptors of live records: never written, or a block of whole 64-byte units
        // after the fixed part and inside the file holding the stored bytes.
        for (const int64_t s : t.LiveSlots) {
            const int32_t id = t.Slots[std::size_t(s)].ID;
            for (int b = 0; b < h.BlobCount; ++b) {
                const TBlobInfo info = t.Blob(s, b);
                const std::string blob = "blob " + Num(b) + ": ";
                if (info.Reserved != 0)
                    Report(t.Name, id, blob + "the reserved field of the descriptor is not zero");
                if (info.DataSize < 0)
                    Report(t.Name, id, blob + "the data size " + Num(info.DataSize) + " is negative");
                if (info.DataOfs == 0) {
                    if (info.StoredSize != 0 || info.Capacity != 0 || info.DataSize != 0)
                        Report(t.Name, id, blob + "it was never written but its descriptor gives sizes");
                    continue;
                }
                if (info.DataOfs < kFixedPartSize) {
                    Report(t.Name, id, blob + "its offset " + Num(info.DataOfs) + " lies inside the fixed part");
                    continue;
                }
                if (info.Capacity <= 0 || info.Capacity % 64 != 0)
                    Report(t.Name, id, blob + "the capacity " + Num(info.Capacity) + " is not a positive multiple of 64");
                else if (info.StoredSize < 0 || info.StoredSize > info.Capacity)
                    Report(t.Name, id, blob + "the stored size " + Num(info.StoredSize) + " does not fit the capacity " +
                                           Num(info.Capacity));
                else if (int64_t(info.DataOfs) + info.Capacity > FFileSize) {
                    // A file that ends inside the stored bytes is reported when they are read.
                    if (int64_t(info.DataOfs) + info.StoredSize <= FFileSize)
                        Report(t.Name, id, blob + "the block reaches past the end of the file");
                }
                else
                    extents.push_back({info.DataOfs, int64_t(info.DataOfs) + info.Capacity,
                                       "blob " + Num(b) + " of " + t.Name + " record id " + Num(id), t.Name, id});
            }
        }
    }
    std::sort(extents.begin(), extents.end(),
              [](const TExtent& A, const TExtent& B) {
                  return std::tie(A.Start, A.End, A.Table, A.RecordID) < std::tie(B.Start, B.End, B.Table, B.RecordID);
              });
    // Each extent against the one reaching furthest before it.
    std::size_t reach = 0;
    for (std::size_t i = 1; i < extents.size(); ++i) {
        if (extents[i].Start < extents[reach].End)
            Report(extents[i].Table, extents[i].RecordID, extents[i].What + " overlaps " + extents[reach].What);
        if (extents[i].End > extents[reach].End)
            reach = i;
    }
}

// ---- the codec and what needs it ----

bool TNorkFileScan::PasswordMatches(const std::string& Password) const
{
    return TNorkDatabase::HashString(Password) == AnsiFieldBytes(FKeyData.HashPassword, sizeof(FKeyData.HashPassword));
}

void TNorkFileScan::SetCodec(bool Compress, const std::string& CompressName, bool Encrypt,
                             const std::string& EncryptName, const std::string& Password)
{
    // A database over a new container of our own making: the stored options and key data may be
    // the damaged part, so they are not given to it.
    auto image = std::make_unique<TMemoryStream>();
    TNorkDatabase::NewFileImage(*image, Compress, CompressName, Encrypt, EncryptName, Password);
    auto codec = std::make_unique<TNorkDatabase>();
    if (!codec->Open(image.get(), Password))
        RaiseFileCorrupt();
    auto readCodec = codec->NewCodec();
    FReadCodec.reset();
    FCodec.reset();
    FCodecImage = std::move(image);
    FCodec = std::move(codec);
    FReadCodec = std::move(readCodec);
    FCodecCompresses = Compress;
    FCodecEncrypts = Encrypt;
    WipeString(FCodecPassword);
    FCodecPassword = Encrypt ? Password : std::string();
}

TCommentsBlock TNorkFileScan::ReadComments()
{
    TCommentsBlock block{};
    FFileIO->ReadAt(kCommentsOfs, &block, sizeof(block));
    if (FCodec && FCodecEncrypts)
        DecodeBlock(&block, sizeof(block), FCodec->EncryptAlgoName(), FCodecPassword);
    return block;
}

bool TNorkFileScan::ReadData(const TNorkScanTable& T, int64_t Slot, uint8_t* Buffer)
{
    const TNorkScanSlot& slot = T.Slots[std::size_t(Slot)];
    const int32_t size = T.Header.RecordSize;
    if (!slot.Whole || !FCodec)
        return false;
    if (FFileIO->ReadAt(slot.Offset + T.PrefixSize, Buffer, size) != size)
        return false;
    FCodec->DecodeRecordBuffer(Buffer, Buffer, size, FCodecEncrypts);
    return true;
}

TNorkBlobState TNorkFileScan::CheckBlobPlace(const TBlobInfo& Info, std::string& Reason) const
{
    if (Info.DataOfs == 0) {
        if (Info.StoredSize == 0 && Info.Capacity == 0 && Info.DataSize == 0)
            return bsNone;
        Reason = "its descriptor gives sizes but no place";
        return bsDamaged;
    }
    if (Info.DataOfs < kFixedPartSize || Info.StoredSize < 0 || Info.StoredSize > Info.Capacity ||
        Info.Capacity % 64 != 0 || Info.DataSize < 0) {
        Reason = "its descriptor is damaged";
        return bsDamaged;
    }
    if (int64_t(Info.DataOfs) + Info.StoredSize > FFileSize) {
        Reason = "the file ends inside it";
        return bsDamaged;
    }
    if (!FCodec) {
        Reason = "it cannot be decoded without the password";
        return bsDamaged;
    }
    return bsStored;
}

TNorkBlobState TNorkFileScan::DecodeBlob(TNorkCodec& Codec, TMemoryStream& Stored, const TBlobInfo& Info,
                                         TMemoryStream& Out, std::string& Reason)
{
    try {
        // Not bounded by the descriptor: a wrong size is a finding of its own, named below.
        Codec.DecodeBlob(Stored, Out, -1);
    } catch (const Exception& e) {
        Out.Clear();
        Reason = std::string("it cannot be decoded (") + e.what() + ")";
        return bsDamaged;
    }
    if (Out.Size() != Info.DataSize) {
        Reason = "it decodes to " + Num(Out.Size()) + " bytes, not the " + Num(Info.DataSize) + " its descriptor gives";
        Out.Clear();
        return bsDamaged;
    }
    return bsStored;
}

TNorkBlobState TNorkFileScan::ReadBlob(const TNorkScanTable& T, int64_t Slot, int BlobIndex, TMemoryStream& Out,
                                       std::string& Reason)
{
    Out.Clear();
    Reason.clear();
    const TBlobInfo info = T.Blob(Slot, BlobIndex);
    const TNorkBlobState place = CheckBlobPlace(info, Reason);
    if (place != bsStored)
        return place;
    TMemoryStream stored;
    stored.SetSize(info.StoredSize);
    FFileIO->ReadAt(info.DataOfs, stored.Memory(), info.StoredSize);
    return DecodeBlob(*FReadCodec, stored, info, Out, Reason);
}

void TNorkFileScan::CheckContent()
{
    if (FContentChecked || !FCodec)
        return;
    FContentChecked = true;

    const TCommentsBlock comments = ReadComments();
    if (!CleanTextArray(comments.Text, sizeof(comments.Text)))
        Report("", 0, "the comments block is not a terminated text followed by zeros");

    // Blobs are read here in runs, decoded on the decode threads (each with a codec of its own),
    // and reported here in slot order.
    struct TBlobJob {
        int64_t Slot = 0;
        int Blob = 0;
        TBlobInfo Info{};
        TNorkBlobState State = bsNone;
        std::string Reason;
        TMemoryStream Stored;
    };
    constexpr std::size_t kRun = 2048;
    std::vector<std::unique_ptr<TNorkCodec>> codecs;
    std::vector<uint8_t> padding;
    for (TNorkScanTable& t : FTables) {
        if (!t.Usable)
            continue;
        const int blobs = t.Header.BlobCount;
        t.BlobStates.assign(t.Slots.size() * std::size_t(blobs), bsNone);
        std::vector<int64_t> slots = t.LiveSlots;
        slots.insert(slots.end(), t.StraySlots.begin(), t.StraySlots.end());
        std::vector<std::pair<int64_t, int>> all;
        for (const int64_t s : slots)
            for (int b = 0; b < blobs; ++b)
                all.emplace_back(s, b);
        for (std::size_t first = 0; first < all.size(); first += kRun) {
            const std::size_t count = std::min(kRun, all.size() - first);
            std::vector<std::unique_ptr<TBlobJob>> jobs;
            for (std::size_t k = 0; k < count; ++k) {
                auto job = std::make_unique<TBlobJob>();
                job->Slot = all[first + k].first;
                job->Blob = all[first + k].second;
                job->Info = t.Blob(job->Slot, job->Blob);
                job->State = CheckBlobPlace(job->Info, job->Reason);
                if (job->State == bsStored) {
                    job->Stored.SetSize(job->Info.StoredSize);
                    FFileIO->ReadAt(job->Info.DataOfs, job->Stored.Memory(), job->Info.StoredSize);
                }
                jobs.push_back(std::move(job));
            }
            const int workers = WorkersFor(static_cast<int>(count));
            while (static_cast<int>(codecs.size()) < workers)
                codecs.push_back(FCodec->NewCodec());
            ParallelFor(static_cast<int>(count), workers, [&](int Index, int Worker) {
                TBlobJob& job = *jobs[static_cast<std::size_t>(Index)];
                if (job.State != bsStored)
                    return;
                TMemoryStream content;
                job.State = DecodeBlob(*codecs[static_cast<std::size_t>(Worker)], job.Stored, job.Info, content,
                                       job.Reason);
            });
            for (const auto& job : jobs) {
                const int32_t id = t.Slots[std::size_t(job->Slot)].ID;
                t.BlobStates[std::size_t(job->Slot) * std::size_t(blobs) + std::size_t(job->Blob)] = job->State;
                if (job->State == bsDamaged) {
                    Report(t.Name, id, "blob " + Num(job->Blob) + ": " + job->Reason);
                    continue;
                }
                // The block's bytes after the stored ones are zero, as far as the file holds them.
                const TBlobInfo& info = job->Info;
                const int64_t stored = int64_t(info.DataOfs) + info.StoredSize;
                const int64_t pad = std::min(int64_t(info.Capacity) - info.StoredSize, FFileSize - stored);
                if (job->State == bsStored && pad > 0) {
                    padding.assign(std::size_t(pad), 0);
                    FFileIO->ReadAt(stored, padding.data(), pad);
                    if (!AllZero(padding.data(), padding.size()))
                        Report(t.Name, id, "blob " + Num(job->Blob) + ": the bytes after the stored data are not zero");
                }
            }
        }
        for (int k = 0; k < t.Header.IndexCount; ++k)
            if (t.ChainWhole[std::size_t(k)])
                CheckKeyOrder(t, k);
    }
}

TNorkBlobState TNorkFileScan::BlobState(const TNorkScanTable& Table, int64_t Slot, int BlobIndex) const
{
    const std::size_t at = std::size_t(Slot) * std::size_t(Table.Header.BlobCount) + std::size_t(BlobIndex);
    return at < Table.BlobStates.size() ? Table.BlobStates[at] : bsNone;
}

void TNorkFileScan::CheckKeyOrder(const TNorkScanTable& T, int IndexNo)
{
    const TIndexHeaderItem& item = T.Header.IndexHeader[IndexNo];
    if (item.FieldCount < 1 || item.FieldCount > kMaxIndexFields)
        return;
    const int32_t size = T.Header.RecordSize;
    std::vector<uint8_t> previous(std::size_t(size) + 1, 0);
    std::vector<uint8_t> current(std::size_t(size) + 1, 0);
    int32_t previousID = 0;
    bool first = true;
    const std::string label = "index " + AnsiToPrintable(AnsiFieldBytes(item.IndexName, kNameSize)) + ": ";
    for (int64_t s = item.FirstSlot; s != -1; s = T.Link(s, IndexNo)) {
        const int32_t id = T.Slots[std::size_t(s)].ID;
        if (!ReadData(T, s, current.data())) {
            first = true; // a record the file does not hold breaks the comparison here
            continue;
        }
        if (!first) {
            int c = 0;
            for (int j = 0; j < item.FieldCount && c == 0; ++j) {
                const TIndexFieldItem& f = item.FieldItems[j];
                const int64_t width = f.IndexType == itString ? int64_t(size) - f.FieldOffset : IndexFieldWidth(f.IndexType);
                if (f.FieldOffset >= 0 && width > 0 && f.FieldOffset + width <= size)
                    c = CompareIndexField(f.IndexType, previous.data() + f.FieldOffset, current.data() + f.FieldOffset,
                                          static_cast<int32_t>(width));
            }
            if (c > 0 || (c == 0 && previousID >= id)) {
                Report(T.Name, id, label + "the record is out of key order in the chain");
                break;
            }
        }
        first = false;
        previousID = id;
        previous.swap(current);
    }
    SecureZero(previous.data(), previous.size());
    SecureZero(current.data(), current.size());
}
