#include "gui/UrlRecorder.h"
#include "services/TempDir.h"
#include "services/qt/ShellLaunch.h"

#include <QDesktopServices>
#include <QObject>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(ShellLaunchTest, SendMailPutsTheCaseSensitivePrefixInFront)
{
    TUrlRecorder desktop;
    const std::pair<const char*, const char*> cases[] = {
        {"ann@example.com", "mailto:ann@example.com"},
        {"  mailto:bob@example.com  ", "mailto:bob@example.com"},
        {"MAILTO:carl@example.com", "mailto:MAILTO:carl@example.com"},
        {"Mailto:dora@example.com", "mailto:Mailto:dora@example.com"},
    };
    for (const auto& [address, target] : cases) {
        EXPECT_EQ(MailTarget(address), target);
        desktop.Urls.clear();
        EXPECT_TRUE(SendMail(address));
        ASSERT_EQ(desktop.Urls.size(), 1);
        EXPECT_EQ(desktop.Urls[0].scheme(), "mailto");
        EXPECT_EQ(desktop.Urls[0].toString(), target);
    }
}

TEST(ShellLaunchTest, OpenDocumentHandsOverTrimmedAddresses)
{
    TUrlRecorder desktop;
    EXPECT_TRUE(OpenDocument("  https://example.com/a?b=1  "));
    EXPECT_TRUE(OpenDocument("www.example.com"));
    EXPECT_FALSE(OpenDocument("   "));
    ASSERT_EQ(desktop.Urls.size(), 2);
    EXPECT_EQ(desktop.Urls[0], QUrl("https://example.com/a?b=1"));
    EXPECT_EQ(desktop.Urls[1], QUrl("http://www.example.com"));
}

TEST(ShellLaunchTest, RunProgramRunsProgramsAndOpensDocuments)
{
    TUrlRecorder desktop;
    TTempDir dir;
    const std::string script = dir / "run.sh";
    WriteAll(script, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > out.tmp && mv out.tmp out\n");
    ::chmod(script.c_str(), 0755);
    const QString folder = QString::fromStdString(dir.Path().string());

    ASSERT_TRUE(RunProgram("run.sh", "one \"two words\"", folder));
    const std::string out = dir / "out";
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(out); }, 10000));
    EXPECT_EQ(ReadAll(out), dir.Path().string() + "\n[one]\n[two words]\n");
    EXPECT_TRUE(desktop.Urls.isEmpty());

    WriteAll(dir / "Readme.txt", "hello");
    EXPECT_TRUE(RunProgram(QString::fromStdString(dir / "Readme.txt")));
    ASSERT_EQ(desktop.Urls.size(), 1);
    EXPECT_EQ(desktop.Urls[0], QUrl::fromLocalFile(QString::fromStdString(dir / "Readme.txt")));

    EXPECT_FALSE(RunProgram("missing.txt", QString(), folder));
    EXPECT_FALSE(RunProgram(QString()));
    EXPECT_EQ(desktop.Urls.size(), 1);
}

} // namespace
