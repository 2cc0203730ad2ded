#include "boxdata/BoxSalvage.h"

#include "boxdata/BoxSchema.h"
#include "boxdata/DbFileMgr.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Exception.h"
#include "dataproc/UpdateBracket.h"
#include "dataproc/Wipe.h"
#include "storage/Nork.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <set>

namespace {

std::string Num(int64_t N)
{
    return std::to_string(N);
}

// A record as the new box will hold it.
struct TKept {
    const TBoxScanRecord* Source = nullptr; // null for a record made anew
    std::vector<uint8_t> Data;
    bool CopyBlob = false; // blob 0 comes from Source; otherwise an empty one is written
    bool AsText = false;   // the copied blob is made code page 936 text, "?" for what is not

    TKept() = default;
    TKept(TKept&&) = default;
    TKept& operator=(TKept&&) = default;
    ~TKept() { SecureZero(Data.data(), Data.size()); }
};

using TKeptTable = std::map<int32_t, TKept>; // by id in the new box
// Records kept whose id another record holds (or which have none), waiting for a new id.
using TStrays = std::vector<std::pair<const TBoxScanRecord*, TKept>>;

class TSalvager {
public:
    TSalvager(TBoxScan& Scan, TSalvageReport& Report) : FScan(Scan), FReport(Report) {}

    void Plan()
    {
        PlanFolders();
        for (const TZembraType kind : {ztNetItem, ztBankItem, ztCommItem})
            PlanEntries(kind);
        PlanAttachments();
        PlanQuestion();
    }

    void Write(const std::string& Password, const std::string& NewFileName);

private:
    void Removed(const std::string& Line) { FReport.Lines.push_back("Removed: " + Line); }
    void Dropped(const std::string& Line) { FReport.Lines.push_back("Dropped: " + Line); }
    void Mended(const std::string& Line) { FReport.Lines.push_back("Mended: " + Line); }

    // The record's fields copied into zeros: links, integers, and the texts that can be read;
    // the deleted flag stays clear. Damaged texts stay empty and are answered by name.
    TKept Canonical(const TBoxScanTable& T, const TBoxScanRecord& R, std::vector<std::string>& LeftEmpty) const
    {
        const TBoxRecordLayout& layout = *T.Layout;
        TKept k;
        k.Source = &R;
        k.Data.assign(std::size_t(layout.Size), 0);
        uint8_t* out = k.Data.data();
        PutInt32(out, 0, R.Link());
        for (const int offset : layout.Ints)
            PutInt32(out, offset, R.IntAt(offset));
        for (const TNamedText& t : layout.Texts) {
            if (R.TextDamaged(t.Name)) {
                LeftEmpty.push_back(t.Name);
                continue;
            }
            const std::string_view bytes = GetAnsi(R.Data.data(), t.Field);
            std::memcpy(out + t.Field.Offset, bytes.data(), bytes.size());
        }
        return k;
    }

    std::string FaultOf(const TBoxScanRecord& R, const std::string& Field) const
    {
        for (const auto& [name, fault] : R.DamagedTexts)
            if (name == Field)
                return fault;
        return {};
    }

    void ReportEmptied(const std::string& Who, const TBoxScanRecord& R, const std::vector<std::string>& Fields)
    {
        for (const std::string& f : Fields)
            Dropped(Who + ": " + FaultOf(R, f) + "; it is left empty");
    }

    static int32_t NextID(const TKeptTable& Table, int32_t Taken)
    {
        return std::max(Table.empty() ? 0 : Table.rbegin()->first, Taken) + 1;
    }

    // A kept record under its own id, or among the strays when another record holds it.
    static void Keep(const TBoxScanRecord& R, TKept K, TKeptTable& Kept, TStrays& Strays)
    {
        if (R.Stray || R.ID < 1)
            Strays.emplace_back(&R, std::move(K));
        else
            Kept.emplace(R.ID, std::move(K));
    }

    // The strays get new ids above every other (and above Above).
    void KeepStrays(const TBoxScanTable& T, TStrays& Strays, TKeptTable& Kept, int32_t Above)
    {
        for (auto& [r, k] : Strays) {
            const int32_t id = NextID(Kept, Above);
            const TZembraType kind = T.Layout->Kind;
            Mended(FScan.Describe(T, *r) + ": another record holds its id; it is kept " +
                   (kind != ztNone ? std::string("as ") + KindName(kind) + ":" : "with the id ") + Num(id));
            Kept.emplace(id, std::move(k));
        }
    }

