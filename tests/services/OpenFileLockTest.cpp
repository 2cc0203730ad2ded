#include "services/OpenFileLock.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class OpenFileLockTest : public ::testing::Test {
protected:
    TTempDir FDir;
    TScopedEnv FRuntime{"XDG_RUNTIME_DIR", FDir / "run"};
    OpenFileLockTest() { ::mkdir((FDir / "run").c_str(), 0700); }
};

// A second copy of the program: announces the file, reports through a pipe, then waits to die.
pid_t StartHolder(const std::string& FileName)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        TOpenFileMarker marker;
        const char ok = marker.Announce(FileName) ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char ok = '0';
    const bool announced = ::read(ready[0], &ok, 1) == 1 && ok == '1';
    ::close(ready[0]);
    return announced ? pid : -1;
}

TEST_F(OpenFileLockTest, KeyIsTheUpperCasedFullPath)
{
    EXPECT_EQ(OpenFileKey("/home/ann/../bob/Box.zmb"), "/HOME/BOB/BOX.ZMB");
    EXPECT_EQ(OpenFileKey("/tmp/密码b.zmb"), "/TMP/密码B.ZMB");
    EXPECT_EQ(OpenFileLockFolder(), FDir / "run/Zembrix");
}

TEST_F(OpenFileLockTest, AnnouncementIsSeenUntilWithdrawn)
{
    const std::string box = FDir / "C/A/b.zmb";
    EXPECT_FALSE(IsFileOpenedElsewhere(box));
    {
        TOpenFileMarker marker;
        ASSERT_TRUE(marker.Announce(box));
        EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "c/a/B.zmb"));
        EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "C/x/../A/b.zmb"));
        EXPECT_FALSE(IsFileOpenedElsewhere(FDir / "C/A/other.zmb"));

        // Announcing another file replaces the first.
        ASSERT_TRUE(marker.Announce(FDir / "second.zmb"));
        EXPECT_FALSE(IsFileOpenedElsewhere(box));
        EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "second.zmb"));
        marker.Withdraw();
        EXPECT_FALSE(IsFileOpenedElsewhere(FDir / "second.zmb"));
        ASSERT_TRUE(marker.Announce(box));
    }
    EXPECT_FALSE(IsFileOpenedElsewhere(box)); // destruction withdraws
}

TEST_F(OpenFileLockTest, AnotherProcessSeesTheAnnouncementUntilItDies)
{
    const std::string box = FDir / "Shared.zmb";
    const pid_t holder = StartHolder(box);
    ASSERT_GT(holder, 0);
    EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "SHARED.ZMB"));

    // Two copies may announce the same box; each keeps it marked.
    TOpenFileMarker mine;
    EXPECT_TRUE(mine.Announce(box));
    mine.Withdraw();
    EXPECT_TRUE(IsFileOpenedElsewhere(box));

    ::kill(holder, SIGKILL); // a crash: nobody withdraws
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_FALSE(IsFileOpenedElsewhere(box));
}

TEST_F(OpenFileLockTest, ProgramsStartedWhileOpenDoNotKeepTheMark)
{
    const std::string box = FDir / "Box.zmb";
    TOpenFileMarker marker;
    ASSERT_TRUE(marker.Announce(box));
    pid_t child = 0;
    char sleepArg[] = "sleep";
    char seconds[] = "30";
    char* argv[] = {sleepArg, seconds, nullptr};
    ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
    marker.Withdraw();
    EXPECT_FALSE(IsFileOpenedElsewhere(box));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST_F(OpenFileLockTest, RefusesAFolderOthersCanWrite)
{
    ::mkdir((FDir / "run/Zembrix").c_str(), 0700);
    ::chmod((FDir / "run/Zembrix").c_str(), 0777);
    TOpenFileMarker marker;
    EXPECT_FALSE(marker.Announce(FDir / "Box.zmb"));
    EXPECT_FALSE(marker.Announced());
}

TEST_F(OpenFileLockTest, FallsBackToAPrivateFolderInTemp)
{
    ::unsetenv("XDG_RUNTIME_DIR");
    TScopedEnv tmp("TMPDIR", FDir.Path().string());
    EXPECT_EQ(OpenFileLockFolder(), FDir / ("Zembrix-" + std::to_string(::geteuid())));
    TOpenFileMarker marker;
    ASSERT_TRUE(marker.Announce(FDir / "Box.zmb"));
    EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "box.ZMB"));
    struct stat st {};
    ASSERT_EQ(::stat(OpenFileLockFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

} // namespace
