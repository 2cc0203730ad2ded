// Every change of a password box, with each of its writes failing in turn (no space, an I/O
// error, a short write on a full disk), each sync and each rename: the change raises with the
// reason and the box's path, the box holds exactly its old bytes (or, where nothing was reported,
// the completed change), reads the same through the open manager and after opening it again,
// checks sound, and no temporary file is left beside it.
#include "FaultyFileSystem.h"
#include "boxdata/DbFileMgr.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <numeric>
#include <sstream>

namespace {

std::vector<char> ReadBytes(const std::string& Name)
{
    std::ifstream in(Name, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& Name, const std::vector<char>& Bytes)
{
    std::ofstream out(Name, std::ios::binary | std::ios::trunc);
    out.write(Bytes.data(), std::streamsize(Bytes.size()));
}

// Ids of what the base box holds.
struct TIds {
    int32_t FolderA = 0, FolderB = 0, FolderC = 0, FolderD = 0;
    int32_t Web1 = 0, Web2 = 0, Web3 = 0, Bank1 = 0, Bank2 = 0, Note1 = 0, Note2 = 0, Note3 = 0;
    int32_t Attach1 = 0, Attach2 = 0, Attach3 = 0;
};

TZmbNetItem Web(int32_t Folder, const std::string& Caption, int32_t Sort)
{
    TZmbNetItem w;
    w.FolderID = Folder;
    w.Caption = Caption;
    w.UserName = "user " + Caption;
    w.Password = "pw " + Caption;
    w.Hyperlink = "https://example.org/" + Caption;
    w.Comments = "comments of " + Caption;
    w.SortCode = Sort;
    return w;
}

TZmbBankItem Bank(int32_t Folder, const std::string& Name, int32_t Sort)
{
    TZmbBankItem b;
    b.FolderID = Folder;
    b.BankName = Name;
    b.Account = "6225 " + Name;
    b.Password = "123456";
    b.Comments = "branch of " + Name;
    b.SortCode = Sort;
    return b;
}

TZmbCommItem Note(int32_t Folder, const std::string& Caption, int32_t Sort)
{
    TZmbCommItem n;
    n.FolderID = Folder;
    n.Caption = Caption;
    n.Comments = "body of " + Caption;
    n.SortCode = Sort;
    return n;
}

int32_t Attach(TDbFileMgr& Box, int32_t Owner, const std::string& Name, std::size_t Size)
{
    TAttachData a;
    a.OwnerID = Owner;
    a.Name = Name;
    std::string bin(Size, '\0');
    for (std::size_t i = 0; i < Size; ++i)
        bin[i] = char(i * 7 % 251);
    a.Bin = TSecretString(std::move(bin));
    a.Size = int32_t(Size);
    int32_t id = 0;
    Box.AddAttachment(a, id);
    return id;
}

// Everything a user can see of the box, read through the manager.
void DumpFolder(TDbFileMgr& Box, int32_t Parent, std::ostringstream& Out)
{
    TZembraFolders folders;
    Box.GetFolderList(Parent, folders);
    for (const TZembraFolder& f : folders) {
        Out << "folder " << f.ID << " in " << Parent << " '" << f.Name << "' " << f.SortCode << '\n';
        for (bool deleted : {false, true}) {
            TZmbNetItems w;
            Box.GetNetItemList(f.ID, deleted, w);
            for (const auto& e : w)
                Out << " web " << e.ID << " " << e.Caption << "|" << e.UserName << "|" << e.Password.str() << "|"
                    << e.Hyperlink << "|" << e.Email << "|" << e.Comments << "|" << e.SortCode << '\n';
            TZmbBankItems b;
            Box.GetBankItemList(f.ID, deleted, b);
            for (const auto& e : b)
                Out << " bank " << e.ID << " " << e.BankName << "|" << e.AccType << "|" << e.UserName << "|"
                    << e.Account << "|" << e.Password.str() << "|" << e.Comments << "|" << e.SortCode << '\n';
            TZmbCommItems n;
            Box.GetCommItemList(f.ID, deleted, n);
            for (const auto& e : n) {
                Out << " note " << e.ID << " " << e.Caption << "|" << e.Comments << "|" << e.SortCode << '\n';
                TAttachDataHeaderAry list;
                Box.GetAttachmentList(list, e.ID);
                for (const auto& a : list) {
                    TMemoryStream content;
                    Box.GetAttachment(a.ID, content);
                    Out << "  attachment " << a.ID << " " << a.Name << " " << a.Size << " holds " << content.Size()
                        << " bytes, sum " << std::accumulate(content.Memory(), content.Memory() + content.Size(), 0)
                        << '\n';
                }
            }
        }
        DumpFolder(Box, f.ID, Out);
    }
}

std::string Dump(TDbFileMgr& Box)
{
    std::ostringstream out;
    out << "password " << Box.Password() << ", encrypted " << Box.Encrypted() << '\n';
    DumpFolder(Box, 0, out);
    return out.str();
}

struct TBoxCase {
    const char* Name;
    std::function<void(TDbFileMgr&, const TIds&)> Run;
};

class BoxFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/zmbfaultXXXXXX";
        FDir = mkdtemp(pattern);
        FFile = FDir + "/box.zmb";
        TDbFileMgr box;
        ASSERT_TRUE(box.CreateDatabase(FFile, "old", true, true, "pet?", "cat"));
        box.OpenDatabase(FFile, "old");
        TIds& i = FIds;
        box.AddFolder(TZembraFolder{0, 1, "A", 60}, i.FolderA);
        box.AddFolder(TZembraFolder{0, i.FolderA, "B", 10}, i.FolderB);
        box.AddFolder(TZembraFolder{0, 3, "C", 40}, i.FolderC);
        box.AddFolder(TZembraFolder{0, 2, "D", 70}, i.FolderD);
        box.AddNetItem(Web(i.FolderA, "w1", 10), i.Web1);
        box.AddNetItem(Web(i.FolderA, "w2", 20), i.Web2);
        box.AddNetItem(Web(i.FolderB, "w3", 10), i.Web3);
        box.AddBankItem(Bank(9, "b1", 10), i.Bank1);
        box.AddBankItem(Bank(i.FolderD, "b2", 10), i.Bank2);
        box.AddCommItem(Note(15, "n1", 10), i.Note1);
        box.AddCommItem(Note(15, "n2", 20), i.Note2);
        box.AddCommItem(Note(i.FolderC, "n3", 10), i.Note3);
        i.Attach1 = Attach(box, i.Note1, "a.bin", 3000);
        i.Attach2 = Attach(box, i.Note1, "b.txt", 10);
        i.Attach3 = Attach(box, i.Note3, "c.bin", 500);
        int32_t gone = 0; // dead space for the compaction to remove
        box.AddNetItem(Web(i.FolderB, "w4", 20), gone);
        box.DeleteNetItem(gone);
        box.CloseDatabase();
        FBase = ReadBytes(FFile);
    }

