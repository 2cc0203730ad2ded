#include "boxdata/BoxCheck.h"

#include "boxdata/BoxSchema.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Hash.h"
#include "dataproc/Wipe.h"
#include "storage/NorkNames.h"

#include <algorithm>
#include <cstring>

namespace {

std::string Num(int64_t N)
{
    return std::to_string(N);
}

std::string Quoted(const std::string& Text)
{
    return "\"" + Text + "\"";
}

bool AllZero(const uint8_t* P, std::size_t N)
{
    return std::all_of(P, P + N, [](uint8_t b) { return b == 0; });
}

class TBoxChecker {
public:
    TBoxChecker(TBoxScan& Scan, std::vector<std::string>& Lines) : FScan(Scan), FLines(Lines)
    {
    }

    void Run()
    {
        for (const TNorkFinding& f : FScan.Engine().Findings())
            FLines.push_back(DescribeFinding(FScan, f));
        CheckHead();
        CheckSchema();
        for (const TBoxScanTable& t : FScan.Tables())
            CheckRecords(t);
        CheckFolders();
        for (const TZembraType kind : {ztNetItem, ztBankItem, ztCommItem})
            CheckEntryFolders(kind);
        CheckAttachmentOwners();
    }

private:
    void Add(const std::string& Line) { FLines.push_back(Line); }
    void Add(const TBoxScanTable& T, const TBoxScanRecord& R, const std::string& Text)
    {
        FLines.push_back(FScan.Describe(T, R) + ": " + Text);
    }

    // Identification, comments, options and key data as a box has them.
    void CheckHead()
    {
        using namespace BoxSchema;
        TNorkFileScan& engine = FScan.Engine();
        const uint8_t* ext = engine.ExtData().Data;
        if (std::memcmp(ext, "Zembrix\0", 8) != 0 || std::memcmp(ext + 8, "1.0\0", 4) != 0)
            Add("the free-use data does not hold the identification \"Zembrix\" \"1.0\"");
        if (!AllZero(ext + kExtDataSize, sizeof(TExtDataBlock) - kExtDataSize))
            Add("the free-use data after the identification is not zero");

        TCommentsBlock comments = engine.ReadComments();
        const std::string text(AnsiFieldBytes(comments.Text, sizeof(comments.Text)));
        SecureZero(&comments, sizeof(comments));
        if (text != kComments)
            Add("the comments read " + Quoted(AnsiToUtf8(text)) + ", not " + Quoted(kComments));

        const TDBOptions& o = engine.Options();
        if (o.CompressBlob != 1 || AnsiFieldBytes(o.CompressAlgoName, sizeof(o.CompressAlgoName)) != "Zlib")
            Add("options: blobs are not marked as compressed with \"Zlib\"");
        if (AnsiFieldBytes(o.EncryptAlgoName, sizeof(o.EncryptAlgoName)) != "Blowfish")
            Add("options: the encryption algorithm is " +
                Quoted(AnsiFieldToStr(o.EncryptAlgoName, sizeof(o.EncryptAlgoName))) + ", not \"Blowfish\"");
        if (o.Encrypt <= 1 && (o.Encrypt == 1) != FScan.Encrypted())
            Add(std::string("options: the encryption flag is ") + Num(o.Encrypt) + ", but the records are " +
                (FScan.Encrypted() ? "enciphered" : "not enciphered"));

        // The password kept for recovery is the one the box opens with (as far as it fits).
        const TDBKeyData& k = engine.KeyData();
        const std::string_view kept = AnsiFieldBytes(k.OrgPassword, sizeof(k.OrgPassword));
        if (FScan.Encrypted() && k.UseQuestion == 1 && engine.DigestIntact() && kept.size() + 1 < sizeof(k.OrgPassword) &&
            THash_SHA::CalcString(nullptr, std::string(kept)) != AnsiFieldBytes(k.HashPassword, sizeof(k.HashPassword)))
            Add("key data: the password kept for recovery is not the box's password");

        // Tables are never deleted from a box, so no catalogue entry is ever stale.
        const TTableTab& tab = engine.TableTab();
        const int32_t tableCount = tab.TableCount; // a packed field is not bound to a reference
        const int count = std::clamp<int32_t>(tableCount, 0, kMaxTables);
        for (int i = count; i < kMaxTables; ++i)
            if (tab.TableHeaderOffset[i] != 0) {
                Add("catalogue: the entries after the last table are not zero");
                break;
            }
        if (tab.TableCount != 5)
            Add("catalogue: the box has " + Num(tab.TableCount) + " tables, not 5");
    }