    // ---- folders ----

    // The category a kept folder lies below (itself included), 0 when none.
    int32_t CategoryIn(int32_t FolderID) const
    {
        std::set<int32_t> seen;
        for (int32_t id = FolderID; seen.insert(id).second;) {
            const auto it = FFolders.find(id);
            if (it == FFolders.end())
                return 0;
            const int32_t parent = GetInt32(it->second.Data.data(), FolderRec::kParentID);
            if (parent == 0)
                return id >= 1 && id <= 3 ? id : 0;
            id = parent;
        }
        return 0;
    }

    // The folder at the top of a kept folder's broken chain of parents: the one whose parent is
    // not kept (or 0), or the smallest id of the loop the chain runs into.
    int32_t OrphanRoot(int32_t FolderID, bool& Loop) const
    {
        std::vector<int32_t> walked;
        Loop = false;
        for (int32_t id = FolderID;;) {
            const auto seen = std::find(walked.begin(), walked.end(), id);
            if (seen != walked.end()) {
                Loop = true;
                return *std::min_element(seen, walked.end());
            }
            walked.push_back(id);
            const int32_t parent = GetInt32(FFolders.at(id).Data.data(), FolderRec::kParentID);
            if (parent == 0 || FFolders.count(parent) == 0)
                return id;
            id = parent;
        }
    }

    std::vector<int32_t> Subtree(int32_t Root) const
    {
        std::vector<int32_t> out{Root};
        for (std::size_t i = 0; i < out.size(); ++i)
            for (const auto& [id, k] : FFolders)
                if (id != Root && GetInt32(k.Data.data(), FolderRec::kParentID) == out[i] &&
                    std::find(out.begin(), out.end(), id) == out.end())
                    out.push_back(id);
        return out;
    }

    // Records the file ends before: their ids went with them.
    void ReportMissing(const TBoxScanTable& T)
    {
        if (T.Table == nullptr)
            Dropped(std::string(T.Layout->Table) + ": the table cannot be read; whatever it held is lost");
        else if (T.Table->MissingSlots > 0)
            Dropped(std::string(T.Layout->Table) + ": the file ends before " +
                    Num(T.Table->MissingSlots) + (T.Table->MissingSlots == 1 ? " record" : " records") +
                    " of the table, which are lost");
    }

    // A record whose deleted byte is set while its index still lists it is kept.
    void ReportMarked(const std::string& Who, const TBoxScanRecord& R)
    {
        if (R.MarkedDeleted)
            Mended(Who + ": it is marked deleted but its index still lists it; it is kept");
    }

    void PlanFolders()
    {
        const TBoxScanTable& ft = FScan.Folders();
        ReportMissing(ft);
        TStrays strays;
        for (const TBoxScanRecord& r : ft.Records) {
            const std::string who = FScan.Describe(ft, r);
            if (!r.Whole) {
                Dropped(who + ": " + r.Unread + "; the folder is lost");
                continue;
            }
            ReportMarked(who, r);
            std::vector<std::string> emptied;
            TKept k = Canonical(ft, r, emptied);
            if (!r.Stray && r.ID >= 1 && r.ID <= 3 && !emptied.empty()) {
                PutText(k.Data.data(), FolderRec::kName, CategoryFolderName(r.ID));
                Mended(who + ": the category folder's name could not be read and is " + CategoryFolderName(r.ID) + " again");
            } else {
                ReportEmptied(who, r, emptied);
            }
            Keep(r, std::move(k), FFolders, strays);
        }
        KeepStrays(ft, strays, FFolders, 3); // above the categories, made anew below if lost
        for (int32_t c = 1; c <= 3; ++c) {
            auto it = FFolders.find(c);
            if (it == FFolders.end()) {
                TKept k;
                k.Data.assign(FolderRec::kSize, 0);
                PackFolder(TZembraFolder{0, 0, CategoryFolderName(c), BoxSchema::kDefaultFolders[c - 1].SortCode}, k.Data.data());
                FFolders.emplace(c, std::move(k));
                Mended(std::string("the category folder ") + Num(c) + " " + CategoryFolderName(c) + " was lost and is made anew");
            } else if (GetInt32(it->second.Data.data(), FolderRec::kParentID) != 0) {
                PutInt32(it->second.Data.data(), FolderRec::kParentID, 0);
                Mended(FScan.Describe(ft, *it->second.Source) + ": the category folder is at the top again");
            }
        }
        PlaceOrphanFolders();
    }