    static void TearDownTestSuite() { std::filesystem::remove_all(FDir); }

    // The box's folder holds nothing but the box.
    static bool OnlyTheBox()
    {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(FDir))
            n += e.path().filename() == "box.zmb" ? 0 : 1;
        return n == 0;
    }

    // Runs the case on a fresh copy of the base box with Fs in place; answers the error ("" when
    // it completed) and the box as the open manager reads it afterwards.
    static std::string RunCase(const TBoxCase& Case, TFileSystem& Fs, std::string* InMemory = nullptr)
    {
        WriteBytes(FFile, FBase);
        TDbFileMgr box;
        box.OpenDatabase(FFile, "old");
        std::string error;
        {
            TScopedFileSystem scoped(Fs);
            try {
                Case.Run(box, FIds);
            } catch (const Exception& e) {
                error = e.what();
            }
        }
        if (InMemory != nullptr)
            *InMemory = box.IsOpen() ? Dump(box) : "closed";
        return error;
    }

    // The box opened anew (with whichever password opens it), and whether it checks sound.
    static std::string DumpFile()
    {
        TDbFileMgr box;
        const std::string password = box.CheckPassword(FFile, "old") ? "old" : "new";
        const std::vector<std::string> problems = box.Verify(FFile, password);
        box.OpenDatabase(FFile, password);
        std::string text = Dump(box);
        for (const std::string& p : problems)
            text += "problem: " + p + '\n';
        return text;
    }

    void RunAllFaults(const TBoxCase& Case)
    {
        TFaultyFileSystem counter;
        std::string after;
        ASSERT_EQ(RunCase(Case, counter, &after), "") << Case.Name;
        ASSERT_GT(counter.Writes, 0) << Case.Name;
        ASSERT_EQ(DumpFile(), after) << Case.Name;
        ASSERT_TRUE(after != FBefore || ReadBytes(FFile) != FBase) << Case.Name << " changes nothing";
        const auto check = [&](TFaultyFileSystem& Fs, const std::string& What, const std::string& Cause,
                               const std::string& Class) {
            SCOPED_TRACE(std::string(Case.Name) + ": " + What);
            std::string inMemory;
            const std::string error = RunCase(Case, Fs, &inMemory);
            ++FCases;
            ++FByClass[Class].first;
            EXPECT_TRUE(Fs.Fired);
            EXPECT_TRUE(OnlyTheBox());
            if (error.empty()) {
                // Completed all the same: a short write inside the file continued, or the
                // folder's sync after a rename.
                ++FCompleted;
                ++FByClass[Class].second;
                EXPECT_EQ(inMemory, after);
                EXPECT_EQ(DumpFile(), after);
                return;
            }
            EXPECT_NE(error.find(Cause), std::string::npos) << error;
            EXPECT_NE(error.find(FFile), std::string::npos) << error;
            EXPECT_EQ(error.find("0x"), std::string::npos) << error;
            EXPECT_TRUE(ReadBytes(FFile) == FBase) << "the box was not put back";
            EXPECT_EQ(inMemory, FBefore);
            EXPECT_EQ(DumpFile(), FBefore);
        };
        for (int n = 1; n <= counter.Writes; ++n)
            for (TFaultKind kind : {fkNoSpace, fkIoError, fkShortWrite}) {
                TFaultyFileSystem fs;
                fs.FailWrite = n;
                fs.WriteFault = kind;
                check(fs, "write " + std::to_string(n) + " of " + std::to_string(counter.Writes) + ", " + FaultName(kind),
                      FaultReason(kind), FaultName(kind));
            }
        for (int n = 1; n <= counter.Syncs; ++n) {
            TFaultyFileSystem fs;
            fs.FailSync = n;
            check(fs, "sync " + std::to_string(n), "Input/output error", "sync");
        }
        for (int n = 1; n <= counter.Renames; ++n) {
            TFaultyFileSystem fs;
            fs.FailRename = n;
            check(fs, "rename " + std::to_string(n), "Input/output error", "rename");
        }
    }

    static std::string FDir;
    static std::string FFile;
    static std::vector<char> FBase;
    static TIds FIds;
    std::string FBefore;
    int FCases = 0;
    int FCompleted = 0;
    std::map<std::string, std::pair<int, int>> FByClass; // cases, completed all the same

    // "ENOSPC 90 (0 completed), ..."
    std::string ByClass() const
    {
        std::string text;
        for (const auto& [name, counts] : FByClass)
            text += (text.empty() ? "" : ", ") + name + " " + std::to_string(counts.first) + " (" +
                    std::to_string(counts.second) + " completed)";
        return text;
    }

    void SetUp() override
    {
        WriteBytes(FFile, FBase);
        FBefore = DumpFile();
    }
};

