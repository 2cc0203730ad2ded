#include "BoxFixture.h"
#include "FaultyFileSystem.h"
#include "boxdata/BoxSchema.h"
#include "dataproc/Exception.h"
#include "storage/Nork.h"

#include <cstring>
#include <set>

namespace {

using TDbFileMgrTest = TBoxFixture;

std::vector<TZembraFolder> AllFolders(TDbFileMgr& Mgr)
{
    std::vector<TZembraFolder> all, level;
    std::vector<int32_t> parents{0};
    while (!parents.empty()) {
        const int32_t p = parents.back();
        parents.pop_back();
        Mgr.GetFolderList(p, level);
        for (const auto& f : level) {
            all.push_back(f);
            parents.push_back(f.ID);
        }
    }
    return all;
}

TEST_F(TDbFileMgrTest, NewBoxHoldsTheDefaultFolderTreeAndNothingElse)
{
    std::vector<TZembraFolder> all = AllFolders(FMgr);
    ASSERT_EQ(all.size(), 17u);
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.ID < b.ID; });
    int i = 0;
    for (const auto& def : BoxSchema::kDefaultFolders) {
        EXPECT_EQ(all[static_cast<std::size_t>(i)].ID, i + 1);
        EXPECT_EQ(all[static_cast<std::size_t>(i)].ParentID, def.ParentID);
        EXPECT_EQ(all[static_cast<std::size_t>(i)].SortCode, def.SortCode);
        EXPECT_EQ(all[static_cast<std::size_t>(i)].Name, def.Name);
        ++i;
    }
    TZembraFolders cats;
    FMgr.GetFolderList(0, cats);
    ASSERT_EQ(cats.size(), 3u);
    EXPECT_EQ(cats[0].Name, "<网上信息>");
    FMgr.GetFolderList(2, cats);
    EXPECT_EQ(cats.size(), 6u);
    TZmbNetItems net;
    TZmbBankItems bank;
    TZmbCommItems comm;
    TAttachDataHeaderAry att;
    for (int32_t f = 1; f <= 17; ++f) {
        FMgr.GetNetItemList(f, false, net);
        FMgr.GetBankItemList(f, false, bank);
        FMgr.GetCommItemList(f, false, comm);
        EXPECT_TRUE(net.empty() && bank.empty() && comm.empty());
    }
    FMgr.GetAttachmentList(att, 1);
    EXPECT_TRUE(att.empty());
}

TEST_F(TDbFileMgrTest, IdentificationAndPasswords)
{
    FMgr.CloseDatabase();
    EXPECT_TRUE(FMgr.IsValidFile(FFile));
    EXPECT_TRUE(FMgr.CheckPassword(FFile, "secret"));
    EXPECT_FALSE(FMgr.CheckPassword(FFile, "Secret"));
    EXPECT_FALSE(FMgr.CheckPassword(Path("missing.zmb"), "secret")) << "no error for a missing file";
    EXPECT_ANY_THROW(FMgr.IsValidFile(Path("missing.zmb")));
    EXPECT_TRUE(FMgr.GetCheckPassword(FFile));

    // A wrong password raises when the box is opened anyway.
    EXPECT_ANY_THROW(FMgr.OpenDatabase(FFile, "wrong"));
    EXPECT_FALSE(FMgr.IsOpen());

    // An unencrypted box needs no password and opens with any.
    const std::string plain = Path("plain.zmb");
    ASSERT_TRUE(FMgr.CreateDatabase(plain, "pw", false, false, "", ""));
    EXPECT_FALSE(FMgr.GetCheckPassword(plain));
    EXPECT_TRUE(FMgr.CheckPassword(plain, "anything"));
    FMgr.OpenDatabase(plain, "anything");
    EXPECT_TRUE(FMgr.IsOpen());
    FMgr.CloseDatabase();

    // The identification is compared exactly: version and letter case matter.
    struct Variant {
        const char* Ident;
        const char* Version;
        bool Valid;
    };
    for (const Variant& v : {Variant{"Zembrix", "1.0", true}, Variant{"Zembrix", "1.1", false},
                             Variant{"zembrix", "1.0", false}}) {
        const std::string copy = Path("variant.zmb");
        std::filesystem::copy_file(FFile, copy, std::filesystem::copy_options::overwrite_existing);
        {
            std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
            char ext[12] = {};
            std::memcpy(ext, v.Ident, std::strlen(v.Ident));
            std::memcpy(ext + 8, v.Version, std::strlen(v.Version));
            f.seekp(10);
            f.write(ext, 12);
        }
        EXPECT_EQ(FMgr.IsValidFile(copy), v.Valid) << v.Ident << " " << v.Version;
    }
}

TEST_F(TDbFileMgrTest, TwoBoxesMadeAlikeAreByteIdentical)
{
    const std::string a = Path("a.zmb"), b = Path("b.zmb");
    ASSERT_TRUE(FMgr.CreateDatabase(a, "pw", true, true, "问题", "答案"));
    ASSERT_TRUE(FMgr.CreateDatabase(b, "pw", true, true, "问题", "答案"));
    EXPECT_EQ(ReadFile(a), ReadFile(b));
    std::string q, ans, pw;
    EXPECT_TRUE(FMgr.GetPwdQuestion(a, q, ans));
    EXPECT_EQ(q, "问题");
    EXPECT_EQ(ans, "答案");
    EXPECT_TRUE(FMgr.GetPwdByAnswer(a, "答案", pw));
    EXPECT_EQ(pw, "pw");
    EXPECT_FALSE(FMgr.GetPwdByAnswer(a, "答", pw));
}