    // Entries of each kind filed in the given folders (by the records as read).
    std::array<int, 4> KindsIn(const std::vector<int32_t>& Folders) const
    {
        const std::set<int32_t> folders(Folders.begin(), Folders.end());
        std::array<int, 4> counts{};
        for (const TZembraType kind : {ztNetItem, ztBankItem, ztCommItem})
            for (const TBoxScanRecord& r : FScan.Entries(kind).Records)
                if (r.Whole && folders.count(r.Link()) != 0)
                    ++counts[kind];
        return counts;
    }

    void PlaceOrphanFolders()
    {
        const TBoxScanTable& ft = FScan.Folders();
        for (bool again = true; again;) {
            again = false;
            for (const auto& [id, k] : FFolders) {
                if (id <= 3 || CategoryIn(id) != 0)
                    continue;
                bool loop = false;
                const int32_t root = OrphanRoot(id, loop);
                const std::vector<int32_t> subtree = Subtree(root);
                TKept& rootRec = FFolders.at(root);
                const int32_t parent = GetInt32(rootRec.Data.data(), FolderRec::kParentID);
                const std::string who = rootRec.Source ? FScan.Describe(ft, *rootRec.Source) : "folder " + Num(root);
                const std::string below = subtree.size() > 1 ? " with the " + Num(int64_t(subtree.size()) - 1) +
                                                                   " folders below it"
                                                             : std::string();
                if (!loop && parent != 0 && ft.WasDeleted(parent)) {
                    Removed(who + below + ": its parent folder " + Num(parent) +
                            " was deleted (a deletion was interrupted)");
                    for (const int32_t f : subtree) {
                        FFolders.erase(f);
                        FRemovedFolders.insert(f);
                    }
                } else {
                    const std::array<int, 4> kinds = KindsIn(subtree);
                    const auto most = std::max_element(kinds.begin() + 1, kinds.end());
                    const std::string why = loop          ? "its parents run in a loop"
                                            : parent == 0 ? "it has no parent"
                                                          : "its parent folder " + Num(parent) + " is lost";
                    if (*most == 0) {
                        Dropped(who + below + ": " + why + " and nothing below it holds entries; left out");
                        for (const int32_t f : subtree)
                            FFolders.erase(f);
                    } else {
                        const int32_t category = static_cast<int32_t>(most - kinds.begin());
                        PutInt32(rootRec.Data.data(), FolderRec::kParentID, category);
                        Mended(who + ": " + why + "; moved below " + CategoryFolderName(category));
                    }
                }
                again = true; // the map changed under the loop
                break;
            }
        }
    }

    // ---- entries ----

    void PlanEntries(TZembraType Kind)
    {
        const TBoxScanTable& et = FScan.Entries(Kind);
        const TBoxScanTable& ft = FScan.Folders();
        const TBoxRecordLayout& layout = *et.Layout;
        TKeptTable& kept = FEntries[Kind];
        const std::string blobWas = layout.BlobWas;
        const std::string blobName = blobWas.substr(0, blobWas.rfind(' '));
        TStrays strays;
        ReportMissing(et);
        for (const TBoxScanRecord& r : et.Records) {
            const std::string who = FScan.Describe(et, r);
            const bool removable = Kind == ztCommItem && !r.Stray;
            if (!r.Whole) {
                Dropped(who + ": " + r.Unread + "; the entry is lost");
                continue;
            }
            if (r.Blob == bsNone) {
                Removed(who + ": an unfinished addition (" + blobWas + " never stored)");
                if (removable)
                    FRemovedNotes.insert(r.ID);
                continue;
            }
            const int32_t folder = r.Link();
            int32_t target = folder;
            if (FRemovedFolders.count(folder) != 0) {
                Removed(who + ": it lay in folder " + Num(folder) + ", whose deletion was interrupted");
                if (removable)
                    FRemovedNotes.insert(r.ID);
                continue;
            }
            if (FFolders.count(folder) == 0) {
                if (ft.WasDeleted(folder)) {
                    Removed(who + ": its folder " + Num(folder) + " was deleted (a deletion was interrupted)");
                    if (removable)
                        FRemovedNotes.insert(r.ID);
                    continue;
                }
                target = Kind;
                Mended(who + ": its folder " + Num(folder) + " is lost; moved to " + CategoryFolderName(Kind));
            } else if (const int32_t category = CategoryIn(folder); category != Kind) {
                target = Kind;
                Mended(who + ": its folder " + Num(folder) + " lies below " + CategoryFolderName(category) +
                       "; moved to " + CategoryFolderName(Kind));
            }
            ReportMarked(who, r);
            std::vector<std::string> emptied;
            TKept k = Canonical(et, r, emptied);
            PutInt32(k.Data.data(), 0, target);
            ReportEmptied(who, r, emptied);
            if (r.Data[std::size_t(layout.DeletedOffset)] != 0)
                Mended(who + ": the deleted flag " + Num(r.Data[std::size_t(layout.DeletedOffset)]) + " is cleared");
            k.CopyBlob = r.Blob == bsStored;
            k.AsText = !r.BlobIsText;
            if (k.AsText)
                Mended(who + ": " + blobWas + " not stored as code page 936 text; what was not is \"?\" now");
            if (r.Blob == bsDamaged)
                Dropped(who + ": " + blobName + " could not be read (" + r.BlobFault + "); the entry is kept without it");
            Keep(r, std::move(k), kept, strays);
        }
        KeepStrays(et, strays, kept, 0);
    }

