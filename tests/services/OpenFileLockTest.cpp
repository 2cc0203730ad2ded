#include "services/OpenFileLock.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <filesystem>
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

// The lock files in the lock folder.
int LockFiles()
{
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(OpenFileLockFolder(), ec))
        n += e.path().extension() == ".lock" ? 1 : 0;
    return n;
}

TEST_F(OpenFileLockTest, KeyIsTheFilesIdentity)
{
    ::mkdir((FDir / "sub").c_str(), 0700);
    WriteAll(FDir / "CaseBox.zmb", "a");
    WriteAll(FDir / "casebox.zmb", "b");
    ASSERT_EQ(::link((FDir / "CaseBox.zmb").c_str(), (FDir / "hard.zmb").c_str()), 0);
    ASSERT_EQ(::symlink((FDir / "CaseBox.zmb").c_str(), (FDir / "soft.zmb").c_str()), 0);
    const std::string key = OpenFileKey(FDir / "CaseBox.zmb");
    EXPECT_FALSE(key.empty());
    EXPECT_EQ(OpenFileKey(FDir / "sub/../CaseBox.zmb"), key);
    EXPECT_EQ(OpenFileKey(FDir / "hard.zmb"), key);
    EXPECT_EQ(OpenFileKey(FDir / "soft.zmb"), key);
    EXPECT_NE(OpenFileKey(FDir / "casebox.zmb"), key); // another file, whatever its name
    EXPECT_EQ(OpenFileKey(FDir / "missing.zmb"), "");
    EXPECT_EQ(OpenFileLockFolder(), FDir / "run/Zembrix");
}

TEST_F(OpenFileLockTest, AnnouncementIsSeenUntilWithdrawnAndLeavesNoFile)
{
    const std::string box = FDir / "CaseBox.zmb";
    WriteAll(box, "box");
    WriteAll(FDir / "casebox.zmb", "another box");
    WriteAll(FDir / "second.zmb", "a second box");
    ASSERT_EQ(::link(box.c_str(), (FDir / "hard.zmb").c_str()), 0);
    EXPECT_FALSE(IsFileOpenedElsewhere(box));
    {
        TOpenFileMarker marker;
        ASSERT_TRUE(marker.Announce(box));
        EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "hard.zmb"));
        ::mkdir((FDir / "x").c_str(), 0700);
        EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "x/../CaseBox.zmb"));
        EXPECT_FALSE(IsFileOpenedElsewhere(FDir / "casebox.zmb"));
        EXPECT_EQ(LockFiles(), 1);

        // Announcing another file replaces the first.
        ASSERT_TRUE(marker.Announce(FDir / "second.zmb"));
        EXPECT_FALSE(IsFileOpenedElsewhere(box));
        EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "second.zmb"));
        EXPECT_EQ(LockFiles(), 1);
        marker.Withdraw();
        EXPECT_FALSE(IsFileOpenedElsewhere(FDir / "second.zmb"));
        EXPECT_EQ(LockFiles(), 0);
        ASSERT_TRUE(marker.Announce(box));
    }
    EXPECT_FALSE(IsFileOpenedElsewhere(box)); // destruction withdraws
    EXPECT_EQ(LockFiles(), 0);
    TOpenFileMarker marker;
    EXPECT_FALSE(marker.Announce(FDir / "missing.zmb"));
}

TEST_F(OpenFileLockTest, AnotherProcessSeesTheAnnouncementUntilItDies)
{
    const std::string box = FDir / "Shared.zmb";
    WriteAll(box, "box");
    const pid_t holder = StartHolder(box);
    ASSERT_GT(holder, 0);
    EXPECT_TRUE(IsFileOpenedElsewhere(box));

    // Two copies may announce the same box; each keeps it marked, and the lock file stays.
    TOpenFileMarker mine;
    EXPECT_TRUE(mine.Announce(box));
    mine.Withdraw();
    EXPECT_TRUE(IsFileOpenedElsewhere(box));
    EXPECT_EQ(LockFiles(), 1);

    ::kill(holder, SIGKILL); // a crash: nobody withdraws
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_FALSE(IsFileOpenedElsewhere(box));
    EXPECT_EQ(LockFiles(), 0); // the check took the leftover away
}

// Lock files of killed copies (and of older releases, named otherwise) go when the next copy
// announces a box; those still held stay.
TEST_F(OpenFileLockTest, LeftoverLockFilesAreRemoved)
{
    WriteAll(FDir / "a.zmb", "a");
    WriteAll(FDir / "b.zmb", "b");
    const pid_t holder = StartHolder(FDir / "a.zmb");
    ASSERT_GT(holder, 0);
    for (int i = 0; i < 66; ++i)
        WriteAll(OpenFileLockFolder() + "/" + std::to_string(1000 + i) + "0123abcd.lock", "/OLD/BOX.ZMB\n");
    WriteAll(OpenFileLockFolder() + "/notes.txt", "not a lock");
    EXPECT_EQ(LockFiles(), 67);
    TOpenFileMarker marker;
    ASSERT_TRUE(marker.Announce(FDir / "b.zmb"));
    EXPECT_EQ(LockFiles(), 2);
    EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "a.zmb"));
    EXPECT_TRUE(std::filesystem::exists(OpenFileLockFolder() + "/notes.txt"));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
}

TEST_F(OpenFileLockTest, ProgramsStartedWhileOpenDoNotKeepTheMark)
{
    const std::string box = FDir / "Box.zmb";
    WriteAll(box, "box");
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
    WriteAll(FDir / "Box.zmb", "box");
    TOpenFileMarker marker;
    EXPECT_FALSE(marker.Announce(FDir / "Box.zmb"));
    EXPECT_FALSE(marker.Announced());
}

TEST_F(OpenFileLockTest, FallsBackToAPrivateFolderInTemp)
{
    ::unsetenv("XDG_RUNTIME_DIR");
    TScopedEnv tmp("TMPDIR", FDir.Path().string());
    EXPECT_EQ(OpenFileLockFolder(), FDir / ("Zembrix-" + std::to_string(::geteuid())));
    WriteAll(FDir / "Box.zmb", "box");
    TOpenFileMarker marker;
    ASSERT_TRUE(marker.Announce(FDir / "Box.zmb"));
    EXPECT_TRUE(IsFileOpenedElsewhere(FDir / "./Box.zmb"));
    struct stat st {};
    ASSERT_EQ(::stat(OpenFileLockFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

} // namespace
