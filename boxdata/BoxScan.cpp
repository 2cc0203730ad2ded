#include "boxdata/BoxScan.h"

#include "boxdata/BoxSchema.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Wipe.h"
#include "storage/NorkError.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kBoxCompression = "Zlib";
constexpr const char* kBoxEncryption = "Blowfish";

} // namespace

std::string StoredTextFault(const void* Field, int Size, const std::string& Name)
{
    const auto* bytes = static_cast<const uint8_t*>(Field);
    if (bytes[Size - 1] != 0)
        return "the field " + Name + " is not terminated inside its " + std::to_string(Size) + " bytes";
    const std::string_view text = AnsiFieldBytes(Field, std::size_t(Size));
    if (IsAnsiText(text))
        return {};
    if (text.size() == std::size_t(Size) - 1 && IsAnsiText(text.substr(0, text.size() - 1)))
        return {};
    return "the field " + Name + " is not code page 936 text";
}

std::vector<std::string> SchemaFaults(std::size_t TableNo, const TTableHeader& H)
{
    using namespace BoxSchema;
    std::vector<std::string> faults;
    const TTableDef& def = kTables[TableNo];
    const auto number = [](int64_t N) { return std::to_string(N); };
    char name[kNameSize] = {};
    std::memcpy(name, def.Name, std::strlen(def.Name));
    if (std::memcmp(name, H.TableName, kNameSize) != 0)
        faults.push_back(std::string("the table name is not \"") + def.Name + "\" followed by zeros");
    if (H.RecordSize != def.RecordSize)
        faults.push_back("the record size is " + number(H.RecordSize) + ", not " + number(def.RecordSize));
    if (H.BlobCount != def.BlobCount)
        faults.push_back("the blob count is " + number(H.BlobCount) + ", not " + number(def.BlobCount));
    if (H.InitAliveCapa != def.RecCapacity)
        faults.push_back("the initial alive capacity is " + number(H.InitAliveCapa) + ", not " + number(def.RecCapacity));
    std::vector<const TIndexDef*> indexes;
    for (const TIndexDef& x : kIndexes)
        if (std::strcmp(x.Table, def.Name) == 0)
            indexes.push_back(&x);
    if (H.IndexCount != int32_t(indexes.size())) {
        faults.push_back("the index count is " + number(H.IndexCount) + ", not " + number(int64_t(indexes.size())));
        return faults;
    }
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        const TIndexHeaderItem& item = H.IndexHeader[k];
        char want[kNameSize] = {};
        std::memcpy(want, indexes[k]->Name, std::strlen(indexes[k]->Name));
        if (std::memcmp(want, item.IndexName, kNameSize) != 0 || item.FieldCount != 1 ||
            item.FieldItems[0].FieldOffset != indexes[k]->FieldOffset || item.FieldItems[0].IndexType != itLongint)
            faults.push_back("index " + number(int64_t(k)) + " is not \"" + indexes[k]->Name +
                             "\" over the 32-bit integer at offset " + number(indexes[k]->FieldOffset));
    }
    return faults;
}

const char* CategoryFolderName(int32_t Category)
{
    return Category >= 1 && Category <= 3 ? BoxSchema::kDefaultFolders[Category - 1].Name : "";
}

// ---- records ----

TBoxScanRecord::~TBoxScanRecord()
{
    SecureZero(Data.data(), Data.size());
}

int32_t TBoxScanRecord::IntAt(int Offset) const
{
    return Whole ? GetInt32(Data.data(), Offset) : 0;
}

int32_t TBoxScanRecord::Link() const
{
    return IntAt(0);
}

bool TBoxScanRecord::TextDamaged(const char* Name) const
{
    return std::any_of(DamagedTexts.begin(), DamagedTexts.end(), [&](const auto& d) { return d.first == Name; });
}

