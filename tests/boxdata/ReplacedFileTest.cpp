// A box whose file is replaced, moved or deleted while it is open: no change may land in a file
// that its path no longer names, neither in the file the path names now nor in the old one.
#include "BoxFixture.h"

#include "dataproc/UpdateBracket.h"
#include "storage/NorkError.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int32_t kWebFolder = 4; // "电子邮件" below the web category

// Every byte of the file behind a descriptor, named or not.
std::vector<char> HeldBytes(int Fd)
{
    struct stat st {};
    EXPECT_EQ(::fstat(Fd, &st), 0);
    std::vector<char> bytes(static_cast<std::size_t>(st.st_size));
    EXPECT_EQ(::pread(Fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    return bytes;
}

struct TSwap {
    const char* Name;
    TFileFate Fate;
    // What a synchronising tool or a file manager does to the box (Other is another box).
    std::function<void(const std::string& Box, const std::string& Other)> Apply;
};

const TSwap kSwaps[] = {
    {"replaced by rename", ffReplaced,
     [](const std::string& Box, const std::string& Other) { ASSERT_EQ(std::rename(Other.c_str(), Box.c_str()), 0); }},
    {"deleted", ffGone, [](const std::string& Box, const std::string&) { ASSERT_EQ(::unlink(Box.c_str()), 0); }},
    {"moved within its folder", ffGone,
     [](const std::string& Box, const std::string&) {
         ASSERT_EQ(std::rename(Box.c_str(), (Box + ".moved").c_str()), 0);
     }},
};

class ReplacedFile : public TBoxFixture {
protected:
    void SetUp() override
    {
        TBoxFixture::SetUp();
        FBox = FFile;
        FOther = Path("other.zmb");
        ASSERT_TRUE(FMgr.CreateDatabase(FOther, "other", true, false, "", ""));
        FEntry = AddWeb("kept");
        // The test's own look at the box file, whatever becomes of its name.
        FHeld = ::open(FBox.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(FHeld, 0);
    }

    void TearDown() override
    {
        if (FHeld >= 0)
            ::close(FHeld);
        FHeld = -1;
        TBoxFixture::TearDown();
    }

    // A new box for the next case of a table.
    void FreshBox()
    {
        TearDown();
        SetUp();
    }

    // A web entry with comments, which live in a blob.
    int32_t AddWeb(const std::string& Caption)
    {
        TZmbNetItem item = Net(kWebFolder, Caption);
        item.Comments = "comments of " + Caption;
        int32_t id = 0;
        FMgr.AddNetItem(item, id);
        return id;
    }

    // Runs Change and expects the refusal that names the box and says what became of it.
    void ExpectRefused(const char* What, TFileFate Fate, const std::function<void()>& Change)
    {
        try {
            Change();
            ADD_FAILURE() << What << " was not refused";
        } catch (const ENorkFileReplaced& e) {
            EXPECT_EQ(e.Fate(), Fate) << What;
            EXPECT_NE(e.Message().find("'" + FBox + "'"), std::string::npos) << What << ": " << e.Message();
        }
    }

    std::string FBox;
    std::string FOther;
    int32_t FEntry = 0;
    int FHeld = -1;
};

TEST_F(ReplacedFile, EveryChangeIsRefusedAndNeitherFileIsTouched)
{
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"adding an entry", [&] { AddWeb("lost"); }},
        {"changing an entry",
         [&] {
             TZmbNetItem item;
             ASSERT_TRUE(FMgr.GetNetItem(FEntry, item));
             item.Caption = "changed";
             FMgr.ModifyNetItem(FEntry, item);
         }},
        {"deleting an entry", [&] { FMgr.DeleteNetItem(FEntry); }},
        {"adding a folder",
         [&] {
             int32_t id = 0;
             FMgr.AddFolder(TZembraFolder{0, 1, "new", 10}, id);
         }},
        {"deleting a folder", [&] { FMgr.DeleteFolder(kWebFolder); }},
        {"setting the question", [&] { FMgr.SetPwdQuestion(true, "q", "a"); }},
        {"a bracket of changes",
         [&] {
             TUpdateBracket bracket(FMgr);
             AddWeb("lost");
         }},
        {"compacting", [&] { FMgr.Compact(); }},
        {"changing the password", [&] { FMgr.ChangePassword("new", true); }},
    };
    for (const TSwap& swap : kSwaps) {
        SCOPED_TRACE(swap.Name);
        FreshBox();
        const std::vector<char> orphan = HeldBytes(FHeld);
        const std::vector<char> other = ReadFile(FOther);
        swap.Apply(FBox, FOther);
        EXPECT_EQ(FMgr.FileFate(), swap.Fate);
        for (const auto& [what, change] : changes)
            ExpectRefused(what, swap.Fate, change);
        EXPECT_EQ(HeldBytes(FHeld), orphan);
        if (swap.Fate == ffReplaced) {
            EXPECT_EQ(ReadFile(FBox), other); // the file that took its place
        }
        // Nothing was left beside it by a refused rebuild either.
        for (const auto& e : fs::directory_iterator(FDir))
            EXPECT_NE(e.path().filename().string().rfind("NORK", 0), 0u) << e.path();
    }
}

TEST_F(ReplacedFile, AChangeUnderWayWhenThePathIsSwappedIsTakenBack)
{
    for (const TSwap& swap : kSwaps) {
        SCOPED_TRACE(swap.Name);
        FreshBox();
        const std::vector<char> before = HeldBytes(FHeld);
        ExpectRefused("the bracket", swap.Fate, [&] {
            TUpdateBracket bracket(FMgr);
            AddWeb("written into the old file");
            swap.Apply(FBox, FOther);
            AddWeb("and more");
        });
        EXPECT_EQ(HeldBytes(FHeld), before);
    }
}

TEST_F(ReplacedFile, TheBoxsOwnRebuildIsNotTakenForAReplacement)
{
    ASSERT_TRUE(FMgr.Compact());
    AddWeb("after compacting");
    ASSERT_TRUE(FMgr.ChangePassword("changed", true));
    AddWeb("after the new password");
    EXPECT_EQ(FMgr.FileFate(), ffSame);
    TZmbNetItems list;
    FMgr.GetNetItemList(kWebFolder, false, list);
    EXPECT_EQ(list.size(), 3u);

    // The rebuilt file is the one watched from then on.
    ASSERT_EQ(std::rename(FOther.c_str(), FBox.c_str()), 0);
    ExpectRefused("a change after the rebuild", ffReplaced, [&] { AddWeb("lost"); });
}

TEST_F(ReplacedFile, WhatTheBoxHeldIsSavedAsACopyFromTheOldFile)
{
    for (const TSwap& swap : kSwaps) {
        SCOPED_TRACE(swap.Name);
        FreshBox();
        const std::vector<char> other = ReadFile(FOther);
        swap.Apply(FBox, FOther);
        const std::string copy = FDir + "/saved copy.zmb";
        ASSERT_TRUE(FMgr.SaveCopyAs(copy));
        EXPECT_EQ(FMgr.FileName(), copy);
        EXPECT_EQ(FMgr.FileFate(), ffSame);
        TZmbNetItem item;
        ASSERT_TRUE(FMgr.GetNetItem(FEntry, item));
        EXPECT_EQ(item.Comments, "comments of kept"); // blobs come from the old file
        AddWeb("into the copy");                          // changes land in the copy now
        FMgr.CloseDatabase();
        EXPECT_TRUE(FMgr.CheckPassword(copy, "secret"));
        FMgr.OpenDatabase(copy, "secret");
        TZmbNetItems list;
        FMgr.GetNetItemList(kWebFolder, false, list);
        EXPECT_EQ(list.size(), 2u);
        if (swap.Fate == ffReplaced) {
            EXPECT_EQ(ReadFile(FBox), other);
        }
    }
}

TEST_F(ReplacedFile, ADeletedBoxCanBeSavedUnderItsOwnName)
{
    ASSERT_EQ(::unlink(FBox.c_str()), 0);
    ASSERT_TRUE(FMgr.SaveCopyAs(FBox));
    EXPECT_EQ(FMgr.FileFate(), ffSame);
    AddWeb("second");
    FMgr.CloseDatabase();
    FMgr.OpenDatabase(FBox, "secret");
    TZmbNetItems list;
    FMgr.GetNetItemList(kWebFolder, false, list);
    EXPECT_EQ(list.size(), 2u);
}

} // namespace
