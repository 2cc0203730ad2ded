// A rebuild killed before its rename leaves its new file beside the box; opening the box
// removes it, and nothing else.
#include "BoxFixture.h"
#include "dataproc/FileSystem.h"
#include "storage/NorkLeftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TLeftoversTest = TBoxFixture;

// A file system under which the process dies at the first sync, as under a kill.
class TDieOnSync : public TFileSystem {
public:
    int Sync(int) override { ::_exit(7); }
};

std::vector<std::string> Names(const std::string& Folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(TLeftoversTest, OpeningABoxRemovesTheNewFileOfAKilledRebuildAndNothingElse)
{
    FMgr.CloseDatabase();
    const pid_t pid = ::fork();
    if (pid == 0) {
        TDbFileMgr box;
        box.OpenDatabase(FFile, "secret");
        static TDieOnSync dying;
        SetFileSystem(&dying);
        box.Compact(); // dies with its new file complete, before the rename
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
    std::vector<std::string> names = Names(FDir);
    ASSERT_EQ(names.size(), 2u);
    ASSERT_EQ(names[0].rfind(kNorkTempPrefix, 0), 0u);
    const std::string killed = names[0];

    // What must stay: a rebuild's file still being written (held), a file that is no container,
    // and a container whose name is not a rebuild's.
    const std::vector<char> box = ReadFile(FFile);
    const std::string held = Path("NORKheld01");
    std::ofstream(held, std::ios::binary).write(box.data(), std::streamsize(box.size()));
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_SH), 0);
    std::ofstream(Path("NORKnotes.txt")) << "my notes";
    std::ofstream(Path("copy.zmb"), std::ios::binary).write(box.data(), std::streamsize(box.size()));

    FMgr.OpenDatabase(FFile, "secret");
    names = Names(FDir);
    EXPECT_EQ(names, (std::vector<std::string>{"NORKheld01", "NORKnotes.txt", "box.zmb", "copy.zmb"}));
    ::close(holder);
}

} // namespace