const TBoxScanRecord* TBoxScanTable::Find(int32_t ID) const
{
    const auto it = std::lower_bound(Records.begin(), Records.end(), ID, [](const TBoxScanRecord& R, int32_t Wanted) {
        return !R.Stray && R.ID < Wanted;
    });
    return it != Records.end() && !it->Stray && it->ID == ID ? &*it : nullptr;
}

bool TBoxScanTable::WasDeleted(int32_t ID) const
{
    return Table != nullptr && Table->SlotOfID.count(ID) == 0 && Table->DeletedIDs.count(ID) != 0;
}

// ---- reading ----

// Where the copies of a table header differ, the one that describes the box's table is taken.
TBoxScan::TBoxScan(const std::string& FileName, const std::string& Password)
    : FScan(std::make_unique<TNorkFileScan>(FileName, [](int TableNo, const TTableHeader& Header) {
          return TableNo < 5 ? static_cast<int>(SchemaFaults(std::size_t(TableNo), Header).size()) : 0;
      }))
{
    for (const TBoxRecordLayout& layout : BoxRecordLayouts()) {
        TBoxScanTable t;
        t.Layout = &layout;
        t.Table = FScan->FindTable(layout.Table);
        FTables.push_back(std::move(t));
    }
    const bool anyTable = std::any_of(FTables.begin(), FTables.end(), [](const TBoxScanTable& T) { return T.Table; });
    if (!FScan->HasMagic() && !anyTable)
        RaiseNorkError(SNorkInvalidFile, FileName);
    SettleCodec(Password);
    FScan->CheckContent();
    for (TBoxScanTable& t : FTables)
        ReadTable(t);
}

const TBoxScanTable* TBoxScan::TableNamed(const std::string& Name) const
{
    for (const TBoxScanTable& t : FTables)
        if (Name == t.Layout->Table)
            return &t;
    return nullptr;
}

// The three category folders are known plaintext: parent 0 and their fixed names.
int TBoxScan::CategoriesReadRight()
{
    const TNorkScanTable* folders = FTables[0].Table;
    if (folders == nullptr || folders->Header.RecordSize != FolderRec::kSize)
        return 0;
    int right = 0;
    uint8_t rec[FolderRec::kSize];
    for (int32_t id = 1; id <= 3; ++id) {
        const auto it = folders->SlotOfID.find(id);
        if (it == folders->SlotOfID.end() || !FScan->ReadData(*folders, it->second, rec))
            continue;
        if (GetInt32(rec, FolderRec::kParentID) == 0 &&
            GetAnsi(rec, FolderRec::kName) == Utf8ToAnsi(CategoryFolderName(id)))
            ++right;
    }
    return right;
}

void TBoxScan::SettleCodec(const std::string& Password)
{
    const uint8_t stored = FScan->Options().Encrypt;
    const bool first = stored <= 1 ? stored == 1 : true;
    int bestScore = -1;
    bool best = first;
    for (const bool encrypt : {first, !first}) {
        FScan->SetCodec(true, kBoxCompression, encrypt, kBoxEncryption, Password);
        const int score = CategoriesReadRight();
        if (score > bestScore) {
            bestScore = score;
            best = encrypt;
        }
        if (score == 3)
            break;
    }
    FScan->SetCodec(true, kBoxCompression, best, kBoxEncryption, Password);
    FEncrypted = best;
    // Without a table there is nothing the password would open.
    const bool anyTable = std::any_of(FTables.begin(), FTables.end(), [](const TBoxScanTable& T) { return T.Table; });
    if (!FEncrypted || !anyTable || FScan->PasswordMatches(Password))
        return;
    // The digest refuses the password. Only a digest that is itself damaged is overruled, and
    // only when the password reads the records.
    if (FScan->DigestIntact() || bestScore <= 0)
        throw EWrongPassword("The password is not correct");
    FPasswordByRecords = true;
}

