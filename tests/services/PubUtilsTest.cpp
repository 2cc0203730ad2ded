#include "services/PubUtils.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(PubUtilsTest, NormalizeFolder)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  /data  ", "/data/"}, {"/data/", "/data/"}, {"\t/a b\n", "/a b/"}, {"", ""}, {"   ", ""}, {"rel", "rel/"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(NormalizeFolder(in), out) << "'" << in << "'";
}

TEST(PubUtilsTest, FormatKBytesRoundsUpAndGroups)
{
    struct TCase {
        int64_t Size;
        const char* Locale;
        std::string Text;
    };
    const TCase cases[] = {
        {1, "en_US", "1 KB"},
        {1024, "en_US", "1 KB"},
        {1025, "en_US", "2 KB"},
        {0, "en_US", "0 KB"},
        {-5, "en_US", "0 KB"},
        {2000000, "en_US", "1,954 KB"},
        {2000000, "de_DE", "1.954 KB"},
        {int64_t{5} * 1024 * 1024 * 1024 * 1024, "en_US", "5,368,709,120 KB"},
        {2000000, "fr_FR", "1\u202F954 KB"}, // a separator of more than one byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatKBytes(" KB", c.Size, c.Locale), c.Text) << c.Size << " " << c.Locale;
}

TEST(PubUtilsTest, FormatKBytesFollowsTheUserLocale)
{
    TScopedEnv numeric("LC_NUMERIC", "de_DE.UTF-8");
    TScopedEnv all("LC_ALL", "");
    EXPECT_EQ(FormatKBytes(" KB", 2000000), "1.954 KB");
    TScopedEnv allSet("LC_ALL", "en_GB.UTF-8"); // LC_ALL overrides
    EXPECT_EQ(FormatKBytes(" KB", 2000000), "1,954 KB");
}

TEST(PubUtilsTest, FileSizeAndFullPath)
{
    TTempDir dir;
    WriteAll(dir / "five", "12345");
    EXPECT_EQ(GetFileSizeByName(dir / "five"), 5);
    EXPECT_EQ(GetFileSizeByName(dir / "missing"), -1);
    EXPECT_EQ(GetFileSizeByName(dir.Path().string()), -1);
    EXPECT_EQ(GetFileSizeByName(""), -1);

    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(GetFullPath("a/../b.zmb"), std::string(cwd) + "/b.zmb");
    EXPECT_EQ(GetFullPath("/x/./y//z"), "/x/y/z");
    EXPECT_EQ(GetFullPath(""), "");

    TScopedEnv tmp("TMPDIR", dir.Path().string());
    EXPECT_EQ(GetTempFolder(), dir.Path().string() + "/");
}

TEST(PubUtilsTest, SameFileByPathOrIdentity)
{
    TTempDir dir;
    WriteAll(dir / "B.zmb", "x");
    WriteAll(dir / "b.zmb", "y");
    ASSERT_EQ(::symlink((dir / "B.zmb").c_str(), (dir / "link.zmb").c_str()), 0);
    ASSERT_EQ(::link((dir / "B.zmb").c_str(), (dir / "hard.zmb").c_str()), 0);

    EXPECT_TRUE(IsSameFile(dir / "B.zmb", dir / "./sub/../B.zmb"));
    EXPECT_TRUE(IsSameFile(dir / "B.zmb", dir / "link.zmb"));
    EXPECT_TRUE(IsSameFile(dir / "hard.zmb", dir / "B.zmb"));
    EXPECT_FALSE(IsSameFile(dir / "B.zmb", dir / "b.zmb")); // two files, names differ in case only
    EXPECT_TRUE(IsSameFile(dir / "gone.zmb", dir / "gone.zmb"));
    EXPECT_FALSE(IsSameFile(dir / "gone.zmb", dir / "B.zmb"));
    EXPECT_FALSE(IsSameFile("", ""));
}

TEST(PubUtilsTest, CompareIntAndIfThen)
{
    EXPECT_EQ(CompareInt(1, 2), -1);
    EXPECT_EQ(CompareInt(2, 1), 1);
    EXPECT_EQ(CompareInt(-7, -7), 0);
    EXPECT_EQ(CompareInt(INT64_MIN, INT64_MAX), -1); // no overflow from subtracting
    EXPECT_EQ(IfThen(true, std::string("a"), std::string("b")), "a");
    EXPECT_EQ(IfThen(false, 1, 2), 2);
}

} // namespace