TEST_F(TDbFileMgrTest, CreateRefusedReportsThroughTheMessageFunction)
{
    EXPECT_FALSE(FMgr.CreateDatabase(Path("no/such/folder/x.zmb"), "pw", true, false, "", ""));
    EXPECT_EQ(FMgr.LastMessage(), "无法创建数据库。");
    std::string shown;
    FMgr.SetMessageProc([&](const std::string& Text) { shown = Text; });
    EXPECT_FALSE(FMgr.CreateDatabase(Path("no/such/folder/x.zmb"), "pw", true, false, "", ""));
    EXPECT_EQ(shown, "无法创建数据库。");
}

TEST_F(TDbFileMgrTest, ChangePasswordSucceedsOrFailsWithTheBoxOpenAgain)
{
    const int32_t id = AddNet(4, "kept");
    ASSERT_TRUE(FMgr.ChangePassword("new password", true));
    EXPECT_TRUE(FMgr.IsOpen());
    EXPECT_EQ(FMgr.Password(), "new password");
    TZmbNetItem item;
    EXPECT_TRUE(FMgr.GetNetItem(id, item));
    EXPECT_TRUE(FMgr.CheckPassword(FFile, "new password"));

    // A rebuild that fails midway leaves the old file and password, and the box open.
    const auto before = ReadFile(FFile);
    FMgr.SetOnProgress([](int) { throw Exception("stopped"); });
    EXPECT_THROW(FMgr.ChangePassword("other", true), Exception);
    FMgr.SetOnProgress(nullptr);
    EXPECT_TRUE(FMgr.IsOpen());
    EXPECT_EQ(FMgr.Password(), "new password");
    EXPECT_EQ(ReadFile(FFile), before);
    EXPECT_TRUE(FMgr.GetNetItem(id, item));

    // The question stores the current password with it.
    FMgr.SetPwdQuestion(true, "q", "a");
    std::string pw;
    EXPECT_TRUE(FMgr.GetPwdByAnswer(FFile, "a", pw));
    EXPECT_EQ(pw, "new password");
}

TEST_F(TDbFileMgrTest, CompactDropsDeadSpaceAndKeepsIds)
{
    std::vector<int32_t> ids;
    for (int i = 0; i < 40; ++i)
        ids.push_back(AddNet(4, "entry " + std::to_string(i)));
    for (int i = 0; i < 40; i += 2)
        FMgr.DeleteNetItem(ids[static_cast<std::size_t>(i)]);
    const int32_t before = FMgr.FileSize();
    std::vector<int> progress;
    FMgr.SetOnProgress([&](int p) { progress.push_back(p); });
    ASSERT_TRUE(FMgr.Compact());
    EXPECT_LT(FMgr.FileSize(), before);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    TZmbNetItem item;
    EXPECT_TRUE(FMgr.GetNetItem(ids[1], item));
    EXPECT_EQ(item.Caption, "entry 1");
    EXPECT_FALSE(FMgr.GetNetItem(ids[0], item));
}

TEST_F(TDbFileMgrTest, VerifyFindsADamagedRecord)
{
    const int32_t id = AddNet(4, "to be damaged");
    AddNet(4, "neighbour");
    EXPECT_TRUE(FMgr.Verify(FFile, "secret").empty());
    EXPECT_THROW(FMgr.Verify(FFile, "wrong"), Exception);
    FMgr.CloseDatabase();
    int64_t offset = 0;
    {
        TNorkDatabase db;
        ASSERT_TRUE(db.Open(FFile, "secret"));
        TNorkTable table(&db);
        table.Open(BoxSchema::kNetItemTable, false);
        offset = table.GetRecordOffset(id);
    }
    {
        std::fstream f(FFile, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(offset);
        f.put('\x00'); // the record's signature byte
    }
    const std::vector<std::string> problems = FMgr.Verify(FFile, "secret");
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0], "NetItem record " + std::to_string(id) + " (web:" + std::to_string(id) +
                               " \"to be damaged\"): slot 0: the signature byte is 0x00, not 0xAA");
    FMgr.OpenDatabase(FFile, "secret");
}

} // namespace

namespace {

// A file layer that runs out of memory, or meets a programming error, when a file is read.
template <class E>
class TThrowingRead : public TFileSystem {
public:
    ssize_t Read(int, void*, std::size_t, int64_t) override { throw E("thrown by the test"); }
};

TEST_F(TDbFileMgrTest, PasswordChecksAnswerFalseOnlyForErrorsOfTheFile)
{
    FMgr.CloseDatabase();
    EXPECT_FALSE(FMgr.CheckPassword(Path("missing.zmb"), "secret"));
    EXPECT_FALSE(FMgr.GetCheckPassword(Path("missing.zmb")));
    std::ofstream(Path("foreign.zmb")) << "not a box";
    EXPECT_FALSE(FMgr.CheckPassword(Path("foreign.zmb"), "secret"));
    std::string password;
    {
        TThrowingRead<std::length_error> broken;
        TScopedFileSystem scoped(broken);
        EXPECT_THROW(FMgr.CheckPassword(FFile, "secret"), std::length_error);
        EXPECT_THROW(FMgr.GetCheckPassword(FFile), std::length_error);
        EXPECT_THROW(FMgr.GetPwdByAnswer(FFile, "answer", password), std::length_error);
    }
    struct TNoMemory : std::bad_alloc {
        explicit TNoMemory(const char*) {}
    };
    TThrowingRead<TNoMemory> exhausted;
    TScopedFileSystem scoped(exhausted);
    EXPECT_THROW(FMgr.CheckPassword(FFile, "secret"), std::bad_alloc);
}

} // namespace