void TBoxScan::ReadTable(TBoxScanTable& T)
{
    if (T.Table == nullptr)
        return;
    const TTableHeader& h = T.Table->Header;
    T.LayoutMatches = h.RecordSize == T.Layout->Size && h.BlobCount == (T.Layout == &FolderLayout() ? 0 : 1);
    const auto add = [&](int64_t Slot, bool Stray) {
        TBoxScanRecord r;
        r.Slot = Slot;
        r.ID = T.Table->Slots[std::size_t(Slot)].ID;
        r.Stray = Stray;
        r.MarkedDeleted = T.Table->Slots[std::size_t(Slot)].Deleted != 0;
        ReadRecord(T, r);
        T.Records.push_back(std::move(r));
    };
    const std::set<int64_t> keepers = IdKeepers(*T.Table);
    std::vector<int64_t> strays;
    for (std::size_t s = 0; s < T.Table->Slots.size(); ++s)
        if (T.Table->Slots[s].Live && keepers.count(int64_t(s)) == 0)
            strays.push_back(int64_t(s));
    std::vector<int64_t> live(keepers.begin(), keepers.end());
    std::sort(live.begin(), live.end(), [&](int64_t A, int64_t B) {
        return T.Table->Slots[std::size_t(A)].ID < T.Table->Slots[std::size_t(B)].ID;
    });
    for (const int64_t s : live)
        add(s, false);
    for (const int64_t s : strays)
        add(s, true);
}

// Of several live slots that hold one id the engine takes the first. In a box ids rise with the
// slots, so the slot whose id is out of place is the damaged one. The id stays with the one slot
// whose neighbours' ids it lies between, or else with the one slot between whose neighbours no
// other id would fit; only when neither singles out one slot does the engine's choice stand.
std::set<int64_t> TBoxScan::IdKeepers(const TNorkScanTable& Table)
{
    std::vector<int64_t> order; // live slots with a valid id, in slot order
    std::map<int32_t, std::vector<std::size_t>> places;
    for (std::size_t s = 0; s < Table.Slots.size(); ++s)
        if (Table.Slots[s].Live && Table.Slots[s].ID >= 1) {
            places[Table.Slots[s].ID].push_back(order.size());
            order.push_back(int64_t(s));
        }
    const auto idAt = [&](std::size_t Pos) { return int64_t(Table.Slots[std::size_t(order[Pos])].ID); };
    std::set<int64_t> keepers;
    for (const auto& [id, at] : places) {
        std::size_t keeper = at.front();
        std::vector<std::size_t> inOrder;
        std::vector<std::size_t> fixed;
        for (const std::size_t pos : at) {
            const int64_t before = pos > 0 ? idAt(pos - 1) : 0;
            const int64_t after = pos + 1 < order.size() ? idAt(pos + 1) : INT64_MAX;
            const bool between = before < id && id < after;
            if (between)
                inOrder.push_back(pos);
            if (std::max<int64_t>(after - before - 1, 0) - (between ? 1 : 0) <= 0)
                fixed.push_back(pos);
        }
        if (at.size() > 1 && inOrder.size() == 1)
            keeper = inOrder.front();
        else if (at.size() > 1 && fixed.size() == 1)
            keeper = fixed.front();
        keepers.insert(order[keeper]);
    }
    return keepers;
}

