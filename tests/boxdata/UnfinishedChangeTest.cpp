// An addition interrupted between its record and its blob (a kill between two writes, in a box
// written before records went in with their blobs) stays recognisable: reading the entry or
// attachment is an error naming it, never an empty one, and a rebuild keeps it so until a repair
// removes it, whole or not at all.
#include "DamageFixture.h"
#include "FaultyFileSystem.h"

#include "boxdata/BoxSalvage.h"
#include "storage/Nork.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <set>

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

// A repair whose writes fail (each write in turn with each fault, each sync, each rename) leaves
// the box as it was or repaired, keeps the damaged file whole or not at all, and leaves no work
// file beside them.
TEST_F(UnfinishedChangeTest, ARepairThatFailsPartWayLeavesTheBoxAsItWasOrRepaired)
{
    const std::string damaged = FBox.File() + ".damaged";
    const TBytes before = FBox.Bytes();
    const std::string folder = std::filesystem::path(FBox.File()).parent_path().string();
    const auto files = [&] {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            names.insert(e.path().filename().string());
        return names;
    };
    // A run without faults counts the calls the repair makes.
    TFaultyFileSystem counting;
    {
        TScopedFileSystem use(counting);
        TDbFileMgr().RepairDatabase(FBox.File(), kPassword, damaged, false);
    }
    ASSERT_GT(counting.Writes, 0);
    struct TCase {
        TFaultKind Kind;
        int Write, Sync, Rename;
    };
    std::vector<TCase> cases;
    for (const TFaultKind kind : {fkNoSpace, fkIoError, fkShortWrite})
        for (int n = 1; n <= counting.Writes; ++n)
            cases.push_back({kind, n, 0, 0});
    for (int n = 1; n <= counting.Syncs; ++n)
        cases.push_back({fkNone, 0, n, 0});
    for (int n = 1; n <= counting.Renames; ++n)
        cases.push_back({fkNone, 0, 0, n});
    int failed = 0;
    for (const TCase& c : cases) {
        const std::string what = std::string(FaultName(c.Kind)) + " at write " + std::to_string(c.Write) + ", sync " +
                                 std::to_string(c.Sync) + ", rename " + std::to_string(c.Rename);
        FBox.Save(before);
        std::filesystem::remove(damaged);
        TFaultyFileSystem faults;
        faults.FailWrite = c.Write;
        faults.WriteFault = c.Kind;
        faults.FailSync = c.Sync;
        faults.FailRename = c.Rename;
        bool repaired = true;
        {
            TScopedFileSystem use(faults);
            try {
                TDbFileMgr().RepairDatabase(FBox.File(), kPassword, damaged, false);
            } catch (const Exception&) {
                repaired = false;
                ++failed;
            }
        }
        if (repaired)
            EXPECT_TRUE(TDbFileMgr().Verify(FBox.File(), kPassword).empty()) << what;
        else
            EXPECT_TRUE(FBox.Bytes() == before) << what << ": the box changed";
        if (std::filesystem::exists(damaged))
            EXPECT_TRUE(ReadBytes(damaged) == before) << what << ": the kept file is not the damaged box";
        else
            EXPECT_FALSE(repaired) << what;
        const std::set<std::string> left = files();
        EXPECT_LE(left.size(), 2u) << what << ": " << *left.rbegin();
    }
    EXPECT_GT(failed, 0);
    std::cout << "repair faults: " << cases.size() << " cases, " << failed << " refused with the box unchanged, "
              << cases.size() - std::size_t(failed) << " repaired\n";
}