    // ---- attachments ----

    // A general entry of that id, empty, in the general category: a home for attachments whose
    // entry was lost.
    void MakeStandInNote(int32_t ID)
    {
        TKeptTable& notes = FEntries[ztCommItem];
        int32_t sort = 0;
        for (const auto& [id, k] : notes)
            if (GetInt32(k.Data.data(), CommItemRec::kFolderID) == ztCommItem)
                sort = std::max(sort, GetInt32(k.Data.data(), CommItemRec::kSortCode));
        TKept k;
        k.Data.assign(CommItemRec::kSize, 0);
        PutInt32(k.Data.data(), CommItemRec::kFolderID, ztCommItem);
        PutInt32(k.Data.data(), CommItemRec::kSortCode, sort + 10);
        notes.emplace(ID, std::move(k));
        Mended("note:" + Num(ID) + " was lost; an empty note:" + Num(ID) + " in " + CategoryFolderName(ztCommItem) +
               " now holds its attachments");
    }

    void PlanAttachments()
    {
        const TBoxScanTable& at = FScan.Attachments();
        const TBoxScanTable& notes = FScan.Entries(ztCommItem);
        TStrays strays;
        ReportMissing(at);
        for (const TBoxScanRecord& r : at.Records) {
            const std::string who = FScan.Describe(at, r);
            if (!r.Whole) {
                Dropped(who + ": " + r.Unread + "; the attachment is lost");
                continue;
            }
            if (r.Blob == bsNone) {
                Removed(who + ": an unfinished addition (its content was never stored)");
                continue;
            }
            if (r.Blob == bsDamaged) {
                Dropped(who + ": its content could not be read (" + r.BlobFault + "); the attachment is lost");
                continue;
            }
            const int32_t owner = r.Link();
            if (FRemovedNotes.count(owner) != 0) {
                Removed(who + ": its entry note:" + Num(owner) + " is removed");
                continue;
            }
            if (FEntries[ztCommItem].count(owner) == 0) {
                if (notes.WasDeleted(owner)) {
                    Removed(who + ": its entry note:" + Num(owner) + " was deleted (a deletion was interrupted)");
                    continue;
                }
                if (owner < 1) {
                    Dropped(who + ": it belongs to no entry (" + Num(owner) + "); the attachment is lost");
                    continue;
                }
                MakeStandInNote(owner);
            }
            ReportMarked(who, r);
            std::vector<std::string> emptied;
            TKept k = Canonical(at, r, emptied);
            ReportEmptied(who, r, emptied);
            const int32_t size = r.IntAt(AttachRec::kFileSize);
            if (size != r.BlobSize) {
                PutInt32(k.Data.data(), AttachRec::kFileSize, static_cast<int32_t>(r.BlobSize));
                Mended(who + ": its size field said " + Num(size) + " bytes; it is the " + Num(r.BlobSize) +
                       " bytes its content holds");
            }
            k.CopyBlob = true;
            Keep(r, std::move(k), FAttachments, strays);
        }
        KeepStrays(at, strays, FAttachments, 0);
    }

    // ---- the recovery question ----

