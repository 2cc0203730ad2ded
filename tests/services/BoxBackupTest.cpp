// The backup copies when writing the newest one fails: the older copies must survive.
#include "services/BoxBackup.h"

#include "FaultyFileSystem.h"
#include "dataproc/Exception.h"
#include "services/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

namespace {

class BoxBackupTest : public ::testing::Test {
protected:
    BoxBackupTest()
    {
        WriteAll(FBox, std::string(3 << 20, 'n')); // several copy blocks
        WriteAll(FNames.F1, "copy 1");
        WriteAll(FNames.F2, "copy 2");
        WriteAll(FNames.F3, "copy 3");
    }

    std::vector<std::string> FolderFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(FDir / "Backup"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir FDir;
    std::string FBox = FDir / "box.zmb";
    std::string FFolder = (fs::create_directory(FDir / "Backup"), FDir / "Backup/");
    TBackupFileNames FNames = BackupFileNames(FBox, FFolder);
};

TEST_F(BoxBackupTest, AWholeCopyRotatesTheOthers)
{
    BackupBoxFile(FBox, FFolder);
    EXPECT_EQ(ReadAll(FNames.F1), ReadAll(FBox));
    EXPECT_EQ(ReadAll(FNames.F2), "copy 1");
    EXPECT_EQ(ReadAll(FNames.F3), "copy 2");
    EXPECT_EQ(fs::status(FNames.F1).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FolderFiles(), (std::vector<std::string>{"box.zmb.bak1", "box.zmb.bak2", "box.zmb.bak3"}));
}

TEST_F(BoxBackupTest, ACopyThatCannotBeWrittenLeavesTheCopiesAsTheyWere)
{
    struct TCase {
        const char* Name;
        int FailWrite;
        TFaultKind Kind;
        int FailSync;
    };
    for (const TCase& c : {TCase{"disk full at the start", 1, fkNoSpace, 0},
                           TCase{"disk full in the second block", 2, fkShortWrite, 0},
                           TCase{"I/O error in the last block", 3, fkIoError, 0},
                           TCase{"the copy does not reach the device", 0, fkNone, 1}}) {
        SCOPED_TRACE(c.Name);
        TFaultyFileSystem faulty;
        faulty.FailWrite = c.FailWrite;
        faulty.WriteFault = c.Kind;
        faulty.FailSync = c.FailSync;
        {
            TScopedFileSystem scope(faulty);
            EXPECT_THROW(BackupBoxFile(FBox, FFolder), EFileError);
        }
        EXPECT_TRUE(faulty.Fired);
        EXPECT_EQ(ReadAll(FNames.F1), "copy 1");
        EXPECT_EQ(ReadAll(FNames.F2), "copy 2");
        EXPECT_EQ(ReadAll(FNames.F3), "copy 3");
        EXPECT_EQ(FolderFiles(), (std::vector<std::string>{"box.zmb.bak1", "box.zmb.bak2", "box.zmb.bak3"}));
    }
}

TEST_F(BoxBackupTest, ACopyThatCannotTakeItsNamePutsTheNewerCopiesBack)
{
    TFaultyFileSystem faulty;
    faulty.FailRename = 1;
    {
        TScopedFileSystem scope(faulty);
        EXPECT_THROW(BackupBoxFile(FBox, FFolder), EFileError);
    }
    EXPECT_EQ(ReadAll(FNames.F1), "copy 1");
    EXPECT_EQ(ReadAll(FNames.F2), "copy 2");
    EXPECT_EQ(FolderFiles(), (std::vector<std::string>{"box.zmb.bak1", "box.zmb.bak2"}));
}

} // namespace
