// A small box written by the data layer, the bytes of its file, and the places of its structures,
// for tests that damage it: byte edits at the places the format gives, and record edits made
// through the engine itself.
#pragma once

#include "boxdata/DbFileMgr.h"
#include "boxdata/StoredRecords.h"
#include "dataproc/MemoryStream.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace DamageFixture {

inline const std::string kPassword = "secret";

// Table positions in the catalogue of a box.
enum TTableNo { tnFolder = 0, tnNetItem = 1, tnBankItem = 2, tnCommItem = 3, tnAttach = 4 };
inline const char* const kTableNames[] = {"Folder", "NetItem", "BankItem", "CommItem", "Attach"};

using TBytes = std::vector<uint8_t>;

inline TBytes ReadBytes(const std::string& File)
{
    std::ifstream in(File, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& File, const TBytes& Bytes)
{
    std::ofstream out(File, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

template <class T>
T Get(const TBytes& B, int64_t Ofs)
{
    T v{};
    std::memcpy(&v, B.data() + Ofs, sizeof(T));
    return v;
}

template <class T>
void Put(TBytes& B, int64_t Ofs, const T& V)
{
    std::memcpy(B.data() + Ofs, &V, sizeof(T));
}

// Where things lie in the file's bytes, as its first catalogue and header copies say.
struct TFileMap {
    const TBytes& B;

    int64_t HeaderOfs(int Table) const { return Get<TTableTab>(B, kTableTabOfs).TableHeaderOffset[Table]; }
    TTableHeader Header(int Table) const { return Get<TTableHeader>(B, HeaderOfs(Table)); }
    int64_t SlotOfs(int Table, int64_t Slot) const
    {
        const TTableHeader h = Header(Table);
        const int64_t size = PhyRecSizeOf(h);
        return Slot < h.BaseUseSpace ? h.BaseDataOfs + Slot * size : h.AliveDataOfs + (Slot - h.BaseUseSpace) * size;
    }
    // The slot of the live record with that id; -1 when none.
    int64_t SlotOf(int Table, int32_t ID) const
    {
        const TTableHeader h = Header(Table);
        for (int64_t s = 0; s < int64_t(h.BaseUseSpace) + h.AliveUseSpace; ++s) {
            const TPhyRecPrefix p = Get<TPhyRecPrefix>(B, SlotOfs(Table, s));
            if (p.Deleted == 0 && p.SysRecordID == ID)
                return s;
        }
        return -1;
    }
    int64_t RecordOfs(int Table, int32_t ID) const { return SlotOfs(Table, SlotOf(Table, ID)); }
    int64_t LinkOfs(int Table, int32_t ID, int Index) const
    {
        return RecordOfs(Table, ID) + int64_t(sizeof(TPhyRecPrefix)) + 4 * Index;
    }
    int64_t BlobInfoOfs(int Table, int32_t ID) const
    {
        return RecordOfs(Table, ID) + int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(Header(Table).IndexCount);
    }
    TBlobInfo Blob(int Table, int32_t ID) const { return Get<TBlobInfo>(B, BlobInfoOfs(Table, ID)); }
    int64_t DataOfs(int Table, int32_t ID) const { return RecordOfs(Table, ID) + PhyRecPrefixSize(Header(Table)); }
};

// The ids of the fixture box (a fresh box gives them in this order).
constexpr int32_t kSubFolder = 18; // "Sub" below "电子邮件" (4)
constexpr int32_t kWebMail = 1, kWebForum = 2, kWebDeep = 3;
constexpr int32_t kBank = 1;
constexpr int32_t kNoteMemo = 1, kNoteTop = 2;
constexpr int32_t kAttachText = 1, kAttachBin = 2;

class TDamageBox {
public:
    // In memory where the system has a memory file system: the engine puts every change on the
    // device, and these tests write thousands of boxes whose content, not their device, matters.
    TDamageBox()
    {
        std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/zmbdamageXXXXXX");
        FDir = ::mkdtemp(pattern.data());
        FFile = FDir + "/box.zmb";
    }
    ~TDamageBox() { std::filesystem::remove_all(FDir); }
    TDamageBox(const TDamageBox&) = delete;
    TDamageBox& operator=(const TDamageBox&) = delete;

    const std::string& File() const { return FFile; }
    std::string Path(const std::string& Name) const { return FDir + "/" + Name; }

    // Three web entries (one in a user folder), a bank entry, two notes (one with two
    // attachments) and a recovery question.
    void Build(bool Encrypt = true)
    {
        TDbFileMgr mgr;
        ASSERT_TRUE(mgr.CreateDatabase(FFile, kPassword, Encrypt, true, "Pet?", "Rex"));
        mgr.OpenDatabase(FFile, kPassword);
        int32_t id = 0;
        mgr.AddFolder(TZembraFolder{0, 4, "Sub", 10}, id);
        ASSERT_EQ(id, kSubFolder);
        AddWeb(mgr, 4, "Mail", "alice", "pw-mail", "hello\nworld");
        AddWeb(mgr, 6, "Forum", "bob", "pw-forum", "forum comments");
        AddWeb(mgr, kSubFolder, "Deep", "carol", "pw-deep", "");
        TZmbBankItem bank;
        bank.FolderID = 9;
        bank.BankName = "CMB";
        bank.Account = "6225 0000";
        bank.Password = "123456";
        bank.Comments = "bank notes";
        bank.SortCode = 10;
        mgr.AddBankItem(bank, id);
        TZmbCommItem note;
        note.FolderID = 15;
        note.Caption = "Memo";
        note.Comments = "body text of the memo";
        note.SortCode = 10;
        mgr.AddCommItem(note, id);
        AddAttachment(mgr, kNoteMemo, "a.txt", "abc");
        std::string bin;
        for (int i = 0; i < 3000; ++i)
            bin += static_cast<char>((i * 131 + 7) % 251);
        AddAttachment(mgr, kNoteMemo, "b.bin", bin);
        note.FolderID = 3;
        note.Caption = "Top";
        note.Comments = "";
        mgr.AddCommItem(note, id);
        mgr.CloseDatabase();
    }

    // Build, done once per test program: later boxes are copies of the first one's bytes.
    void BuildOnce(bool Encrypt = true)
    {
        static TBytes builds[2];
        TBytes& built = builds[Encrypt ? 1 : 0];
        if (built.empty()) {
            Build(Encrypt);
            built = Bytes();
        } else {
            Save(built);
        }
    }

    TBytes Bytes() const { return ReadBytes(FFile); }
    void Save(const TBytes& B) const { WriteBytes(FFile, B); }
    // Edits the file's bytes in place; the map tells where things are.
    void EditBytes(const std::function<void(TBytes&, const TFileMap&)>& Edit) const
    {
        TBytes b = Bytes();
        const TBytes original = b;
        Edit(b, TFileMap{original});
        Save(b);
    }

    // Runs Body on a table of the box opened through the engine (with or without its indexes).
    void WithTable(const char* Table, bool Indexes, const std::function<void(TNorkTable&)>& Body) const
    {
        TNorkDatabase db;
        db.SetMaxCache(0);
        ASSERT_TRUE(db.Open(FFile, kPassword));
        TNorkTable t(&db);
        t.Open(Table, Indexes);
        Body(t);
        t.Close();
        db.Close();
    }
    // Rewrites a record's plain data through the engine (so it is enciphered as the box is).
    void EditRecord(const char* Table, int32_t ID, const std::function<void(uint8_t*)>& Edit, bool Indexes = true) const
    {
        WithTable(Table, Indexes, [&](TNorkTable& t) {
            std::vector<uint8_t> rec(std::size_t(t.TableHeader().RecordSize));
            ASSERT_TRUE(t.ReadRecord(ID, rec.data()));
            Edit(rec.data());
            t.ModifyRecord(ID, rec.data(), static_cast<int>(rec.size()));
        });
    }

private:
    static void AddWeb(TDbFileMgr& Mgr, int32_t Folder, const std::string& Caption, const std::string& User,
                       const std::string& Password, const std::string& Comments)
    {
        TZmbNetItem item;
        item.FolderID = Folder;
        item.Caption = Caption;
        item.UserName = User;
        item.Password = Password;
        item.Hyperlink = "https://example.org/" + Caption;
        item.Comments = Comments;
        item.SortCode = 10;
        int32_t id = 0;
        Mgr.AddNetItem(item, id);
    }
    static void AddAttachment(TDbFileMgr& Mgr, int32_t Owner, const std::string& Name, const std::string& Content)
    {
        TAttachData a;
        a.Name = Name;
        a.Size = static_cast<int32_t>(Content.size());
        a.OwnerID = Owner;
        a.Bin = Content;
        int32_t id = 0;
        Mgr.AddAttachment(a, id);
    }

    std::string FDir;
    std::string FFile;
};

// Records appended as the data layer appends them, their blobs never written: what an addition
// interrupted between its two writes leaves. Answer the new record's id.
inline int32_t AppendUnfinishedEntry(TNorkTable& Table, int32_t Folder, const std::string& Caption)
{
    uint8_t rec[NetItemRec::kSize] = {};
    TZmbNetItem item;
    item.FolderID = Folder;
    item.Caption = Caption;
    PackNetItem(item, rec);
    return Table.AppendRecord(rec, NetItemRec::kSize, 0);
}

inline int32_t AppendUnfinishedAttachment(TNorkTable& Table, int32_t Owner, const std::string& Name, int32_t Size)
{
    uint8_t rec[AttachRec::kSize] = {};
    TAttachData a;
    a.OwnerID = Owner;
    a.Size = Size;
    a.Name = Name;
    PackAttach(a, rec);
    return Table.AppendRecord(rec, AttachRec::kSize, 0);
}

// Everything a user can read of a box through the normal data layer, by reference: "web:1" →
// its fields and comments, "attach:2" → owner, name, size and content. Folders as "folder:18".
inline std::map<std::string, std::string> ReadContent(const std::string& File)
{
    std::map<std::string, std::string> out;
    TDbFileMgr mgr;
    mgr.OpenDatabase(File, kPassword);
    std::vector<int32_t> folders{1, 2, 3};
    for (std::size_t i = 0; i < folders.size(); ++i) {
        TZembraFolders children;
        mgr.GetFolderList(folders[i], children);
        for (const TZembraFolder& f : children) {
            folders.push_back(f.ID);
            out["folder:" + std::to_string(f.ID)] = std::to_string(f.ParentID) + "|" + f.Name;
        }
    }
    for (const int32_t folder : folders) {
        const std::string at = "|" + std::to_string(folder) + "|";
        TZmbNetItems web;
        mgr.GetNetItemList(folder, false, web);
        for (const auto& w : web)
            out["web:" + std::to_string(w.ID)] = at + w.Caption + "|" + w.UserName + "|" + w.Password.str() + "|" +
                                                w.Hyperlink + "|" + w.Email + "|" + w.Comments;
        TZmbBankItems bank;
        mgr.GetBankItemList(folder, false, bank);
        for (const auto& b : bank)
            out["bank:" + std::to_string(b.ID)] = at + b.BankName + "|" + b.AccType + "|" + b.Account + "|" +
                                                 b.UserName + "|" + b.Password.str() + "|" + b.Comments;
        TZmbCommItems notes;
        mgr.GetCommItemList(folder, false, notes);
        for (const auto& n : notes) {
            out["note:" + std::to_string(n.ID)] = at + n.Caption + "|" + n.Comments;
            TAttachDataHeaderAry list;
            mgr.GetAttachmentList(list, n.ID);
            for (const auto& a : list) {
                TMemoryStream content;
                mgr.GetAttachment(a.ID, content);
                out["attach:" + std::to_string(a.ID)] =
                    std::to_string(n.ID) + "|" + a.Name + "|" + std::to_string(a.Size) + "|" +
                    std::string(reinterpret_cast<const char*>(content.Memory()), std::size_t(content.Size()));
            }
        }
    }
    mgr.CloseDatabase();
    return out;
}

} // namespace DamageFixture