    void PlanQuestion()
    {
        const TDBKeyData& k = FScan.Engine().KeyData();
        const bool fieldsSet = !AnsiFieldBytes(k.PwdQuestion, sizeof(k.PwdQuestion)).empty();
        if (k.UseQuestion == 0 && !fieldsSet)
            return;
        const bool readable = StoredTextFault(k.PwdQuestion, sizeof(k.PwdQuestion), "").empty() &&
                              StoredTextFault(k.PwdAnswer, sizeof(k.PwdAnswer), "").empty() && fieldsSet;
        if (!readable) {
            if (k.UseQuestion != 0)
                Dropped("the recovery question could not be read; the new box has none");
            return;
        }
        FUseQuestion = true;
        FQuestion = AnsiFieldToStr(k.PwdQuestion, sizeof(k.PwdQuestion));
        FAnswer = AnsiFieldToStr(k.PwdAnswer, sizeof(k.PwdAnswer));
        if (k.UseQuestion != 1)
            Mended("the recovery flag was damaged; the recovery question that can be read is kept");
    }

    void WriteTable(TNorkDatabase& Db, const TBoxScanTable& T, const TKeptTable& Kept, bool Empty);

    TBoxScan& FScan;
    TSalvageReport& FReport;
    TKeptTable FFolders;
    TKeptTable FEntries[4];
    TKeptTable FAttachments;
    std::set<int32_t> FRemovedFolders;
    std::set<int32_t> FRemovedNotes;
    bool FUseQuestion = false;
    TSecretString FQuestion;
    TSecretString FAnswer;
};

void TSalvager::WriteTable(TNorkDatabase& Db, const TBoxScanTable& T, const TKeptTable& Kept, bool Empty)
{
    TNorkTable table(&Db);
    table.Open(T.Layout->Table, true);
    TUpdateBracket bracket(table);
    if (Empty)
        table.EmptyTable();
    const bool hasBlob = T.Layout != &FolderLayout();
    TMemoryStream blob;
    std::string fault;
    for (const auto& [id, k] : Kept) {
        table.AppendRecord(k.Data.data(), static_cast<int>(k.Data.size()), id);
        if (!hasBlob)
            continue;
        blob.Clear();
        if (k.CopyBlob && FScan.Engine().ReadBlob(*T.Table, k.Source->Slot, 0, blob, fault) != bsStored)
            throw Exception("The content of " + FScan.Describe(T, *k.Source) + " cannot be read again: " + fault);
        if (k.AsText) {
            std::string text = Utf8ToAnsi(AnsiToUtf8(
                std::string_view(reinterpret_cast<const char*>(blob.Memory()), std::size_t(blob.Size()))));
            blob.Clear();
            blob.Write(text.data(), int64_t(text.size()));
            WipeString(text);
        }
        table.WriteBlob(id, 0, blob);
    }
}

void TSalvager::Write(const std::string& Password, const std::string& NewFileName)
{
    // A new box with its folders, identification and question; the default folders give way to
    // the salvaged ones.
    TDbFileMgr creator;
    if (!creator.CreateDatabase(NewFileName, Password, FScan.Encrypted(), FUseQuestion, FQuestion, FAnswer))
        throw EFileError("Cannot create file \"" + NewFileName + "\". " + creator.LastMessage());
    TNorkDatabase db;
    db.SetMaxCache(0);
    if (!db.Open(NewFileName, Password))
        throw EFileError("Cannot open the new file \"" + NewFileName + "\" with the password");
    WriteTable(db, FScan.Folders(), FFolders, true);
    for (const TZembraType kind : {ztNetItem, ztBankItem, ztCommItem})
        WriteTable(db, FScan.Entries(kind), FEntries[kind], false);
    WriteTable(db, FScan.Attachments(), FAttachments, false);
    // Written record by record, the tables have room to spare; a rebuild gives the compact file
    // a repaired box is expected to be.
    db.Compact();
    db.Close();
    FReport.Folders = static_cast<int>(FFolders.size());
    FReport.Entries = static_cast<int>(FEntries[1].size() + FEntries[2].size() + FEntries[3].size());
    FReport.Attachments = static_cast<int>(FAttachments.size());
}

} // namespace

TSalvageReport SalvageBox(TBoxScan& Scan, const std::string& Password, const std::string& NewFileName)
{
    const auto& tables = Scan.Tables();
    if (std::none_of(tables.begin(), tables.end(), [](const TBoxScanTable& T) { return T.Table; }))
        throw ENorkFileCorrupt("None of the box's tables can be read from \"" + Scan.Engine().FileName() +
                               "\"; there is nothing to salvage");
    TSalvageReport report;
    TSalvager salvager(Scan, report);
    salvager.Plan();
    salvager.Write(Password, NewFileName);
    return report;
}