    // The five tables in their order with the layouts and indexes a box creates.
    void CheckSchema()
    {
        using namespace BoxSchema;
        const std::vector<TNorkScanTable>& tables = FScan.Engine().Tables();
        for (std::size_t i = 0; i < std::size(kTables); ++i) {
            const TTableDef& def = kTables[i];
            const TNorkScanTable* t = FScan.Tables()[i].Table;
            if (t == nullptr) {
                Add(std::string(def.Name) + ": the table is missing");
                continue;
            }
            if (i < tables.size() && tables[i].Usable && tables[i].Name != def.Name)
                Add("catalogue: table " + Num(int64_t(i)) + " is " + Quoted(tables[i].Name) + ", not " + Quoted(def.Name));
            for (const std::string& fault : SchemaFaults(i, t->Header))
                Add(std::string(def.Name) + ": " + fault);
        }
    }

    // Every live record field by field, its blob, and ids rising with the slots.
    void CheckRecords(const TBoxScanTable& T)
    {
        if (T.Table == nullptr || !T.LayoutMatches)
            return; // the schema's lines say why
        const TBoxRecordLayout& layout = *T.Layout;
        const bool isEntry = layout.Kind != ztNone;
        const std::string blobIs = layout.BlobWas;
        std::vector<const TBoxScanRecord*> bySlot;
        for (const TBoxScanRecord& r : T.Records) {
            if (!r.Stray)
                bySlot.push_back(&r);
            if (!r.Whole) {
                Add(T, r, r.Unread);
                continue;
            }
            for (const auto& [field, fault] : r.DamagedTexts)
                Add(T, r, fault);
            if (r.LooseBytes)
                Add(T, r, "bytes outside the fields are not zero");
            if (isEntry) {
                const uint8_t flag = r.Data[std::size_t(layout.DeletedOffset)];
                if (flag == 1)
                    Add(T, r, "the entry is flagged deleted, which no program does");
                else if (flag > 1)
                    Add(T, r, "the deleted flag is " + Num(flag) + ", not 0");
            }
            // Blobs are compressed in a box, so every blob written holds bytes: none means the
            // record was added and the writing of its blob never happened.
            if (r.Blob == bsNone && &layout != &FolderLayout())
                Add(T, r, "unfinished: " + blobIs + " never stored (a change was interrupted)");
            else if (r.Blob == bsStored && !r.BlobIsText)
                Add(T, r, blobIs + " not stored as code page 936 text");
        }
        // Every id a box gives out is one above the largest live one, and a rebuild copies in id
        // order, so ids rise with the slots.
        std::sort(bySlot.begin(), bySlot.end(),
                  [](const TBoxScanRecord* A, const TBoxScanRecord* B) { return A->Slot < B->Slot; });
        for (std::size_t i = 1; i < bySlot.size(); ++i)
            if (bySlot[i]->ID <= bySlot[i - 1]->ID)
                Add(T, *bySlot[i], "its id is not above the id " + Num(bySlot[i - 1]->ID) + " of the record before it");
    }

    // Whether a missing folder or entry is the trace of a deletion that did not finish. Category
    // folders are never deleted, so one that is gone was lost.
    std::string WhyMissing(const TBoxScanTable& T, int32_t ID) const
    {
        const bool category = &T == &FScan.Folders() && ID >= 1 && ID <= 3;
        return !category && T.WasDeleted(ID) ? " (it was deleted: a deletion was interrupted)" : "";
    }

