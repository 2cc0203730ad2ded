// The real program, started offscreen with a box argument and a scripted user (the program's
// test driver): a wrong then a right password reach the main window; a cancelled login ends the
// program without one. The binary runs from a folder of its own, where it keeps its options.
#include "services/TempDir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest()
    {
        std::filesystem::copy_file(ZMB_PROGRAM_PATH, FDir / "zembrix");
        std::filesystem::permissions(FDir / "zembrix", std::filesystem::perms::owner_all);
        QProcess cli;
        cli.start(ZMB_CLI_PATH, {"create", QString::fromStdString(FDir / "box.zmb")});
        cli.write("secret\n");
        cli.closeWriteChannel();
        EXPECT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    }

    // Runs the program with Input as the user's password attempts; answers its standard output.
    QString Run(const QStringList& Arguments, const QByteArray& Input, int* ExitCode)
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ZEMBRIX_TEST_DRIVER", "stdin");
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QString::fromStdString(FDir.Path().string()));
        program.start(QString::fromStdString(FDir / "zembrix"), Arguments);
        program.write(Input);
        program.closeWriteChannel();
        EXPECT_TRUE(program.waitForFinished(60000));
        *ExitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        return QString::fromUtf8(program.readAllStandardOutput());
    }

    TTempDir FDir;
};

TEST_F(ProgramTest, ScriptedLoginReachesTheMainWindow)
{
    int exitCode = -2;
    const QString out = Run({"box.zmb"}, "Secret\nsecret\n", &exitCode);
    EXPECT_EQ(exitCode, 0);
    const QString box = QString::fromStdString(FDir / "box.zmb");
    EXPECT_EQ(out, "message: 密码不正确，请重新输入密码。\r密码的字母必须使用正确的大小写。请确定是否因疏忽而按下了 Caps Lock 键。\n"
                   "main window: Zembrix - [" + box + "]\n");
    const std::string ini = ReadAll(FDir / "Zembrix.ini");
    EXPECT_NE(ini.find("ShowNotice=False"), std::string::npos) << ini;
    EXPECT_NE(ini.find("LastFile=" + box.toStdString()), std::string::npos) << ini;
}

TEST_F(ProgramTest, CancelledLoginEndsWithoutAMainWindow)
{
    int exitCode = -2;
    const QString out = Run({"box.zmb"}, "", &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(out, "");
}

} // namespace
