#include "BoxFixture.h"
#include "dataproc/Exception.h"

#include <algorithm>
#include <map>

namespace {

using TFoldersEntriesTest = TBoxFixture;

TEST_F(TFoldersEntriesTest, EntriesOfEveryKindRoundTrip)
{
    TZmbNetItem net = Net(4, "邮箱");
    net.UserName = "用户";
    net.Password = "p@ss 密码";
    net.Hyperlink = "https://mail.example.com";
    net.Email = "me@example.com";
    net.Comments = "第一行\r\n" + std::string(5000, 'c') + "\r\nlast";
    int32_t netId = 0;
    FMgr.AddNetItem(net, netId);
    TZmbNetItem netBack;
    ASSERT_TRUE(FMgr.GetNetItem(netId, netBack));
    EXPECT_EQ(netBack.ID, netId);
    EXPECT_EQ(netBack.Caption, net.Caption);
    EXPECT_EQ(netBack.Password, net.Password);
    EXPECT_EQ(netBack.Comments, net.Comments) << "comments are never cut";

    TZmbBankItem bank;
    bank.FolderID = 9;
    for (int i = 0; i < 30; ++i)
        bank.BankName += "银";
    bank.Account = "6222 0000 1111";
    bank.Password = "123456";
    int32_t bankId = 0;
    FMgr.AddBankItem(bank, bankId);
    TZmbBankItem bankBack;
    ASSERT_TRUE(FMgr.GetBankItem(bankId, bankBack));
    EXPECT_EQ(bankBack.BankName, bank.BankName.substr(0, 25 * 3)) << "cut at 50 bytes";
    EXPECT_EQ(bankBack.Account, bank.Account);

    TZmbCommItem note;
    note.FolderID = 15;
    note.Caption = "笔记";
    note.Comments = "";
    int32_t noteId = 0;
    FMgr.AddCommItem(note, noteId);
    TZmbCommItems notes;
    FMgr.GetCommItemList(15, false, notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].Comments, "");
    FMgr.GetCommItemList(15, true, notes);
    EXPECT_TRUE(notes.empty()) << "nothing is stored with the deleted flag";

    // Replacing rewrites every field; an unknown id is ignored.
    net.Caption = "改";
    net.Comments = "short";
    FMgr.ModifyNetItem(netId, net);
    FMgr.ModifyNetItem(9999, net);
    ASSERT_TRUE(FMgr.GetNetItem(netId, netBack));
    EXPECT_EQ(netBack.Caption, "改");
    EXPECT_EQ(netBack.Comments, "short");
    EXPECT_FALSE(FMgr.GetNetItem(9999, netBack));
}

TEST_F(TFoldersEntriesTest, MoveAndSortCodeRules)
{
    EXPECT_EQ(FMgr.GetNetMaxSortCode(5), 0) << "empty folder";
    AddNet(5, "a", 40);
    AddNet(5, "b", -3);
    EXPECT_EQ(FMgr.GetNetMaxSortCode(5), 40);
    const int32_t x = AddNet(4, "x"), y = AddNet(4, "y"), z = AddNet(4, "z");
    FMgr.MoveNetItems({z, 9999, x, y}, 5); // an unknown id is skipped without using a code
    TZmbNetItem item;
    FMgr.GetNetItem(z, item);
    EXPECT_EQ(item.SortCode, 41);
    EXPECT_EQ(item.FolderID, 5);
    FMgr.GetNetItem(x, item);
    EXPECT_EQ(item.SortCode, 42);
    FMgr.GetNetItem(y, item);
    EXPECT_EQ(item.SortCode, 43);
    FMgr.MoveNetItems({x, y}, 6);
    FMgr.GetNetItem(y, item);
    EXPECT_EQ(item.SortCode, 2);
    FMgr.ModifyNetItemSortCode(y, 77);
    FMgr.GetNetItem(y, item);
    EXPECT_EQ(item.SortCode, 77);

    // Folders: moving makes the folder the last child (largest code + 1).
    FMgr.MoveFolder(16, 1); // into children coded 10..50
    TZembraFolders kids;
    FMgr.GetFolderList(1, kids);
    auto f16 = std::find_if(kids.begin(), kids.end(), [](const auto& f) { return f.ID == 16; });
    ASSERT_NE(f16, kids.end());
    EXPECT_EQ(f16->SortCode, 51);
    FMgr.MoveFolder(16, 1); // already there: counts itself
    FMgr.GetFolderList(1, kids);
    f16 = std::find_if(kids.begin(), kids.end(), [](const auto& f) { return f.ID == 16; });
    EXPECT_EQ(f16->SortCode, 52);
    int32_t empty = 0;
    FMgr.AddFolder(TZembraFolder{0, 3, "new", 10}, empty);
    FMgr.MoveFolder(17, empty);
    FMgr.GetFolderList(empty, kids);
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(kids[0].SortCode, 1);

    // Renaming to a shorter name reads back exactly; unknown ids are ignored.
    FMgr.ModifyFolder(4, "短");
    FMgr.ModifyFolder(9999, "x");
    FMgr.ModifyFolderSortCode(9999, 1);
    FMgr.GetFolderList(1, kids);
    EXPECT_EQ(kids[0].Name, "短");
}

