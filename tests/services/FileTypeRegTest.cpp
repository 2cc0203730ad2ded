#include "services/FileTypeReg.h"

#include "services/AppFolders.h"
#include "services/ProjectUtils.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <cstdio>

namespace {

std::string CommandOutput(const std::string& Command)
{
    std::string out;
    if (FILE* p = ::popen(Command.c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p) != nullptr)
            out += buf;
        ::pclose(p);
    }
    return out;
}

class FileTypeRegTest : public ::testing::Test {
protected:
    TTempDir FDir;
    TScopedEnv FData{"XDG_DATA_HOME", FDir / "data"};
    TScopedEnv FConfig{"XDG_CONFIG_HOME", FDir / "config"};
    TScopedEnv FDesktop{"XDG_CURRENT_DESKTOP", "X-Generic"};
};

TEST_F(FileTypeRegTest, AssociatesBoxFilesWithTheProgram)
{
    ASSERT_TRUE(AssociateFileType(true));

    const std::string xml = ReadAll(FDir / "data/mime/packages/zembrixfile.xml");
    EXPECT_NE(xml.find("<mime-type type=\"application/x-zembrixfile\">"), std::string::npos);
    EXPECT_NE(xml.find("<glob pattern=\"*.zmb\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<comment>密码箱文件</comment>"), std::string::npos);
    // update-mime-database built the user's database from it.
    EXPECT_NE(ReadAll(FDir / "data/mime/globs2").find("application/x-zembrixfile:*.zmb"), std::string::npos);

    const std::string entry = ReadAll(FDir / "data/applications/zembrix.desktop");
    EXPECT_NE(entry.find("\nName=Zembrix\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=\"" + ProgramPath() + "\" %f\n"), std::string::npos);
    EXPECT_NE(entry.find("\nMimeType=application/x-zembrixfile;\n"), std::string::npos);

    EXPECT_EQ(CommandOutput("xdg-mime query default application/x-zembrixfile 2>/dev/null"), "zembrix.desktop\n");
    // Registering again replaces the files and succeeds.
    EXPECT_TRUE(AssociateFileType(false));
}

TEST_F(FileTypeRegTest, AnyFailedStepAnswersFalse)
{
    {
        WriteAll(FDir / "plain", "");
        TScopedEnv data("XDG_DATA_HOME", FDir / "plain/data"); // cannot be created
        EXPECT_FALSE(AssociateFileType(false));
    }
    {
        std::filesystem::create_directory(FDir.Path() / "empty");
        TScopedEnv path("PATH", FDir / "empty"); // the desktop tools cannot be found
        EXPECT_FALSE(AssociateFileType(false));
        // The files written before the failing step stay.
        EXPECT_TRUE(std::filesystem::exists(FDir / "data/applications/zembrix.desktop"));
    }
    EXPECT_FALSE(RegisterFileType("zmb", "ZembrixFile", "Zembrix", "x", 0, false)); // no leading dot
    EXPECT_FALSE(RegisterFileType(".zmb", "Zembrix/File", "Zembrix", "x", 0, false));
}

} // namespace
