// Search, folder listings and attachment reads decode on every core; they must answer, and fail, exactly as the
// one-thread path does: the same items in the same order, or the same error after the same
// items. One box with every entry kind, Chinese and full-width text, entries in the recycle bin
// and removed records, more records than one read batch holds; then damaged copies of it.
#include "DamageFixture.h"

#include "boxdata/SearchCache.h"
#include "dataproc/ParallelFor.h"

#include <sstream>

using namespace DamageFixture;

namespace {

constexpr int32_t kFolder = 4; // "电子邮件" of the default tree
constexpr int kWebCount = 2300; // more than one read batch
constexpr int kNoteCount = 300;
constexpr int kAttachCount = 2 * kNoteCount; // more than the first read batch

// Captions and comments that the searches below find in different ways.
std::string CaptionFor(int I)
{
    switch (I % 5) {
    case 0: return "网上银行 " + std::to_string(I);
    case 1: return "ＡＢＣ mail " + std::to_string(I);
    case 2: return "abc shop " + std::to_string(I);
    case 3: return "论坛" + std::to_string(I);
    default: return "plain " + std::to_string(I);
    }
}

std::string CommentsFor(int I)
{
    std::string text = "line " + std::to_string(I) + " of notes; ";
    if (I % 7 == 0)
        text += "开户行 needle ";
    if (I % 11 == 0)
        text += "ｎｅｅｄｌｅ full width ";
    return text + std::string(static_cast<std::size_t>(I % 300), 'x');
}

// The box, built once; every test works on a copy of its bytes.
const TBytes& CleanBox()
{
    static const TBytes bytes = [] {
        TDamageBox box;
        TDbFileMgr mgr;
        EXPECT_TRUE(mgr.CreateDatabase(box.File(), kPassword, true, false, "", ""));
        mgr.OpenDatabase(box.File(), kPassword);
        mgr.BeginUpdate();
        int32_t id = 0;
        for (int i = 0; i < kWebCount; ++i) {
            TZmbNetItem web;
            web.FolderID = kFolder;
            web.Caption = CaptionFor(i);
            web.UserName = i % 3 == 0 ? "用户" + std::to_string(i) : "user" + std::to_string(i);
            web.Password = "pw-needle";
            web.Hyperlink = "https://example.org/" + std::to_string(i);
            web.Comments = CommentsFor(i);
            web.Deleted = i % 13 == 0; // in the recycle bin
            mgr.AddNetItem(web, id);
        }
        for (int i = 0; i < kNoteCount; ++i) {
            TZmbBankItem bank;
            bank.FolderID = kFolder;
            bank.BankName = CaptionFor(i);
            bank.AccType = i % 2 ? "储蓄" : "Ｃｈｅｃｋｉｎｇ";
            bank.Account = std::to_string(100000 + i);
            bank.Comments = CommentsFor(i);
            bank.Deleted = i % 17 == 0;
            mgr.AddBankItem(bank, id);
            TZmbCommItem note;
            note.FolderID = kFolder;
            note.Caption = CaptionFor(i + 1);
            note.Comments = CommentsFor(i + 2);
            mgr.AddCommItem(note, id);
            for (int a = 0; a < 2; ++a) {
                TAttachData file;
                file.OwnerID = id;
                file.Name = "附件 " + std::to_string(a) + ".txt";
                const std::string bin = CommentsFor(i + a) + std::string(static_cast<std::size_t>(a * 5000), 'z');
                file.Size = static_cast<int32_t>(bin.size());
                file.Bin = TSecretString(bin);
                int32_t attachID = 0;
                mgr.AddAttachment(file, attachID);
            }
        }
        // Removed records leave dead slots between live ones.
        for (int32_t gone = 5; gone <= kWebCount; gone += 97)
            mgr.DeleteNetItem(gone);
        mgr.DeleteBankItem(3);
        mgr.DeleteAttachment(10);
        mgr.EndUpdate();
        mgr.CloseDatabase();
        return ReadBytes(box.File());
    }();
    return bytes;
}

// What an operation answered, as text: its items in order, then the error it raised, if any.
// Operations on the open box; Verify opens the file itself.
using TOperation = std::function<void(TDbFileMgr&, std::ostream&)>;

std::string Answer(const TDamageBox& Box, const TOperation& Operation, int Threads)
{
    SetDecodeThreadCount(Threads);
    std::ostringstream out;
    TDbFileMgr mgr;
    try {
        if (Operation) {
            mgr.OpenDatabase(Box.File(), kPassword);
            Operation(mgr, out);
        } else {
            for (const std::string& problem : mgr.Verify(Box.File(), kPassword))
                out << problem << "\n";
        }
    } catch (const std::exception& e) {
        out << "raised: " << e.what() << "\n";
    }
    mgr.CloseDatabase();
    SetDecodeThreadCount(0);
    return out.str();
}

const TOperation Verify = nullptr;

// Fill fills Items; they are written out also when it raises, as a caller would still see them.
template <class V, class FillFn, class LineFn>
void Listed(V& Items, FillFn Fill, LineFn Line, std::ostream& Out)
{
    const auto print = [&] {
        for (const auto& item : Items)
            Out << Line(item) << "\n";
    };
    try {
        Fill();
    } catch (...) {
        print();
        throw;
    }
    print();
}

TOperation Search(const std::string& Text)
{
    return [Text](TDbFileMgr& Mgr, std::ostream& Out) {
        TSearchResultItems found;
        Listed(
            found, [&] { Mgr.Search(Text, found); },
            [](const TSearchResultItem& r) { return std::to_string(r.ZembraType) + ":" + std::to_string(r.ItemID) + " " + r.Caption; },
            Out);
    };
}

// Search twice through a cache of the box's texts, the second time from memory when they could
// be read; Held says whether they could.
TOperation CachedSearch(const std::string& Text, bool& Held)
{
    return [Text, &Held](TDbFileMgr& Mgr, std::ostream& Out) {
        TSearchCache cache(Mgr);
        for (int pass = 0; pass < 2; ++pass) {
            TSearchResultItems found;
            Listed(
                found, [&] { cache.Search(Text, found); },
                [](const TSearchResultItem& r) { return std::to_string(r.ZembraType) + ":" + std::to_string(r.ItemID) + " " + r.Caption; },
                Out);
        }
        Held = cache.Built();
    };
}

TOperation Twice(TOperation Operation)
{
    return [Operation](TDbFileMgr& Mgr, std::ostream& Out) {
        Operation(Mgr, Out);
        Operation(Mgr, Out);
    };
}

TOperation ListAll(bool Deleted)
{
    return [Deleted](TDbFileMgr& Mgr, std::ostream& Out) {
        TZmbNetItems web;
        Listed(
            web, [&] { Mgr.GetNetItemList(kFolder, Deleted, web); },
            [](const TZmbNetItem& w) {
                return "web:" + std::to_string(w.ID) + " " + w.Caption + "|" + w.UserName + "|" + w.Password.str() + "|" +
                       w.Comments;
            },
            Out);
        TZmbBankItems bank;
        Listed(
            bank, [&] { Mgr.GetBankItemList(kFolder, Deleted, bank); },
            [](const TZmbBankItem& b) {
                return "bank:" + std::to_string(b.ID) + " " + b.BankName + "|" + b.AccType + "|" + b.Comments;
            },
            Out);
        TZmbCommItems notes;
        Listed(
            notes, [&] { Mgr.GetCommItemList(kFolder, Deleted, notes); },
            [](const TZmbCommItem& n) { return "note:" + std::to_string(n.ID) + " " + n.Caption + "|" + n.Comments; },
            Out);
    };
}

std::string ContentLine(int32_t ID, const TMemoryStream* Content)
{
    if (Content == nullptr)
        return "attach:" + std::to_string(ID) + " none";
    return "attach:" + std::to_string(ID) + " " +
           std::string(reinterpret_cast<const char*>(Content->Memory()), static_cast<std::size_t>(Content->Size()));
}

// Every attachment id and one past them, with a removed one among them, in an order that is not
// the file's: read together on the many-thread path, one by one on the other.
TOperation ReadAttachments()
{
    return [](TDbFileMgr& Mgr, std::ostream& Out) {
        TIntegerAry ids;
        for (int32_t id = kAttachCount + 1; id >= 1; --id)
            ids.push_back(id);
        if (DecodeThreadCount() > 1) {
            Mgr.GetAttachments(ids, [&](int32_t ID, const TMemoryStream* Content) { Out << ContentLine(ID, Content) << "\n"; });
            return;
        }
        for (const int32_t id : ids) {
            TMemoryStream content;
            Out << ContentLine(id, Mgr.GetAttachment(id, content) ? &content : nullptr) << "\n";
        }
    };
}

// Damage to the copy of the box: none, or to the comments blob of one web entry.
using TDamage = std::function<void(TBytes&, const TFileMap&)>;

TDamage ScrambleComments(int32_t ID, TTableNo Table = tnNetItem)
{
    return [ID, Table](TBytes& B, const TFileMap& Map) {
        const TBlobInfo info = Map.Blob(Table, ID);
        for (int32_t k = 0; k < info.StoredSize; k += 3)
            B[std::size_t(info.DataOfs + k)] ^= 0x5A;
    };
}

TDamage ClaimSize(int32_t ID, int32_t DataSize)
{
    return [ID, DataSize](TBytes& B, const TFileMap& Map) {
        TBlobInfo info = Map.Blob(tnNetItem, ID);
        info.DataSize = DataSize;
        Put(B, Map.BlobInfoOfs(tnNetItem, ID), info);
    };
}

// The clean box with Damage done to it (none when empty), as Box's file.
void SaveDamaged(TDamageBox& Box, const TDamage& Damage)
{
    TBytes bytes = CleanBox();
    if (Damage) {
        const TFileMap map{bytes};
        Damage(bytes, map);
    }
    Box.Save(bytes);
}

TEST(ParallelRead, AnswersAndErrorsMatchTheOneThreadPath)
{
    struct TCase {
        const char* What;
        TDamage Damage;
        TOperation Operation;
        bool Raises;
        bool Finds = true; // answers items (before its error, if it raises)
    };
    const TCase cases[] = {
        {"search for Latin text, letter case ignored", nullptr, Search("ABC"), false},
        {"search for Chinese text", nullptr, Search("网上银行"), false},
        {"search for full-width text", nullptr, Search("ａｂｃ"), false},
        {"search that needs the comments", nullptr, Search("needle"), false},
        {"search that finds nothing", nullptr, Search("no such text"), false, false},
        {"listing of live entries", nullptr, ListAll(false), false},
        {"listing of the recycle bin", nullptr, ListAll(true), false},
        {"search over scrambled comments", ScrambleComments(2101), Search("needle"), true},
        {"listing with scrambled comments", ScrambleComments(2101), ListAll(false), true},
        {"search over a blob claiming 2 GiB", ClaimSize(1700, 0x7FFFFFFF), Search("needle"), true},
        {"listing with a blob claiming 2 GiB", ClaimSize(1700, 0x7FFFFFFF), ListAll(false), true},
        {"search that matches a damaged entry's fields", ScrambleComments(3), Search("ABC"), false},
        {"attachments read together", nullptr, ReadAttachments(), false},
        {"attachments with one scrambled", ScrambleComments(200, tnAttach), ReadAttachments(), true},
        {"check of the box (its deleted flags are findings)", nullptr, Verify, false},
        {"check with scrambled comments and a wrong size", [](TBytes& B, const TFileMap& Map) {
             ScrambleComments(2101)(B, Map);
             ClaimSize(1700, 0x7FFFFFFF)(B, Map);
             ClaimSize(1800, 3)(B, Map);
         }, Verify, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TDamageBox box;
        SaveDamaged(box, c.Damage);
        const std::string one = Answer(box, c.Operation, 1);
        const std::string many = Answer(box, c.Operation, 4);
        EXPECT_EQ(many, one);
        EXPECT_EQ(one.find("raised: ") != std::string::npos, c.Raises) << one.substr(0, 300);
        EXPECT_EQ(one.find('\n') < one.find("raised: "), c.Finds) << one.substr(0, 300);
    }
}

// Searches answered from texts read ahead answer, and fail, as the box's own search does.
TEST(ParallelRead, SearchFromHeldTextsAnswersAsTheBox)
{
    struct TCase {
        const char* What;
        TDamage Damage;
        std::string Text;
        bool Held; // the texts could be read (else every search goes to the box)
    };
    const TCase cases[] = {
        {"Latin text, letter case ignored", nullptr, "ABC", true},
        {"Chinese text", nullptr, "网上银行", true},
        {"full-width text", nullptr, "ａｂｃ", true},
        {"text only in comments", nullptr, "needle", true},
        {"text only in passwords", nullptr, "pw-needle", true},
        {"text found nowhere", nullptr, "no such text", true},
        {"scrambled comments", ScrambleComments(2101), "needle", false},
        {"a damaged entry whose fields match", ScrambleComments(3), "ABC", false},
        {"a blob claiming 2 GiB", ClaimSize(1700, 0x7FFFFFFF), "needle", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TDamageBox box;
        SaveDamaged(box, c.Damage);
        bool held = false;
        EXPECT_EQ(Answer(box, CachedSearch(c.Text, held), 4), Answer(box, Twice(Search(c.Text)), 1));
        EXPECT_EQ(held, c.Held);
    }
}

} // namespace