std::string BoxFaults::FDir;
std::string BoxFaults::FFile;
std::vector<char> BoxFaults::FBase;
TIds BoxFaults::FIds;

const TBoxCase kEntryCases[] = {
    {"add a web entry", [](TDbFileMgr& B, const TIds& I) { int32_t id; B.AddNetItem(Web(I.FolderA, "w9", 30), id); }},
    {"add a bank entry", [](TDbFileMgr& B, const TIds&) { int32_t id; B.AddBankItem(Bank(9, "b9", 20), id); }},
    {"add a general entry", [](TDbFileMgr& B, const TIds&) { int32_t id; B.AddCommItem(Note(16, "n9", 10), id); }},
    {"modify a web entry and its comments",
     [](TDbFileMgr& B, const TIds& I) {
         TZmbNetItem w = Web(I.FolderA, "w1x", 15);
         w.Comments = "new comments, longer than the old ones were";
         B.ModifyNetItem(I.Web1, w);
     }},
    {"modify a bank entry, same comments",
     [](TDbFileMgr& B, const TIds& I) { B.ModifyBankItem(I.Bank1, Bank(9, "b1 renamed", 10)); }},
    {"modify a general entry's body", [](TDbFileMgr& B, const TIds& I) { B.ModifyCommItem(I.Note1, Note(15, "n1", 5)); }},
    {"move web entries", [](TDbFileMgr& B, const TIds& I) { B.MoveNetItems({I.Web2, I.Web1}, I.FolderB); }},
    {"move bank entries", [](TDbFileMgr& B, const TIds& I) { B.MoveBankItems({I.Bank1, I.Bank2}, 10); }},
    {"move general entries", [](TDbFileMgr& B, const TIds& I) { B.MoveCommItems({I.Note1, I.Note2}, I.FolderC); }},
    {"delete a web entry", [](TDbFileMgr& B, const TIds& I) { B.DeleteNetItem(I.Web1); }},
    {"delete a bank entry", [](TDbFileMgr& B, const TIds& I) { B.DeleteBankItem(I.Bank2); }},
    {"delete a general entry with its attachments", [](TDbFileMgr& B, const TIds& I) { B.DeleteCommItem(I.Note1); }},
    {"web sort code", [](TDbFileMgr& B, const TIds& I) { B.ModifyNetItemSortCode(I.Web2, 1); }},
    {"bank sort code", [](TDbFileMgr& B, const TIds& I) { B.ModifyBankItemSortCode(I.Bank1, 99); }},
    {"general sort code", [](TDbFileMgr& B, const TIds& I) { B.ModifyCommItemSortCode(I.Note2, -3); }},
};

