// Real limits instead of injected faults: a small file system that fills up, and a file-size
// limit with SIGXFSZ ignored. Each runs in a child process (its own mount namespace, its own
// limit) that reports what went wrong through a pipe.
#include "boxdata/DbFileMgr.h"
#include "dataproc/Exception.h"
#include "dataproc/UpdateBracket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadText(const std::string& Name)
{
    std::ifstream in(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the child found: "" when all went as it should, "skip: ..." when it could not set up,
// otherwise one line per problem.
std::string RunChild(const std::function<std::string()>& Body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "cannot make a pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string result;
        try {
            result = Body();
        } catch (const std::exception& e) {
            result = std::string("unexpected error: ") + e.what();
        }
        (void)!::write(pipeFds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        result += "the child died";
    return result;
}

// A private mount namespace with a tmpfs of Size at Folder; "" or why it cannot be had.
std::string MountSmallDisk(const std::string& Folder, const char* Size)
{
    if (::unshare(CLONE_NEWNS) != 0) {
        // Without the right to mount, a user namespace of our own may still give it.
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return std::string("no mount namespace: ") + std::strerror(errno);
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("cannot make the mounts private: ") + std::strerror(errno);
    if (::mount("tmpfs", Folder.c_str(), "tmpfs", 0, (std::string("size=") + Size).c_str()) != 0)
        return std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    return "";
}

// Fills the file system holding Folder to the last byte.
void FillUp(const std::string& Folder)
{
    const int fd = ::open((Folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char> block(4096, 'f');
    for (std::size_t size = block.size(); size > 0; size /= 2)
        while (::write(fd, block.data(), size) == ssize_t(size)) {
        }
    ::close(fd);
}

TAttachData Content(int32_t Owner, std::size_t Size)
{
    TAttachData a;
    a.OwnerID = Owner;
    a.Name = "big.bin";
    std::string bin(Size, '\0');
    uint32_t x = 12345;
    for (char& c : bin) {
        x = x * 1103515245 + 12345; // noise: compression must not make it small
        c = char(x >> 24);
    }
    a.Bin = TSecretString(std::move(bin));
    a.Size = int32_t(Size);
    return a;
}

// A new box open in Box with one note (Note), whose id it answers.
int32_t OpenBoxWithNote(TDbFileMgr& Box, const std::string& File, TZmbCommItem& Note)
{
    if (!Box.CreateDatabase(File, "pw", true, false, "", ""))
        throw std::runtime_error("cannot create the box");
    Box.OpenDatabase(File, "pw");
    Note.FolderID = 15;
    Note.Caption = "note";
    int32_t id = 0;
    Box.AddCommItem(Note, id);
    return id;
}

// Runs Change, which must fail with Reason naming the box, and leave the box's bytes alone.
std::string ExpectRefused(TDbFileMgr& Box, const std::string& File, const std::string& Reason, const char* What,
                          const std::function<void()>& Change)
{
    const std::string before = ReadText(File);
    std::string error;
    try {
        Change();
    } catch (const Exception& e) {
        error = e.what();
    }
    std::string problems;
    if (error.find(Reason) == std::string::npos || error.find(File) == std::string::npos ||
        error.find("0x") != std::string::npos)
        problems += std::string(What) + ": the error does not name the reason and the box: '" + error + "'\n";
    if (ReadText(File) != before)
        problems += std::string(What) + ": the box changed\n";
    if (!Box.IsOpen())
        problems += std::string(What) + ": the box is no longer open\n";
    return problems;
}

class DiskFull : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zmbdiskXXXXXX";
        FDir = ::mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    std::string FDir;
};

TEST_F(DiskFull, ARealFullDiskRefusesChangesAndKeepsTheBox)
{
    const std::string result = RunChild([this]() -> std::string {
        const std::string disk = FDir + "/disk";
        std::filesystem::create_directory(disk);
        if (const std::string why = MountSmallDisk(disk, "1m"); !why.empty())
            return "skip: " + why;
        const std::string file = disk + "/box.zmb";
        TDbFileMgr box;
        TZmbCommItem note;
        const int32_t noteId = OpenBoxWithNote(box, file, note);
        FillUp(disk);

        std::string problems;
        const std::string reason = "No space left on device";
        problems += ExpectRefused(box, file, reason, "attach", [&] {
            int32_t id = 0;
            box.AddAttachment(Content(noteId, 200000), id);
        });
        problems += ExpectRefused(box, file, reason, "note with attachments in one bracket", [&] {
            TUpdateBracket bracket(box);
            int32_t id = 0;
            box.AddCommItem(note, id);
            box.AddAttachment(Content(id, 100000), id);
        });
        problems += ExpectRefused(box, file, reason, "compact", [&] { box.Compact(); });
        problems += ExpectRefused(box, file, reason, "password change", [&] { box.ChangePassword("new", true); });
        for (const auto& e : std::filesystem::directory_iterator(disk))
            if (e.path().filename() != "box.zmb" && e.path().filename() != "filler")
                problems += "left behind: " + e.path().string() + "\n";
        const std::vector<std::string> found = box.Verify(file, "pw");
        for (const std::string& p : found)
            problems += "verify: " + p + "\n";

        // With room again the same box takes the same change.
        std::filesystem::remove(disk + "/filler");
        int32_t id = 0;
        box.AddAttachment(Content(noteId, 200000), id);
        TMemoryStream stored;
        if (!box.GetAttachment(id, stored) || stored.Size() != 200000)
            problems += "the attachment did not go in once there was room\n";
        box.CloseDatabase();
        return problems;
    });
    if (result.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << "no small file system to fill here (" << result.substr(6) << ")";
    EXPECT_EQ(result, "");
}

TEST_F(DiskFull, AFileSizeLimitRefusesChangesAndKeepsTheBox)
{
    const std::string result = RunChild([this]() -> std::string {
        const std::string file = FDir + "/box.zmb";
        TDbFileMgr box;
        TZmbCommItem note;
        const int32_t noteId = OpenBoxWithNote(box, file, note);
        // Beyond the limit a write fails with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(std::filesystem::file_size(file) + 8192), RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return "skip: cannot set the limit";
        std::string problems;
        problems += ExpectRefused(box, file, "File too large", "attach", [&] {
            int32_t id = 0;
            box.AddAttachment(Content(noteId, 100000), id);
        });
        problems += ExpectRefused(box, file, "File too large", "body", [&] {
            std::string body = Content(0, 100000).Bin.str();
            for (char& c : body)
                c = char('a' + (static_cast<unsigned char>(c) % 26));
            note.Comments = body;
            box.ModifyCommItem(noteId, note);
        });
        for (const std::string& p : box.Verify(file, "pw"))
            problems += "verify: " + p + "\n";
        box.CloseDatabase();
        return problems;
    });
    if (result.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << result.substr(6);
    EXPECT_EQ(result, "");
}

} // namespace
