// The file platform layer: sharing that keeps other processes out, the read-only rule, full
// paths and the messages of failed opens.
#include "StorageTestUtil.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A second process that opens a database on request, so sharing is tested across processes.
// It is forked before the parent opens anything, so it inherits no descriptor (and no lock).
class TOtherProcess {
public:
    explicit TOtherProcess(const std::string& FileName)
    {
        if (pipe(FToChild) != 0 || pipe(FFromChild) != 0)
            throw std::runtime_error("pipe");
        FPid = fork();
        if (FPid < 0)
            throw std::runtime_error("fork");
        if (FPid == 0)
            Serve(FileName); // never returns
        close(FToChild[0]);
        close(FFromChild[1]);
    }
    ~TOtherProcess()
    {
        const char quit = 'q';
        (void)!write(FToChild[1], &quit, 1);
        close(FToChild[1]);
        close(FFromChild[0]);
        int status = 0;
        waitpid(FPid, &status, 0);
    }

    // 'o': the open worked; 'u': refused because another process uses the file; '?': other error.
    char TryOpen(bool Exclusive)
    {
        const char cmd = Exclusive ? 'x' : 's';
        char answer = '?';
        if (write(FToChild[1], &cmd, 1) != 1 || read(FFromChild[0], &answer, 1) != 1)
            return '!';
        return answer;
    }

private:
    [[noreturn]] void Serve(const std::string& FileName)
    {
        close(FToChild[1]);
        close(FFromChild[0]);
        char cmd = 0;
        while (read(FToChild[0], &cmd, 1) == 1 && cmd != 'q') {
            char answer = '?';
            try {
                TNorkDatabase db;
                db.SetExclusive(cmd == 'x');
                answer = db.Open(FileName, "") ? 'o' : '?';
            } catch (const EFileError& e) {
                const std::string text = e.what();
                if (text.find(FileName) != std::string::npos && text.find("in use by another process") != std::string::npos)
                    answer = 'u';
            } catch (...) {
            }
            (void)!write(FFromChild[1], &answer, 1);
        }
        _exit(0);
    }

    int FToChild[2] = {-1, -1};
    int FFromChild[2] = {-1, -1};
    pid_t FPid = -1;
};

using Platform = TStorageTest;

TEST_F(Platform, SharingModesKeepOtherProcessesOut)
{
    const std::string file = MakeDatabase("shared.zmb", {"T"});
    TOtherProcess other(file);

    EXPECT_EQ(other.TryOpen(true), 'o') << "nobody holds the file";

    {
        TNorkDatabase db; // exclusive by default
        ASSERT_TRUE(db.Open(file, ""));
        EXPECT_EQ(other.TryOpen(true), 'o') << "an open database holds the file only during operations";
        db.BeginUpdate();
        EXPECT_EQ(other.TryOpen(true), 'u');
        EXPECT_EQ(other.TryOpen(false), 'u');
        db.EndUpdate();
        EXPECT_EQ(other.TryOpen(true), 'o') << "the bracket's end releases the file";
    }
    {
        TNorkDatabase db;
        db.SetExclusive(false);
        ASSERT_TRUE(db.Open(file, ""));
        db.BeginUpdate();
        EXPECT_EQ(other.TryOpen(false), 'o') << "shared opens live side by side";
        EXPECT_EQ(other.TryOpen(true), 'u');
        db.EndUpdate();
    }
}

TEST_F(Platform, FailedOpenNamesTheFileAndTheReason)
{
    const std::string missing = FTemp.File("missing.zmb");
    TNorkDatabase db;
    try {
        db.Open(missing, "");
        ADD_FAILURE() << "a missing file opened";
    } catch (const EFileError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(missing), std::string::npos) << text;
        EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
    }
    EXPECT_FALSE(db.Active());

    TNorkDiskFileStream stream;
    EXPECT_THROW(stream.Open(missing), EFileError);
    EXPECT_TRUE(stream.FileIsReadOnly()) << "a missing file counts as read-only";
    EXPECT_TRUE(stream.ReadOnly());
}

TEST_F(Platform, ReadOnlyDatabaseRefusesChangesInsteadOfDroppingThem)
{
    const std::string file = MakeDatabase("ro.zmb", {"T"});
    {
        TNorkDatabase db;
        ASSERT_TRUE(db.Open(file, ""));
        TNorkTable table(&db);
        table.Open("T", false);
        const auto rec = Record(20, 1);
        table.AppendRecord(rec.data(), 20, 0);
    }
    const std::vector<uint8_t> before = ReadFileBytes(file);

    TNorkDatabase db;
    db.SetReadOnly(true);
    ASSERT_TRUE(db.Open(file, ""));
    TNorkTable table(&db);
    table.Open("T", false);
    std::vector<uint8_t> out(20);
    EXPECT_TRUE(table.ReadRecord(1, out.data())) << "reading works";

    const auto rec = Record(20, 2);
    const std::string refused = "Cannot write file \"" + file + "\". The file is open for reading only.";
    EXPECT_RAISES(table.AppendRecord(rec.data(), 20, 0), EFileError, refused);
    EXPECT_RAISES(table.ModifyRecord(1, rec.data(), 20), EFileError, refused);
    EXPECT_RAISES(table.DeleteRecord(1), EFileError, refused);
    EXPECT_RAISES(db.CreateTable("U", 4, 0, 1), EFileError, refused);
    EXPECT_RAISES(db.SetComments("x"), EFileError, refused);
    EXPECT_EQ(table.RecordCount(), 1) << "a refused append is not counted";
    EXPECT_EQ(ReadFileBytes(file), before);
}

TEST_F(Platform, FileTheUserMayNotWriteOpensReadOnly)
{
    const std::string file = MakeDatabase("locked.zmb", {"T"});
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    if (!IsFileReadOnly(file))
        GTEST_SKIP() << "this user may write any file (root), so a mode of 0444 does not make it read-only";
    TNorkDatabase db;
    ASSERT_FALSE(db.ReadOnly());
    ASSERT_TRUE(db.Open(file, ""));
    EXPECT_TRUE(db.ReadOnly()) << "the file's read-only state carries over to the database";
}

TEST_F(Platform, FileNamesBecomeFullPaths)
{
    TNorkDatabase db;
    db.SetFileName("some/dir/../box.zmb");
    EXPECT_EQ(db.FileName(), (std::filesystem::current_path() / "some/box.zmb").string());

    const std::string file = MakeDatabase("full.zmb");
    const std::string cwd = std::filesystem::current_path().string();
    ASSERT_EQ(chdir(FTemp.Path().c_str()), 0);
    const bool opened = db.Open("./sub/../full.zmb", "");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    ASSERT_TRUE(opened);
    EXPECT_EQ(db.FileName(), std::filesystem::canonical(file).string());
}

} // namespace