const TBoxCase kAttachmentFolderCases[] = {
    {"add an attachment", [](TDbFileMgr& B, const TIds& I) { Attach(B, I.Note2, "big.bin", 70000); }},
    {"delete an attachment", [](TDbFileMgr& B, const TIds& I) { B.DeleteAttachment(I.Attach2); }},
    {"rename an attachment", [](TDbFileMgr& B, const TIds& I) { B.RenameAttachment(I.Attach1, "renamed.bin"); }},
    {"add a folder", [](TDbFileMgr& B, const TIds& I) { int32_t id; B.AddFolder(TZembraFolder{0, I.FolderA, "E", 20}, id); }},
    {"rename a folder", [](TDbFileMgr& B, const TIds& I) { B.ModifyFolder(I.FolderB, "B2"); }},
    {"folder sort code", [](TDbFileMgr& B, const TIds& I) { B.ModifyFolderSortCode(I.FolderA, 5); }},
    {"move a folder", [](TDbFileMgr& B, const TIds& I) { B.MoveFolder(I.FolderB, 1); }},
    {"delete a folder with a sub-folder and entries", [](TDbFileMgr& B, const TIds& I) { B.DeleteFolder(I.FolderA); }},
    {"delete a folder with a note and its attachment", [](TDbFileMgr& B, const TIds& I) { B.DeleteFolder(I.FolderC); }},
    // As the command-line tool adds a note with its files: one bracket around the whole change.
    {"a note with two attachments in one bracket",
     [](TDbFileMgr& B, const TIds&) {
         TUpdateBracket bracket(B);
         int32_t id = 0;
         B.AddCommItem(Note(17, "n8", 10), id);
         Attach(B, id, "x.bin", 2000);
         Attach(B, id, "y.bin", 20);
     }},
};

