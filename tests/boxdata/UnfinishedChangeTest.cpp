// An addition interrupted between its record and its blob (a kill between two writes) stays
// recognisable: reading the entry or attachment is an error naming it, never an empty one, and a
// rebuild keeps it so until a repair removes it.
#include "DamageFixture.h"

#include "boxdata/BoxSalvage.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>

using namespace DamageFixture;

namespace {

class UnfinishedChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FBox.BuildOnce();
        FBox.WithTable("NetItem", true, [](TNorkTable& T) { EXPECT_EQ(AppendUnfinishedEntry(T, 4, "Half"), 4); });
        FBox.WithTable("Attach", true,
                       [](TNorkTable& T) { EXPECT_EQ(AppendUnfinishedAttachment(T, kNoteMemo, "big.bin", 30000000), 3); });
    }

    static std::string ErrorOf(const std::function<void()>& Read)
    {
        try {
            Read();
        } catch (const ENorkFileCorrupt& e) {
            return e.what();
        }
        return "no error";
    }

    TDamageBox FBox;
};

TEST_F(UnfinishedChangeTest, ReadingItIsAnErrorNamingIt)
{
    TDbFileMgr mgr;
    mgr.OpenDatabase(FBox.File(), kPassword);
    const std::string entry = "web:4 is unfinished: its comments were never stored, as the change that added it was "
                              "interrupted; a repair of the box removes it";
    TZmbNetItem item;
    EXPECT_EQ(ErrorOf([&] { mgr.GetNetItem(4, item); }), entry);
    TZmbNetItems list;
    EXPECT_EQ(ErrorOf([&] { mgr.GetNetItemList(4, false, list); }), entry);
    TSearchResultItems found;
    EXPECT_EQ(ErrorOf([&] { mgr.Search("nothing like it", found); }), entry);
    TMemoryStream content;
    EXPECT_EQ(ErrorOf([&] { mgr.GetAttachment(3, content); }),
              "attachment 3 is unfinished: its content was never stored, as the change that added it was interrupted; "
              "a repair of the box removes it");
    // What was complete reads as before.
    EXPECT_TRUE(mgr.GetNetItem(kWebMail, item));
    EXPECT_TRUE(mgr.GetAttachment(kAttachText, content));
    EXPECT_EQ(content.Size(), 3);
    mgr.CloseDatabase();
}

TEST_F(UnfinishedChangeTest, CompactionKeepsItRecognisableAndRepairRemovesIt)
{
    TDbFileMgr mgr;
    mgr.OpenDatabase(FBox.File(), kPassword);
    ASSERT_TRUE(mgr.Compact());
    mgr.CloseDatabase();
    const std::vector<std::string> lines = mgr.Verify(FBox.File(), kPassword);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "NetItem record 4 (web:4 \"Half\"): unfinished: its comments were never stored (a change was "
                         "interrupted)",
                         "Attach record 3 (\"big.bin\" of note:1): unfinished: its content was never stored (a change "
                         "was interrupted)"}));

    const std::string damaged = FBox.File() + ".damaged";
    const TSalvageReport report = mgr.RepairDatabase(FBox.File(), kPassword, damaged, false);
    EXPECT_EQ(report.Lines,
              (std::vector<std::string>{
                  "Removed: NetItem record 4 (web:4 \"Half\"): an unfinished addition (its comments were never stored)",
                  "Removed: Attach record 3 (\"big.bin\" of note:1): an unfinished addition (its content was never "
                  "stored)"}));
    EXPECT_TRUE(mgr.Verify(FBox.File(), kPassword).empty());
    EXPECT_EQ(mgr.Verify(damaged, kPassword), lines);
    // A second repair does not overwrite the damaged file it kept, unless asked to.
    EXPECT_THROW(mgr.RepairDatabase(FBox.File(), kPassword, damaged, false), EFileError);
    EXPECT_EQ(mgr.Verify(damaged, kPassword), lines);
}

} // namespace