    void CheckFolders()
    {
        const TBoxScanTable& folders = FScan.Folders();
        if (folders.Table == nullptr)
            return;
        for (int32_t c = 1; c <= 3; ++c) {
            const TBoxScanRecord* r = folders.Find(c);
            if (r == nullptr)
                Add("Folder: the category folder " + Num(c) + " " + Quoted(CategoryFolderName(c)) + " is missing");
            else if (r->Whole && r->Link() != 0)
                Add(folders, *r, "the category folder has the parent folder " + Num(r->Link()));
        }
        for (const TBoxScanRecord& r : folders.Records) {
            if (r.Stray || !r.Whole || (r.ID >= 1 && r.ID <= 3))
                continue;
            const int32_t parent = r.Link();
            if (parent == 0)
                Add(folders, r, "a folder other than the three categories has no parent");
            else if (folders.Find(parent) == nullptr)
                Add(folders, r, "its parent folder " + Num(parent) + " does not exist" + WhyMissing(folders, parent));
            else if (FScan.CategoryOf(r.ID) == 0 && InLoop(r.ID))
                Add(folders, r, "it is not below a category: its parents run in a loop");
        }
    }

    bool InLoop(int32_t FolderID) const
    {
        const TBoxScanTable& folders = FScan.Folders();
        int32_t id = FolderID;
        for (std::size_t steps = 0; steps <= folders.Records.size(); ++steps) {
            const TBoxScanRecord* r = folders.Find(id);
            if (r == nullptr || !r->Whole || r->Link() == 0)
                return false;
            id = r->Link();
            if (id == FolderID)
                return true;
        }
        return false;
    }

    void CheckEntryFolders(TZembraType Kind)
    {
        const TBoxScanTable& entries = FScan.Entries(Kind);
        const TBoxScanTable& folders = FScan.Folders();
        if (folders.Table == nullptr)
            return;
        for (const TBoxScanRecord& r : entries.Records) {
            if (!r.Whole)
                continue;
            const int32_t folder = r.Link();
            const TBoxScanRecord* f = folders.Find(folder);
            if (f == nullptr) {
                Add(entries, r, "its folder " + Num(folder) + " does not exist" + WhyMissing(folders, folder));
                continue;
            }
            const int32_t category = FScan.CategoryOf(folder);
            if (category != 0 && category != Kind)
                Add(entries, r, "its folder " + Num(folder) + " lies below " + CategoryFolderName(category) + ", not " +
                                    CategoryFolderName(Kind));
        }
    }

    void CheckAttachmentOwners()
    {
        const TBoxScanTable& attachments = FScan.Attachments();
        const TBoxScanTable& notes = FScan.Entries(ztCommItem);
        for (const TBoxScanRecord& r : attachments.Records) {
            if (!r.Whole)
                continue;
            const int32_t owner = r.Link();
            if (notes.Table != nullptr && notes.Find(owner) == nullptr)
                Add(attachments, r, "its entry note:" + Num(owner) + " does not exist" + WhyMissing(notes, owner));
            const int32_t size = r.IntAt(AttachRec::kFileSize);
            if (r.Blob == bsStored && size != r.BlobSize)
                Add(attachments, r, "its size field says " + Num(size) + " bytes, its content holds " + Num(r.BlobSize));
        }
    }

    TBoxScan& FScan;
    std::vector<std::string>& FLines;
};

} // namespace

std::string DescribeFinding(const TBoxScan& Scan, const TNorkFinding& Finding)
{
    if (Finding.Table.empty())
        return Finding.Text;
    const TBoxScanTable* table = Scan.TableNamed(Finding.Table);
    if (Finding.RecordID != 0) {
        if (table != nullptr)
            if (const TBoxScanRecord* r = table->Find(Finding.RecordID))
                return Scan.Describe(*table, *r) + ": " + Finding.Text;
        return Finding.Table + " record " + Num(Finding.RecordID) + ": " + Finding.Text;
    }
    return Finding.Table + ": " + Finding.Text;
}

std::vector<std::string> CheckBox(TBoxScan& Scan)
{
    std::vector<std::string> lines;
    TBoxChecker(Scan, lines).Run();
    return lines;
}
