#include "services/OptionsMgr.h"

#include "services/IniFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

class OptionsMgrTest : public ::testing::Test {
protected:
    OptionsMgrTest()
    {
        FMgr.SetFileName(FFile);
        FMgr.Add("AutoLock", false);
        FMgr.Add("AutoLockMinutes", int32_t{15});
        FMgr.Add("LastFile", "");
    }

    std::string Stored(const std::string& Key) { return TIniFile(FFile).ReadString("Options", Key, "<absent>"); }

    TTempDir FDir;
    std::string FFile = FDir / "sub/dir/Options.ini";
    TOptionsManager FMgr;
};

TEST_F(OptionsMgrTest, NamesIgnoreCaseAndKeepOrder)
{
    EXPECT_EQ(FMgr.Values("autolock"), TOptionValue(false));
    FMgr.SetValues("AUTOLOCK", true);
    EXPECT_EQ(FMgr.Values("AutoLock"), TOptionValue(true));
    EXPECT_EQ(FMgr.Count(), 3);
    EXPECT_EQ(FMgr.Names(0), "AutoLock");
    EXPECT_EQ(FMgr.Names(2), "LastFile");
    EXPECT_EQ(FMgr.Names(-1), "");
    EXPECT_EQ(FMgr.Names(3), "");

    FMgr.Delete("autolockminutes");
    FMgr.Delete("NotThere");
    EXPECT_EQ(FMgr.Count(), 2);
    EXPECT_EQ(FMgr.Names(1), "LastFile");
    EXPECT_EQ(FMgr.Values("lastfile"), TOptionValue(""));
}

TEST_F(OptionsMgrTest, ErrorsNameTheOption)
{
    try {
        FMgr.Add("autoLOCK", true);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Name 'autoLOCK' already exists");
    }
    try {
        FMgr.Values("Nope");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Name 'Nope' not found");
    }
}

TEST_F(OptionsMgrTest, OnlyChangedValuesAreModifiedAndSaved)
{
    FMgr.SetValues("AutoLockMinutes", int32_t{15});
    FMgr.SetValues("AutoLock", false);
    EXPECT_FALSE(FMgr.Modified("AutoLockMinutes"));
    EXPECT_FALSE(FMgr.Modified("AutoLock"));

    FMgr.SetValues("AutoLock", true);
    FMgr.SetValues("NewOne", "x"); // unknown names are added, modified
    EXPECT_TRUE(FMgr.Modified("AutoLock"));
    EXPECT_TRUE(FMgr.Modified("NewOne"));
    EXPECT_EQ(FMgr.Names(3), "NewOne");

    FMgr.Save();
    EXPECT_EQ(ReadAll(FFile), "[Options]\nAutoLock=True\nNewOne=x\n");
    EXPECT_FALSE(FMgr.Modified("AutoLock"));
    EXPECT_FALSE(FMgr.Modified("NewOne"));
    FMgr.Save();
    EXPECT_EQ(ReadAll(FFile), "[Options]\nAutoLock=True\nNewOne=x\n");
}

TEST_F(OptionsMgrTest, SaveByNameWritesThatOptionOnly)
{
    FMgr.SetValues("AutoLock", true);
    FMgr.Save("lastfile"); // not modified, written all the same
    FMgr.Save("Unknown");
    EXPECT_EQ(ReadAll(FFile), "[Options]\nLastFile=\n");
    EXPECT_TRUE(FMgr.Modified("AutoLock"));
}

