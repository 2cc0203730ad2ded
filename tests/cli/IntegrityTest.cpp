// zembrix-cli when a change cannot be written or is interrupted: a file-size limit standing in
// for a full disk, and Ctrl-C arriving while a change is written.
#include "CliFolderTest.h"
#include "CliRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kPwd = "integrity";

struct TRun {
    int Status = 0; // as waitpid gives it
    std::string Err;
};

class CliIntegrity : public TCliFolderTest {
protected:
    void SetUp() override
    {
        TCliFolderTest::SetUp();
        FBox = Path("box.zmb");
        ASSERT_EQ(RunCli({"create", FBox}, kPwd + "\n").Code, 0);
        const TCliResult note = RunCli({"add", "note", FBox, "--folder", "15", "--title", "n"}, kPwd + "\n");
        ASSERT_EQ(note.Code, 0) << note.Err;
        FNote = note.Out.substr(0, note.Out.find('\n'));
    }

    // Noise, so compression cannot make it small.
    std::string BigFile(const std::string& Name, std::size_t Size)
    {
        std::string data(Size, '\0');
        uint32_t x = 7;
        for (char& c : data) {
            x = x * 1664525 + 1013904223;
            c = char(x >> 24);
        }
        WriteFile(Path(Name), data);
        return Path(Name);
    }