const TBoxCase kWholeBoxCases[] = {
    {"password and question", [](TDbFileMgr& B, const TIds&) { B.SetPwdQuestion(true, "colour?", "blue"); }},
    {"no question", [](TDbFileMgr& B, const TIds&) { B.SetPwdQuestion(false, "", ""); }},
    {"change the password", [](TDbFileMgr& B, const TIds&) { B.ChangePassword("new", true); }},
    {"compact", [](TDbFileMgr& B, const TIds&) { B.Compact(); }},
};

TEST_F(BoxFaults, EntriesOfEveryKind)
{
    for (const TBoxCase& c : kEntryCases)
        RunAllFaults(c);
    std::cout << "[ entry faults ] " << FCases << " cases over " << std::size(kEntryCases) << " changes; "
              << FCompleted << " completed all the same; " << ByClass() << "\n";
}

TEST_F(BoxFaults, AttachmentsAndFolders)
{
    for (const TBoxCase& c : kAttachmentFolderCases)
        RunAllFaults(c);
    std::cout << "[ attachment and folder faults ] " << FCases << " cases over " << std::size(kAttachmentFolderCases)
              << " changes; " << FCompleted << " completed all the same; " << ByClass() << "\n";
}

TEST_F(BoxFaults, PasswordQuestionAndCompaction)
{
    for (const TBoxCase& c : kWholeBoxCases)
        RunAllFaults(c);
    std::cout << "[ password and compaction faults ] " << FCases << " cases over " << std::size(kWholeBoxCases)
              << " changes; " << FCompleted << " completed all the same; " << ByClass() << "\n";
}

// A new box is made whole beside its name and renamed into place: any fault leaves no box (or
// the file that was there) and nothing else behind.
TEST_F(BoxFaults, CreatingABox)
{
    const std::string file = FDir + "/new.zmb";
    const auto create = [&](TFileSystem& Fs) {
        TScopedFileSystem scoped(Fs);
        TDbFileMgr box;
        try {
            return box.CreateDatabase(file, "pw", true, true, "q", "a") ? std::string() : box.LastMessage();
        } catch (const Exception& e) {
            return std::string(e.what());
        }
    };
    TFaultyFileSystem counter;
    ASSERT_EQ(create(counter), "");
    ASSERT_EQ(counter.Renames, 1);
    const std::vector<std::string> old = {"", "an older file"};
    for (const std::string& before : old) {
        for (int n = 1; n <= counter.Writes + counter.Syncs + counter.Renames; ++n)
            for (TFaultKind kind : {fkNoSpace, fkIoError}) {
                std::filesystem::remove(file);
                if (!before.empty())
                    WriteBytes(file, std::vector<char>(before.begin(), before.end()));
                TFaultyFileSystem fs;
                if (n <= counter.Writes) {
                    fs.FailWrite = n;
                    fs.WriteFault = kind;
                } else if (n <= counter.Writes + counter.Syncs) {
                    fs.FailSync = n - counter.Writes;
                } else {
                    fs.FailRename = n - counter.Writes - counter.Syncs;
                }
                SCOPED_TRACE("call " + std::to_string(n) + ", " + FaultName(kind) + ", over '" + before + "'");
                const std::string error = create(fs);
                ++FCases;
                if (error.empty()) {
                    // The folder's sync after the rename: the box is there.
                    ++FCompleted;
                    EXPECT_TRUE(TDbFileMgr().CheckPassword(file, "pw"));
                } else {
                    EXPECT_NE(error.find(file), std::string::npos) << error;
                    const std::vector<char> now = ReadBytes(file);
                    EXPECT_EQ(std::string(now.begin(), now.end()), before);
                    EXPECT_EQ(std::filesystem::exists(file), !before.empty());
                }
                std::filesystem::remove(file);
                EXPECT_TRUE(OnlyTheBox());
            }
    }
    std::cout << "[ creation faults ] " << FCases << " cases; " << FCompleted << " completed all the same\n";
}

} // namespace