TEST_F(TFoldersEntriesTest, DeletingAFolderTreeLeavesNoOrphans)
{
    int32_t top = 0, sub = 0, other = 0;
    FMgr.AddFolder(TZembraFolder{0, 3, "top", 40}, top);
    FMgr.AddFolder(TZembraFolder{0, top, "sub", 10}, sub);
    FMgr.AddFolder(TZembraFolder{0, 3, "other", 50}, other);
    TZmbCommItem note;
    note.FolderID = sub;
    note.Caption = "with files";
    int32_t noteId = 0, keptNote = 0;
    FMgr.AddCommItem(note, noteId);
    note.FolderID = other;
    FMgr.AddCommItem(note, keptNote);
    for (int32_t owner : {noteId, keptNote}) {
        TAttachData a;
        a.OwnerID = owner;
        a.Name = "f.txt";
        a.Bin = "content";
        a.Size = 7;
        int32_t aid = 0;
        FMgr.AddAttachment(a, aid);
    }
    const int32_t webInTop = AddNet(top, "misfiled but present"); // the data layer does not check kinds
    TZmbBankItem bank;
    bank.FolderID = sub;
    int32_t bankId = 0;
    FMgr.AddBankItem(bank, bankId);

    FMgr.DeleteFolder(top);

    TZembraFolders kids;
    FMgr.GetFolderList(top, kids);
    EXPECT_TRUE(kids.empty());
    FMgr.GetFolderList(sub, kids);
    EXPECT_TRUE(kids.empty());
    TZmbNetItem n;
    TZmbBankItem b;
    TZmbCommItem c;
    EXPECT_FALSE(FMgr.GetNetItem(webInTop, n));
    EXPECT_FALSE(FMgr.GetBankItem(bankId, b));
    EXPECT_FALSE(FMgr.GetCommItem(noteId, c));
    TAttachDataHeaderAry list;
    FMgr.GetAttachmentList(list, noteId);
    EXPECT_TRUE(list.empty());
    FMgr.GetAttachmentList(list, keptNote);
    EXPECT_EQ(list.size(), 1u) << "the other folder's entry keeps its file";
    EXPECT_TRUE(FMgr.Verify(FFile, "secret").empty());

    // Unknown ids raise before anything is deleted.
    EXPECT_THROW(FMgr.DeleteFolder(9999), Exception);
    EXPECT_THROW(FMgr.DeleteNetItem(9999), Exception);

    // The largest id is handed out again, to an empty folder.
    int32_t again = 0;
    FMgr.AddFolder(TZembraFolder{0, 3, "again", 60}, again);
    EXPECT_EQ(again, other + 1);
    FMgr.DeleteFolder(again);
    FMgr.AddFolder(TZembraFolder{0, 3, "again", 60}, again);
    EXPECT_EQ(again, other + 1);
    TZmbCommItems notes;
    FMgr.GetCommItemList(again, false, notes);
    EXPECT_TRUE(notes.empty());
}

