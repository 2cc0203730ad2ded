#include "boxdata/StoredRecords.h"
#include "dataproc/AnsiText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StoredRecordsTest, NetItemFieldsLandAtTheirOffsets)
{
    TZmbNetItem item;
    item.FolderID = 0x01020304;
    item.Caption = "Mail";
    item.UserName = "user";
    item.Password = "pw";
    item.Hyperlink = "https://x";
    item.Email = "a@b";
    item.SortCode = -2;
    item.Deleted = true;
    uint8_t rec[NetItemRec::kSize] = {};
    PackNetItem(item, rec);
    EXPECT_EQ(rec[0], 0x04);
    EXPECT_EQ(rec[3], 0x01);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 4)), "Mail");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 35)), "user");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 66)), "pw");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 97)), "https://x");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec + 178)), "a@b");
    EXPECT_EQ(GetInt32(rec, 325), -2);
    EXPECT_EQ(rec[329], 1);
    for (int i = 229; i < 325; ++i)
        ASSERT_EQ(rec[i], 0) << i;

    TZmbNetItem back;
    UnpackNetItem(rec, back);
    EXPECT_EQ(back.Caption, item.Caption);
    EXPECT_EQ(back.Password, item.Password);
    EXPECT_EQ(back.Email, item.Email);
    EXPECT_EQ(back.SortCode, -2);
    EXPECT_TRUE(back.Deleted);
}

TEST(StoredRecordsTest, TextIsCutAtTheFieldLimit)
{
    // 100 ASCII characters in the 81-byte link field read back as 80; 30 Chinese characters
    // (60 bytes) in a 51-byte bank name as 25; 16 Chinese characters in a folder name as 15.
    TZmbNetItem net;
    net.Hyperlink = std::string(100, 'h');
    uint8_t rec[kMaxRecordSize] = {};
    PackNetItem(net, rec);
    TZmbNetItem netBack;
    UnpackNetItem(rec, netBack);
    EXPECT_EQ(netBack.Hyperlink, std::string(80, 'h'));

    std::string bank;
    for (int i = 0; i < 30; ++i)
        bank += "银";
    TZmbBankItem b;
    b.BankName = bank;
    std::memset(rec, 0, sizeof(rec));
    PackBankItem(b, rec);
    TZmbBankItem bBack;
    UnpackBankItem(rec, bBack);
    EXPECT_EQ(bBack.BankName, bank.substr(0, 25 * 3));

    TZembraFolder f;
    f.Name = "一二三四五六七八九十甲乙丙丁戊己"; // 16 characters, 32 bytes
    std::memset(rec, 0, sizeof(rec));
    PackFolder(f, rec);
    TZembraFolder fBack;
    UnpackFolder(rec, fBack);
    EXPECT_EQ(fBack.Name, "一二三四五六七八九十甲乙丙丁戊");
    f.Name = std::string(31, 'n');
    PackFolder(f, rec);
    UnpackFolder(rec, fBack);
    EXPECT_EQ(fBack.Name, std::string(30, 'n'));
}

TEST(StoredRecordsTest, RewritingKeepsBytesAfterTheTerminator)
{
    uint8_t rec[AttachRec::kSize] = {};
    TAttachData a;
    a.OwnerID = 7;
    a.Size = 1234;
    a.Name = "long-file-name.txt";
    PackAttach(a, rec);
    a.Name = "x";
    PackAttach(a, rec);
    TAttachDataHeader h;
    UnpackAttach(rec, h);
    EXPECT_EQ(h.Name, "x");
    EXPECT_EQ(h.Size, 1234);
    EXPECT_EQ(rec[8 + 2], 'n') << "old bytes after the new terminator stay";
    EXPECT_EQ(GetInt32(rec, AttachRec::kOwnerID), 7);
}

} // namespace
