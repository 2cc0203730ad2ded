#include "services/AppOptMgr.h"

#include "services/AppFolders.h"
#include "services/IniFile.h"
#include "services/ProjectUtils.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

class AppOptMgrTest : public ::testing::Test {
protected:
    AppOptMgrTest() { FMgr.SetFileName(FFile); }

    TTempDir FDir;
    std::string FFile = FDir / "Zembrix.ini";
    TAppOptionsMgr FMgr;
};

struct TDefault {
    const char* Name;
    TOptionValue Value;
};

const TDefault kDefaults[] = {
    {"AutoOpenMode", int32_t{1}},     {"AutoOpenThisFile", ""},    {"SaveWinSize", false},
    {"EscToMin", true},               {"CreateBackup", true},      {"BackupFolder", ""},
    {"MaxBackupSize", int32_t{10}},   {"MinLock", true},           {"MaskPassword", true},
    {"ClearClipboard", true},         {"AutoLock", false},         {"AutoLockMinutes", int32_t{15}},
    {"GenPwdCharKinds", int32_t{7}},  {"GenPwdLenMode", int32_t{1}}, {"GenPwdLenRangeMin", int32_t{5}},
    {"GenPwdLenRangeMax", int32_t{8}}, {"GenPwdLenFixed", int32_t{6}}, {"LastFile", ""},
    {"ShowNotice", true},             {"PromptMinToTray", true},   {"WinLeft", int32_t{0}},
    {"WinTop", int32_t{0}},           {"WinRight", int32_t{0}},    {"WinBottom", int32_t{0}},
    {"ContentWidth", int32_t{0}},
};

TEST_F(AppOptMgrTest, FirstStartWithoutFileUsesDefaultsOfTheirKind)
{
    FMgr.Load();
    ASSERT_EQ(FMgr.Count(), 25);
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(FMgr.Names(i), kDefaults[i].Name);
        EXPECT_EQ(FMgr.Values(kDefaults[i].Name), kDefaults[i].Value) << kDefaults[i].Name; // kind too
        EXPECT_FALSE(FMgr.Modified(kDefaults[i].Name));
    }
    EXPECT_FALSE(std::filesystem::exists(FFile));
}

TEST_F(AppOptMgrTest, FileOverridesAsTextAndHandAddedKeysStay)
{
    WriteAll(FFile, "[Options]\nAutoLockMinutes=30\nautolock=True\nMyOwnKey=hello\n");
    FMgr.Load();
    EXPECT_EQ(FMgr.ReadInteger(AppOpt::AutoLockMinutes) * 60000, 1800000);
    EXPECT_TRUE(FMgr.ReadBoolean(AppOpt::AutoLock));
    EXPECT_EQ(FMgr.ReadText("myownkey"), "hello");
    EXPECT_EQ(FMgr.Count(), 26);
    // Absent from the file: still of the default's kind.
    EXPECT_EQ(FMgr.Values(AppOpt::MaxBackupSize).Kind(), okInteger);
    EXPECT_EQ(FMgr.Values(AppOpt::MinLock).Kind(), okBoolean);
}

TEST_F(AppOptMgrTest, ValueThatDoesNotConvertFailsAtTheReader)
{
    WriteAll(FFile, "[Options]\nAutoLock=maybe\nAutoLockMinutes=15min\n");
    FMgr.Load(); // loading itself is fine
    try {
        FMgr.ReadBoolean(AppOpt::AutoLock);
        FAIL() << "no exception";
    } catch (const EOptionConvertError& e) {
        EXPECT_EQ(e.Message(), "Option 'AutoLock': 'maybe' is not True or False");
    }
    EXPECT_THROW(FMgr.ReadInteger(AppOpt::AutoLockMinutes), EOptionConvertError);
}

TEST_F(AppOptMgrTest, ConfirmingUnchangedOptionsRewritesNothing)
{
    WriteAll(FFile, "[Options]\nAutoLockMinutes=15\nEscToMin=True\n");
    FMgr.Load();
    // What an options dialog does: write every option back with the reader's conversion.
    for (const auto& d : kDefaults)
        FMgr.SetValues(d.Name, d.Value);
    FMgr.SetValues(AppOpt::AutoLock, true);
    FMgr.SetValues(AppOpt::GenPwdLenFixed, int32_t{-12});
    FMgr.Save();
    EXPECT_EQ(ReadAll(FFile), "[Options]\nAutoLockMinutes=15\nEscToMin=True\nAutoLock=True\nGenPwdLenFixed=-12\n");

    FMgr.Load();
    EXPECT_EQ(FMgr.ReadInteger(AppOpt::GenPwdLenFixed), -12);
}

TEST(AppFoldersTest, ProgramFolderWhenWritableElseUserFolders)
{
    TTempDir dir;
    TScopedEnv config("XDG_CONFIG_HOME", dir / "config");
    TScopedEnv data("XDG_DATA_HOME", dir / "data");
    EXPECT_EQ(AppOptionsFileName(dir.Path().string()), dir / "Zembrix.ini");
    EXPECT_EQ(AppBackupFolder(dir.Path().string()), dir / "Backup");

    WriteAll(dir / "file", "");
    for (const std::string& unwritable : {dir / "missing", dir / "file"}) {
        EXPECT_EQ(AppOptionsFileName(unwritable), dir / "config/Zembrix/Zembrix.ini");
        EXPECT_EQ(AppBackupFolder(unwritable), dir / "data/Zembrix/Backup");
    }

    // Relative XDG folders are to be ignored.
    TScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
    TScopedEnv home("HOME", dir / "home");
    EXPECT_EQ(AppOptionsFileName(dir / "missing"), dir / "home/.config/Zembrix/Zembrix.ini");
}

TEST(AppFoldersTest, DefaultsFollowTheRunningProgram)
{
    // The tests run from the build tree, which is writable.
    ASSERT_TRUE(IsFolderWritable(ProgramFolder()));
    EXPECT_EQ(TAppOptionsMgr().FileName(), ProgramFolder() + "/Zembrix.ini");
    EXPECT_EQ(GetDefaultBackupFolder(), ProgramFolder() + "/Backup");
    EXPECT_EQ(TOptionsManager().FileName(), ProgramFolder() + "/Options.ini");
}

} // namespace