void TBoxScan::ReadRecord(const TBoxScanTable& T, TBoxScanRecord& R)
{
    const TNorkScanTable& table = *T.Table;
    const TBoxRecordLayout& layout = *T.Layout;
    if (!T.LayoutMatches) {
        R.Unread = "its table's header does not give the box's record layout";
        return;
    }
    R.Data.assign(std::size_t(layout.Size), 0);
    R.Whole = FScan->ReadData(table, R.Slot, R.Data.data());
    if (!R.Whole) {
        R.Data.clear();
        R.Unread = "the file ends inside the record";
        return;
    }
    const uint8_t* rec = R.Data.data();
    for (const TNamedText& text : layout.Texts) {
        const std::string fault = StoredTextFault(rec + text.Field.Offset, text.Field.Size, text.Name);
        if (!fault.empty())
            R.DamagedTexts.emplace_back(text.Name, fault);
    }
    for (int i = 0; i < layout.Size; ++i)
        if (rec[i] != 0 && layout.IsLoose(i))
            R.LooseBytes = true;
    if (&layout == &FolderLayout())
        return;
    R.Blob = FScan->BlobState(table, R.Slot, 0);
    R.BlobSize = table.Blob(R.Slot, 0).DataSize;
    TMemoryStream body;
    if (R.Blob == bsDamaged)
        FScan->ReadBlob(table, R.Slot, 0, body, R.BlobFault);
    if (R.Blob == bsStored && layout.Kind != ztNone) {
        std::string reason;
        if (FScan->ReadBlob(table, R.Slot, 0, body, reason) == bsStored)
            R.BlobIsText = IsAnsiText(
                std::string_view(reinterpret_cast<const char*>(body.Memory()), static_cast<std::size_t>(body.Size())));
    }
}

// ---- the tree ----

int32_t TBoxScan::CategoryOf(int32_t FolderID) const
{
    const auto known = FCategories.find(FolderID);
    if (known != FCategories.end())
        return known->second;
    // Up the parents until a category, a missing folder or a folder seen before on this walk.
    std::vector<int32_t> walked;
    int32_t category = 0;
    for (int32_t id = FolderID;;) {
        const auto seen = FCategories.find(id);
        if (seen != FCategories.end()) {
            category = seen->second;
            break;
        }
        const TBoxScanRecord* r = Folders().Find(id);
        if (r == nullptr || !r->Whole || std::find(walked.begin(), walked.end(), id) != walked.end())
            break;
        walked.push_back(id);
        if (r->Link() == 0) {
            category = id >= 1 && id <= 3 ? id : 0;
            break;
        }
        id = r->Link();
    }
    for (const int32_t id : walked)
        FCategories[id] = category;
    return FolderID == 0 ? 0 : category;
}

int32_t TBoxScan::MissingAncestor(int32_t FolderID) const
{
    std::vector<int32_t> walked;
    for (int32_t id = FolderID;;) {
        const TBoxScanRecord* r = Folders().Find(id);
        if (r == nullptr || !r->Whole)
            return id;
        if (std::find(walked.begin(), walked.end(), id) != walked.end() || r->Link() == 0)
            return 0;
        walked.push_back(id);
        id = r->Link();
    }
}

// ---- naming ----

std::string TBoxScan::NameOf(const TBoxScanTable& Table, const TBoxScanRecord& Record) const
{
    const TBoxRecordLayout& layout = *Table.Layout;
    if (!Record.Whole)
        return {};
    for (const TNamedText& t : layout.Texts)
        if (t.Field.Offset == layout.NameField.Offset && Record.TextDamaged(t.Name))
            return {};
    return AnsiToPrintable(GetAnsi(Record.Data.data(), layout.NameField));
}

std::string TBoxScan::Describe(const TBoxScanTable& Table, const TBoxScanRecord& Record) const
{
    const TBoxRecordLayout& layout = *Table.Layout;
    std::string what = std::string(layout.Table) + " record " + std::to_string(Record.ID);
    const std::string name = NameOf(Table, Record);
    const std::string quoted = name.empty() ? std::string() : "\"" + name + "\"";
    std::string inside;
    if (layout.Kind != ztNone)
        inside = std::string(KindName(layout.Kind)) + ":" + std::to_string(Record.ID) + (quoted.empty() ? "" : " " + quoted);
    else if (&Table == &Attachments())
        inside = (quoted.empty() ? std::string() : quoted + " ") + "of note:" + std::to_string(Record.Link());
    else
        inside = quoted;
    if (!Record.Whole)
        inside = layout.Kind != ztNone ? std::string(KindName(layout.Kind)) + ":" + std::to_string(Record.ID) : "";
    return inside.empty() ? what : what + " (" + inside + ")";
}
