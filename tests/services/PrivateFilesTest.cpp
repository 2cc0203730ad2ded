#include "services/PrivateFiles.h"

#include "dataproc/Exception.h"
#include "dataproc/MemoryStream.h"
#include "services/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t ModeOf(const std::string& Path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(Path.c_str(), &st), 0) << Path;
    return st.st_mode & 07777;
}

class PrivateFilesTest : public ::testing::Test {
protected:
    TTempDir FDir;
    TScopedEnv FTmp{"TMPDIR", FDir.Path().string()};
};

TEST_F(PrivateFilesTest, TheTemporaryFolderIsPrivateAndAForeignOneIsRefused)
{
    const std::string folder = PrivateTempFolder();
    EXPECT_EQ(folder, FDir / ("zembrix-open-" + std::to_string(::geteuid())) + "/");
    EXPECT_EQ(ModeOf(folder), 0700u);
    // Made too open by someone: refused, not used.
    ::chmod(folder.c_str(), 0777);
    EXPECT_THROW(PrivateTempFolder(), EFileError);
    std::filesystem::remove(folder.substr(0, folder.size() - 1));
    // A link planted in its place is not followed.
    std::filesystem::create_directory(FDir / "elsewhere");
    std::filesystem::create_directory_symlink(FDir / "elsewhere", folder.substr(0, folder.size() - 1));
    EXPECT_THROW(PrivateTempFolder(), EFileError);
}

TEST_F(PrivateFilesTest, PrivateCopiesAreMadeAnewWithMode0600AndWipedBeforeDeletion)
{
    const std::string file = FDir / "copy.txt";
    WriteAll(file, "old and longer content");
    ::chmod(file.c_str(), 0644);
    WriteFileContent(file, "new", 3, true);
    EXPECT_EQ(ReadAll(file), "new");
    EXPECT_EQ(ModeOf(file), 0600u);

    // The content is overwritten before the name goes: a second link to the file shows zeros.
    const std::string other = FDir / "other-link";
    ASSERT_EQ(::link(file.c_str(), other.c_str()), 0);
    EXPECT_TRUE(WipeAndDeleteFile(file));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(ReadAll(other), std::string(3, '\0'));
    EXPECT_FALSE(WipeAndDeleteFile(file));

    // A link in the copy's place is replaced, not followed.
    const std::string target = FDir / "target";
    WriteAll(target, "keep");
    std::filesystem::create_symlink(target, file);
    WriteFileContent(file, "x", 1, true);
    EXPECT_EQ(ReadAll(target), "keep");
    EXPECT_EQ(ReadAll(file), "x");
}

TEST_F(PrivateFilesTest, ReadingTakesTheWholeFileOrRaisesWithTheReason)
{
    TMemoryStream data;
    const std::string file = FDir / "in.bin";
    WriteAll(file, std::string("a\0b", 3));
    ReadFileContent(file, data);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.Memory()), 3), std::string("a\0b", 3));
    EXPECT_EQ(data.Size(), 3);

    WriteAll(file, "");
    ReadFileContent(file, data);
    EXPECT_EQ(data.Size(), 0);

    for (const std::string& bad : {FDir / "missing", FDir.Path().string()}) {
        data.Write("x", 1);
        try {
            ReadFileContent(bad, data);
            ADD_FAILURE() << bad;
        } catch (const EFileError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("无法读取文件“" + bad + "”：", 0), 0u) << e.what();
        }
        EXPECT_EQ(data.Size(), 0);
    }
}

TEST_F(PrivateFilesTest, PlainWritesReplaceTheContentAndKeepTheModeNewFilesAreTheUsersOnly)
{
    const std::string file = FDir / "saved.txt";
    WriteAll(file, "previous, longer");
    ::chmod(file.c_str(), 0640);
    WriteFileContent(file, "", 0, false);
    EXPECT_EQ(ReadAll(file), "");
    EXPECT_EQ(ModeOf(file), 0640u);
    WriteFileContent(FDir / "new.txt", "y", 1, false);
    EXPECT_EQ(ModeOf(FDir / "new.txt"), 0600u);
    EXPECT_THROW(WriteFileContent(FDir / "no/such/folder", "x", 1, false), EFileError);
}

} // namespace