    // Starts zembrix-cli with the password on standard input, standard error into a file, and
    // a file-size limit (0: none) beyond which writes fail instead of killing the process.
    pid_t Start(const std::vector<std::string>& Args, rlim_t FileSizeLimit = 0, const std::string& Input = kPwd + "\n")
    {
        int in[2];
        if (::pipe(in) != 0)
            return -1;
        const std::string err = Path("stderr.txt");
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(in[0], 0);
            ::close(in[1]);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(e, 2);
            const int out = ::open("/dev/null", O_WRONLY);
            ::dup2(out, 1);
            if (FileSizeLimit != 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{FileSizeLimit, RLIM_INFINITY};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::vector<std::string> storage{ZEMBRIX_CLI};
            storage.insert(storage.end(), Args.begin(), Args.end());
            std::vector<char*> argv;
            for (std::string& s : storage)
                argv.push_back(s.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        (void)!::write(in[1], Input.data(), Input.size());
        ::close(in[1]);
        return pid;
    }

    TRun Wait(pid_t Pid)
    {
        TRun r;
        ::waitpid(Pid, &r.Status, 0);
        r.Err = ReadFile(Path("stderr.txt"));
        return r;
    }

    std::string Listing() { return RunCli({"attach", "ls", FBox, FNote}, kPwd + "\n").Out; }
    bool Sound() { return RunCli({"verify", FBox}, kPwd + "\n").Code == 0; }

    std::string FBox;
    std::string FNote;
};

// What a full disk did to the box before: an attachment listed at full size with no content,
// a note left without the file it was added with, a memory address instead of the cause.
TEST_F(CliIntegrity, ChangesThatCannotBeWrittenLeaveTheBoxAsItWas)
{
    const std::string big = BigFile("big.bin", 3000000);
    const rlim_t limit = fs::file_size(FBox) + 100000;
    const std::string listing = Listing();
    const std::string bytes = ReadFile(FBox);
    struct TCase {
        std::vector<std::string> Args;
    };
    const TCase cases[] = {
        {{"attach", "add", FBox, FNote, big}},
        {{"add", "note", FBox, "--folder", "15", "--title", "with a file", "--attach", big}},
        {{"import", FBox, Path("export.json")}},
    };
    // An export holding the big file, from another box.
    const std::string other = Path("other.zmb");
    ASSERT_EQ(RunCli({"create", other}, kPwd + "\n").Code, 0);
    const TCliResult note = RunCli({"add", "note", other, "--folder", "15", "--title", "x", "--attach", big}, kPwd + "\n");
    ASSERT_EQ(note.Code, 0) << note.Err;
    ASSERT_EQ(RunCli({"export", other, "-o", Path("export.json")}, kPwd + "\n").Code, 0);
    for (const TCase& c : cases) {
        const TRun r = Wait(Start(c.Args, limit));
        SCOPED_TRACE(c.Args[0]);
        EXPECT_TRUE(WIFEXITED(r.Status) && WEXITSTATUS(r.Status) == 3) << r.Err;
        EXPECT_NE(r.Err.find("File too large"), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find(FBox), std::string::npos) << r.Err;
        EXPECT_TRUE(ReadFile(FBox) == bytes) << "the box changed";
    }
    EXPECT_EQ(Listing(), listing);
    EXPECT_TRUE(Sound());

    // A rebuild whose new file cannot grow past its fixed part: the cause and the box, never an
    // address.
    for (const char* command : {"compact", "passwd"}) {
        const pid_t pid = Start({command, FBox}, 6000, kPwd + "\nnew password\n");
        const TRun r = Wait(pid);
        SCOPED_TRACE(command);
        EXPECT_TRUE(WIFEXITED(r.Status) && WEXITSTATUS(r.Status) == 3) << r.Err;
        EXPECT_NE(r.Err.find("File too large"), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find(FBox), std::string::npos) << r.Err;
        EXPECT_EQ(r.Err.find("0x"), std::string::npos) << r.Err;
        EXPECT_TRUE(ReadFile(FBox) == bytes);
    }
    for (const auto& e : fs::directory_iterator(FDir))
        EXPECT_TRUE(e.path().filename().string().rfind("NORK", 0) != 0) << e.path();
    EXPECT_TRUE(Sound());
}

// SIGINT, SIGTERM and SIGHUP that come while a change is written wait for it: the change is
// whole in the box, and then the tool ends by the signal.
TEST_F(CliIntegrity, ASignalDuringAChangeWaitsForItsEnd)
{
    const std::string big = BigFile("big.bin", 20000000);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        const pid_t pid = Start({"attach", "add", FBox, FNote, big});
        // The signals are blocked exactly while the change is written: wait for that moment.
        bool blocked = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!blocked && std::chrono::steady_clock::now() < deadline) {
            std::ifstream status("/proc/" + std::to_string(pid) + "/status");
            for (std::string line; std::getline(status, line);)
                if (line.rfind("SigBlk:", 0) == 0)
                    blocked = (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
            if (!blocked)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_TRUE(blocked) << "the change was never seen being written";
        ::kill(pid, sig);
        const TRun r = Wait(pid);
        EXPECT_TRUE(WIFSIGNALED(r.Status) && WTERMSIG(r.Status) == sig) << r.Status << " " << r.Err;
        EXPECT_NE(r.Err.find("after the change was written in full"), std::string::npos) << r.Err;
    }
    // Three whole copies of the file.
    const nlohmann::json list =
        nlohmann::json::parse(RunCli({"attach", "ls", FBox, FNote, "--json"}, kPwd + "\n").Out, nullptr, false);
    ASSERT_EQ(list.size(), 3u) << list.dump();
    for (const auto& a : list) {
        const std::string back = Path("back.bin");
        fs::remove(back);
        EXPECT_EQ(RunCli({"attach", "get", FBox, std::to_string(a["id"].get<int>()), "-o", back}, kPwd + "\n").Code, 0);
        EXPECT_TRUE(ReadFile(back) == ReadFile(big));
    }
    EXPECT_TRUE(Sound());
}

} // namespace

namespace {

// A box replaced by another file, or moved away, while the tool has it open (here while rmdir
// asks on the terminal, between the open and the write): the change is refused with the box's
// name, and neither the file now at the path nor the old one is changed.
TEST_F(CliIntegrity, ABoxReplacedOrMovedWhileOpenIsNotWritten)
{
    ASSERT_EQ(RunCli({"mkdir", FBox, "3", "临时"}, kPwd + "\n").Code, 0);
    const std::string before = ReadFile(FBox);
    ASSERT_EQ(RunCli({"create", Path("other.zmb")}, "other\n").Code, 0);
    const std::string other = ReadFile(Path("other.zmb"));

    struct TCase {
        const char* What;
        std::function<void()> Swap;
        std::string OldFile; // where the old box is afterwards
        const char* Said;
    };
    const TCase cases[] = {
        {"replaced by rename",
         [&] {
             ASSERT_EQ(::link(FBox.c_str(), Path("old.zmb").c_str()), 0);
             ASSERT_EQ(::rename(Path("other.zmb").c_str(), FBox.c_str()), 0);
         },
         Path("old.zmb"), "has been replaced by another file since it was opened"},
        {"moved away", [&] { ASSERT_EQ(::rename(FBox.c_str(), Path("moved.zmb").c_str()), 0); }, Path("moved.zmb"),
         "has been moved or deleted since it was opened"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        WriteFile(FBox, before);
        WriteFile(Path("other.zmb"), other);
        const TCliResult r = RunCliOnTerminal(
            {"rmdir", FBox, "<通用数据>/临时"},
            {{"Password for " + FBox + ": ", kPwd + "\r"}, {"? [y/N] ", "y\r", c.Swap}});
        EXPECT_EQ(r.Code, 3) << r.Out;
        EXPECT_NE(r.Out.find(FBox + ": Database file '" + FBox + "' " + c.Said), std::string::npos) << r.Out;
        EXPECT_EQ(r.Out.find("Deleted"), std::string::npos) << r.Out;
        EXPECT_EQ(ReadFile(c.OldFile), before);
        if (fs::exists(FBox)) {
            EXPECT_EQ(ReadFile(FBox), other);
        }
        fs::remove(Path("old.zmb"));
        fs::remove(Path("moved.zmb"));
    }
}

} // namespace
