#include "services/IniFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    TTempDir FDir;
    std::string FFile = FDir / "test.ini";
};

TEST_F(IniFileTest, ReadsKeysOfTheSectionWithoutCase)
{
    WriteAll(FFile, "; comment=not a key\n"
                    "[Other]\nAutoLock=True\n"
                    "  [ options ]  \n"
                    "AutoLock = False \n"
                    "Quoted=\" padded \"\n"
                    "Empty=\n"
                    "; Hidden=1\n"
                    "not a key line\n"
                    "autolock=duplicate\n"
                    "Width=15\n");
    TIniFile ini(FFile);
    EXPECT_EQ(ini.ReadSection("OPTIONS"), (std::vector<std::string>{"AutoLock", "Quoted", "Empty", "Width"}));
    EXPECT_EQ(ini.ReadString("Options", "AUTOLOCK", "x"), "False");
    EXPECT_EQ(ini.ReadString("Options", "quoted", "x"), " padded ");
    EXPECT_EQ(ini.ReadString("Options", "Empty", "x"), "");
    EXPECT_EQ(ini.ReadString("Options", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nowhere", "Width", "dflt"), "dflt");
    EXPECT_TRUE(ini.ValueExists("options", "width"));
    EXPECT_TRUE(ini.ReadSection("Nowhere").empty());
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty)
{
    TIniFile ini(FDir / "absent.ini");
    EXPECT_TRUE(ini.ReadSection("Options").empty());
    EXPECT_EQ(ini.ReadString("Options", "A", "d"), "d");
}

TEST_F(IniFileTest, LongValuesAreCutAtWholeCharacters)
{
    const std::string ascii(3000, 'x');
    std::string cjk;
    for (int i = 0; i < 3000; ++i)
        cjk += "密";
    WriteAll(FFile, "[Options]\nA=" + ascii + "\nB=" + cjk + "\n");
    TIniFile ini(FFile);
    EXPECT_EQ(ini.ReadString("Options", "A", ""), ascii.substr(0, 2047));
    EXPECT_EQ(ini.ReadString("Options", "B", ""), cjk.substr(0, 2047 * 3));
    EXPECT_EQ(ini.ReadString("Options", "C", ascii), ascii.substr(0, 2047));
}

TEST_F(IniFileTest, WritingChangesOnlyTheOneLine)
{
    const std::string before = "# kept comment\r\n"
                               "[Options]\r\n"
                               "Width=15\r\n"
                               "lastfile=/old\r\n"
                               "; trailing comment\r\n"
                               "\r\n"
                               "[Other]\r\n"
                               "LastFile=/other\r\n";
    WriteAll(FFile, before);
    TIniFile ini(FFile);
    ini.WriteString("options", "LastFile", "/new/box.zmb");
    EXPECT_EQ(ReadAll(FFile), "# kept comment\r\n"
                              "[Options]\r\n"
                              "Width=15\r\n"
                              "lastfile=/new/box.zmb\r\n"
                              "; trailing comment\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "LastFile=/other\r\n");
    EXPECT_EQ(ini.ReadString("Options", "LastFile", ""), "/new/box.zmb");

    // A new key goes after the section's last key; a new section at the end.
    ini.WriteString("Options", "AutoLock", "True");
    ini.WriteString("Extra", "Key", "1");
    EXPECT_EQ(ReadAll(FFile), "# kept comment\r\n"
                              "[Options]\r\n"
                              "Width=15\r\n"
                              "lastfile=/new/box.zmb\r\n"
                              "AutoLock=True\r\n"
                              "; trailing comment\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "LastFile=/other\r\n"
                              "\r\n"
                              "[Extra]\r\n"
                              "Key=1\r\n");
}

TEST_F(IniFileTest, CreatesFileAndEndsUnterminatedLastLine)
{
    TIniFile fresh(FFile);
    fresh.WriteString("Options", "A", "1");
    EXPECT_EQ(ReadAll(FFile), "[Options]\nA=1\n");

    WriteAll(FFile, "[Options]\nA=1");
    TIniFile ini(FFile);
    ini.WriteString("Options", "B", "2");
    EXPECT_EQ(ReadAll(FFile), "[Options]\nA=1\nB=2\n");
}

TEST_F(IniFileTest, ValuesRoundTripWithoutSpillingIntoOtherLines)
{
    TIniFile ini(FFile);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Padded", "  two blanks  "},
        {"Quoted", "\"quoted\""},
        {"Single", "'single'"},
        {"Inner", "a \"b\" c"},
        {"Equals", "a=b=c"},
        {"Unicode", "/home/用户/密码.zmb"},
    };
    for (const auto& [key, value] : cases)
        ini.WriteString("Options", key, value);
    // A line break cannot be stored; it must not start a line of its own.
    ini.WriteString("Options", "Broken", "x\n[Options]\nAutoLock=True");
    TIniFile reread(FFile);
    for (const auto& [key, value] : cases)
        EXPECT_EQ(reread.ReadString("Options", key, "?"), value) << key;
    EXPECT_EQ(reread.ReadString("Options", "Broken", "?"), "x [Options] AutoLock=True");
    EXPECT_FALSE(reread.ValueExists("Options", "AutoLock"));
}

TEST_F(IniFileTest, ReadsCodePage936AndUtf16Files)
{
    // "密码" in code page 936, then the same file after writing: UTF-8, other lines kept.
    WriteAll(FFile, "[Options]\nLastFile=D:\\\xC3\xDC\xC2\xEB.zmb\nWidth=3\n");
    TIniFile ini(FFile);
    EXPECT_EQ(ini.ReadString("Options", "LastFile", ""), "D:\\密码.zmb");
    ini.WriteString("Options", "Width", "4");
    EXPECT_EQ(ReadAll(FFile), "[Options]\nLastFile=D:\\密码.zmb\nWidth=4\n");

    const std::u16string wide = u"[Options]\r\nLastFile=密码\r\n";
    std::string le = "\xFF\xFE";
    for (char16_t c : wide) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
    }
    WriteAll(FFile, le);
    EXPECT_EQ(TIniFile(FFile).ReadString("Options", "LastFile", ""), "密码");
}

TEST_F(IniFileTest, KeepsByteOrderMarkModeAndSymbolicLink)
{
    const std::string real = FDir / "real.ini";
    WriteAll(real, "\xEF\xBB\xBF[Options]\nA=1\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, FFile);

    TIniFile ini(FFile);
    EXPECT_EQ(ini.ReadString("Options", "A", ""), "1");
    ini.WriteString("Options", "A", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(FFile));
    EXPECT_EQ(ReadAll(real), "\xEF\xBB\xBF[Options]\nA=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(IniFileTest, UnwritableFileRaisesAndLeavesNoDebris)
{
    WriteAll(FDir / "plain", "x");
    const std::string inside = FDir / "plain/options.ini"; // below a file: can never be created
    TIniFile ini(inside);
    try {
        ini.WriteString("Options", "A", "1");
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + inside);
    }

}

TEST_F(IniFileTest, NeverReplacesWhatIsNotARegularFile)
{
    std::filesystem::create_directory(FDir / "folder.ini");
    ASSERT_EQ(::mkfifo((FDir / "pipe.ini").c_str(), 0600), 0);
    for (const char* name : {"folder.ini", "pipe.ini"}) {
        TIniFile ini(FDir / name); // a pipe must not block the reader
        EXPECT_EQ(ini.ReadString("Options", "A", "d"), "d");
        EXPECT_THROW(ini.WriteString("Options", "A", "1"), EIniFileException) << name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(FDir / "folder.ini"));
    EXPECT_TRUE(std::filesystem::is_fifo(FDir / "pipe.ini"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(FDir.Path()))
        ++entries;
    EXPECT_EQ(entries, 2); // no temporary file left behind
}

} // namespace
