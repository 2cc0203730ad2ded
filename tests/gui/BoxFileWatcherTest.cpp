// The box-file watcher: a file replaced by rename, moved or deleted under the program is
// reported at once and once; a change of the file in place is not.
#include "services/qt/BoxFileWatcher.h"

#include "services/TempDir.h"

#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

void WriteText(const std::string& Name, const std::string& Text)
{
    std::ofstream(Name, std::ios::binary | std::ios::trunc) << Text;
}

class BoxFileWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FTemp = std::make_unique<TTempDir>();
        FDir = FTemp->Path().string();
        FBox = FDir + "/box.zmb";
        WriteText(FBox, "the box");
        FAnchor.Open(FBox);
        FWatcher.Watch(QString::fromStdString(FBox), [this] { return FAnchor.FateOf(FBox); });
        FWatcher.SetOnFileLost([this](TBoxFileWatcher* Sender, TFileFate Fate) {
            EXPECT_EQ(Sender, &FWatcher);
            FLost.push_back(Fate);
        });
    }
    void TearDown() override
    {
        FWatcher.Stop();
        FAnchor.Close();
        FTemp.reset();
    }

    // Lets the event loop deliver what the system reported, for a short while.
    static void Settle() { QTest::qWait(300); }

    std::unique_ptr<TTempDir> FTemp;
    std::string FDir;
    std::string FBox;
    TFileAnchor FAnchor; // stands in for the data layer's hold on the open box
    TBoxFileWatcher FWatcher;
    std::vector<TFileFate> FLost;
};

TEST_F(BoxFileWatcherTest, EachWayOfLosingTheFileIsReportedOnce)
{
    struct TCase {
        const char* What;
        std::function<void(const std::string& Dir, const std::string& Box)> Swap;
        TFileFate Fate;
    };
    const TCase cases[] = {
        {"replaced by rename",
         [](const std::string& Dir, const std::string& Box) {
             WriteText(Dir + "/.box.zmb.sync", "another box");
             ASSERT_EQ(std::rename((Dir + "/.box.zmb.sync").c_str(), Box.c_str()), 0);
         },
         ffReplaced},
        {"deleted", [](const std::string&, const std::string& Box) { ASSERT_EQ(::unlink(Box.c_str()), 0); }, ffGone},
        {"moved within its folder",
         [](const std::string& Dir, const std::string& Box) {
             ASSERT_EQ(std::rename(Box.c_str(), (Dir + "/renamed.zmb").c_str()), 0);
         },
         ffGone},
        {"moved to another folder",
         [](const std::string& Dir, const std::string& Box) {
             fs::create_directory(Dir + "/elsewhere");
             ASSERT_EQ(std::rename(Box.c_str(), (Dir + "/elsewhere/box.zmb").c_str()), 0);
         },
         ffGone},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TearDown();
        FLost.clear();
        SetUp();
        Settle();
        EXPECT_TRUE(FLost.empty());
        c.Swap(FDir, FBox);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !FLost.empty(); }, 5000));
        Settle();
        ASSERT_EQ(FLost.size(), 1u);
        EXPECT_EQ(FLost[0], c.Fate);
        // More news at the path reports nothing new: a file written there is not the open one.
        WriteText(FBox, "written again");
        Settle();
        EXPECT_EQ(FWatcher.Check(), ffReplaced);
        EXPECT_EQ(FLost.size(), 1u);
    }
}

TEST_F(BoxFileWatcherTest, ChangesInPlaceAndTheFileComingBack)
{
    // The program's own writes, or another's in place, leave the path naming the same file.
    {
        std::ofstream(FBox, std::ios::binary | std::ios::app) << " and more";
    }
    Settle();
    EXPECT_TRUE(FLost.empty());
    EXPECT_EQ(FWatcher.Check(), ffSame);

    // Moved away and back: each loss is reported.
    ASSERT_EQ(std::rename(FBox.c_str(), (FBox + ".away").c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return FLost.size() == 1; }, 5000));
    ASSERT_EQ(std::rename((FBox + ".away").c_str(), FBox.c_str()), 0);
    Settle();
    EXPECT_EQ(FWatcher.Check(), ffSame);
    ASSERT_EQ(::unlink(FBox.c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return FLost.size() == 2; }, 5000));
    EXPECT_EQ(FLost, (std::vector<TFileFate>{ffGone, ffGone}));

    // Stopped: nothing more is reported, nor asked.
    FWatcher.Stop();
    EXPECT_EQ(FWatcher.Check(), ffSame);
}

TEST_F(BoxFileWatcherTest, ARefusedChangeBringsTheReportAtOnce)
{
    // No event loop runs between the swap and the check: the report comes from Check itself.
    WriteText(FDir + "/new", "another box");
    ASSERT_EQ(std::rename((FDir + "/new").c_str(), FBox.c_str()), 0);
    EXPECT_EQ(FWatcher.Check(), ffReplaced);
    EXPECT_EQ(FLost, std::vector<TFileFate>{ffReplaced});
}

} // namespace