TEST_F(OptionsMgrTest, LoadGivesFileValuesAsTextAndKeepsOtherDefaults)
{
    std::filesystem::create_directories(FDir.Path() / "sub/dir");
    WriteAll(FFile, "[Options]\nautolock=True\nHandAdded=kept\nLastFile=" + std::string(3000, 'p') + "\n");
    FMgr.SetValues("AutoLockMinutes", int32_t{30});
    FMgr.Load();

    EXPECT_EQ(FMgr.Values("AutoLock"), TOptionValue("True"));
    EXPECT_TRUE(FMgr.ReadBoolean("AutoLock"));
    EXPECT_EQ(FMgr.Values("LastFile"), TOptionValue(std::string(2047, 'p')));
    EXPECT_EQ(FMgr.Values("HandAdded"), TOptionValue("kept"));
    EXPECT_EQ(FMgr.Names(3), "HandAdded");
    for (const char* fromFile : {"AutoLock", "LastFile", "HandAdded"})
        EXPECT_FALSE(FMgr.Modified(fromFile)) << fromFile;
    // The base store defines no defaults, so an option the file lacks keeps its value and flag.
    EXPECT_EQ(FMgr.Values("AutoLockMinutes"), TOptionValue(int32_t{30}));
    EXPECT_TRUE(FMgr.Modified("AutoLockMinutes"));

    // A value equal to the loaded text is no change, so nothing is rewritten.
    FMgr.SetValues("AutoLock", true);
    EXPECT_FALSE(FMgr.Modified("AutoLock"));
}

TEST_F(OptionsMgrTest, SectionDefaultsToOptions)
{
    FMgr.SetSection("Custom");
    EXPECT_EQ(FMgr.Section(), "Custom");
    FMgr.SetSection("");
    EXPECT_EQ(FMgr.Section(), "Options");
}

TEST_F(OptionsMgrTest, UnwritableFileRaisesAndKeepsOptionPending)
{
    WriteAll(FDir / "plain", "x");
    const std::string bad = FDir / "plain/Options.ini";
    FMgr.SetFileName(bad);
    FMgr.SetValues("AutoLock", true);
    try {
        FMgr.Save();
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + bad);
    }
    EXPECT_TRUE(FMgr.Modified("AutoLock"));
}

// An accessor that records what the store asks of it.
struct TRecording {
    std::vector<std::string> Calls;
    std::vector<std::string> Names;
    std::string FailOn;
};

class TRecordingAccessor : public TOptionsAccessor {
public:
    explicit TRecordingAccessor(TRecording& Log) : FLog(Log) {}
    void BeginUpdate() override { FLog.Calls.push_back("Begin " + FFileName + " " + FPassword); }
    void EndUpdate() override { FLog.Calls.push_back("End"); }
    void CancelUpdate() noexcept override { FLog.Calls.push_back("Cancel"); }
    void GetNames(const std::string& Section, std::vector<std::string>& Names) override
    {
        FLog.Calls.push_back("GetNames " + Section);
        Names = FLog.Names;
    }
    TOptionValue Read(const std::string&, const std::string& Name, const TOptionValue& Default) override
    {
        FLog.Calls.push_back("Read " + Name + " default=" + Default.ToText());
        return TOptionValue("from file");
    }
    void Write(const std::string&, const std::string& Name, const TOptionValue& Value) override
    {
        FLog.Calls.push_back("Write " + Name + "=" + Value.ToText());
        if (Name == FLog.FailOn)
            throw Exception("write failed");
    }

private:
    TRecording& FLog;
};

TEST_F(OptionsMgrTest, AccessorIsBracketedEvenWhenItFails)
{
    TRecording log;
    FMgr.SetAccessorClass([&log] { return std::make_unique<TRecordingAccessor>(log); });
    FMgr.SetFileName("f.ini");
    FMgr.SetPassword("pw");
    log.Names = {"AUTOLOCKMINUTES", "Other"};
    FMgr.Load();
    EXPECT_EQ(log.Calls, (std::vector<std::string>{"Begin f.ini pw", "GetNames Options",
                                                   "Read AUTOLOCKMINUTES default=15", "Read Other default=", "End"}));

    log.Calls.clear();
    FMgr.SetValues("AutoLock", true);
    FMgr.SetValues("LastFile", "/x");
    log.FailOn = "AutoLock";
    EXPECT_THROW(FMgr.Save(), Exception);
    EXPECT_EQ(log.Calls, (std::vector<std::string>{"Begin f.ini pw", "Write AutoLock=True", "Cancel"}));
    EXPECT_TRUE(FMgr.Modified("AutoLock"));
    EXPECT_TRUE(FMgr.Modified("LastFile"));
}

} // namespace