TEST_F(TFoldersEntriesTest, AttachmentsOfAnySize)
{
    TZmbCommItem note;
    note.FolderID = 15;
    int32_t owner = 0;
    FMgr.AddCommItem(note, owner);
    std::string big(1 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::vector<std::string> contents = {"", "x", big};
    std::vector<int32_t> ids;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        TAttachData a;
        a.OwnerID = owner;
        a.Name = "文件" + std::to_string(i) + ".bin";
        a.Size = static_cast<int32_t>(contents[i].size());
        a.Bin = contents[i];
        int32_t id = 0;
        FMgr.AddAttachment(a, id);
        ids.push_back(id);
    }
    TAttachDataHeaderAry list;
    FMgr.GetAttachmentList(list, owner);
    ASSERT_EQ(list.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list[i].ID, ids[i]) << "listed in the order of adding";
        EXPECT_EQ(list[i].Size, static_cast<int32_t>(contents[i].size()));
        TMemoryStream s;
        s.Write("stale", 5);
        ASSERT_TRUE(FMgr.GetAttachment(ids[i], s));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(s.Memory()), static_cast<std::size_t>(s.Size())), contents[i]);
    }
    // Read together, in an order of their own, with an id that is not there.
    std::vector<std::string> got;
    FMgr.GetAttachments({ids[2], 9999, ids[0], ids[1]}, [&](int32_t ID, const TMemoryStream* Content) {
        got.push_back(std::to_string(ID) + ":" +
                      (Content ? std::string(reinterpret_cast<const char*>(Content->Memory()),
                                             static_cast<std::size_t>(Content->Size()))
                               : "none"));
    });
    const std::vector<std::string> expected = {std::to_string(ids[2]) + ":" + big, "9999:none",
                                               std::to_string(ids[0]) + ":", std::to_string(ids[1]) + ":x"};
    EXPECT_EQ(got, expected);
    std::map<int32_t, TAttachDataHeaderAry> byOwner;
    FMgr.GetAttachmentLists(byOwner);
    ASSERT_EQ(byOwner.size(), 1u);
    ASSERT_EQ(byOwner[owner].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(byOwner[owner][i].ID, list[i].ID);

    FMgr.RenameAttachment(ids[1], "");
    FMgr.GetAttachmentList(list, owner);
    EXPECT_EQ(list[1].Name, "");
    TMemoryStream untouched;
    untouched.Write("keep", 4);
    EXPECT_FALSE(FMgr.GetAttachment(9999, untouched));
    EXPECT_EQ(untouched.Size(), 4);
    FMgr.DeleteAttachments(9999); // an owner without files: nothing happens
    FMgr.DeleteCommItem(owner);
    FMgr.GetAttachmentList(list, owner);
    EXPECT_TRUE(list.empty());
}

TEST_F(TFoldersEntriesTest, SearchOrderFieldsAndCaseFolding)
{
    TZmbCommItem note;
    note.FolderID = 15;
    note.Caption = "note";
    note.Comments = "body with xAbCx inside";
    int32_t noteId = 0;
    FMgr.AddCommItem(note, noteId); // the smallest id overall, listed last all the same
    TZmbBankItem bank;
    bank.FolderID = 9;
    bank.BankName = "ABC Bank";
    int32_t bankId = 0;
    FMgr.AddBankItem(bank, bankId);
    TZmbNetItem web = Net(4, "web");
    web.Email = "ABC@example.com";
    int32_t webId = 0;
    FMgr.AddNetItem(web, webId);
    TZmbNetItem secret = Net(4, "only in password");
    secret.Password = "abc";
    int32_t secretId = 0;
    FMgr.AddNetItem(secret, secretId);
    TZmbNetItem wide = Net(4, "ｘＡｂＣｘ");
    int32_t wideId = 0;
    FMgr.AddNetItem(wide, wideId);

    TSearchResultItems results;
    FMgr.Search("abc", results);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].ZembraType, ztNetItem);
    EXPECT_EQ(results[0].ItemID, webId);
    EXPECT_EQ(results[0].Caption, "web");
    EXPECT_EQ(results[1].ZembraType, ztBankItem);
    EXPECT_EQ(results[1].Caption, "ABC Bank");
    EXPECT_EQ(results[2].ZembraType, ztCommItem);
    EXPECT_EQ(results[2].ItemID, noteId);

    results.clear();
    FMgr.Search("ａｂｃ", results);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].ItemID, wideId);

    results.clear();
    FMgr.Search("", results);
    FMgr.Search("电子邮件", results); // folder names are not searched
    EXPECT_TRUE(results.empty());
}

} // namespace
