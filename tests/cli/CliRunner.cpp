#include "CliRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Every run ends within this time; a hung tool fails the test instead of the whole suite.
constexpr auto kTimeout = std::chrono::seconds(60);

std::vector<char*> Argv(const std::string& Program, const std::vector<std::string>& Args,
                        std::vector<std::string>& Storage)
{
    Storage.clear();
    Storage.push_back(Program);
    Storage.insert(Storage.end(), Args.begin(), Args.end());
    std::vector<char*> argv;
    for (std::string& s : Storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    return argv;
}

int WaitExit(pid_t Pid)
{
    int status = 0;
    while (::waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

} // namespace

TCliResult RunCli(const std::vector<std::string>& Args, const std::string& Input)
{
    return RunProgram(ZEMBRIX_CLI, Args, Input);
}

TCliResult RunProgram(const std::string& Program, const std::vector<std::string>& Args, const std::string& Input)
{
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    std::vector<std::string> storage;
    std::vector<char*> argv = Argv(Program, Args, storage);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    TCliResult r;
    std::size_t written = 0;
    int inFd = in[1];
    if (Input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
        if (::poll(fds, inFd >= 0 ? 3 : 2, 1000) < 0 && errno != EINTR)
            break;
        char buf[65536];
        for (int i = 0; i < 2; ++i) {
            if (!(i == 0 ? outOpen : errOpen) || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0)
                (i == 0 ? r.Out : r.Err).append(buf, static_cast<std::size_t>(n));
            else
                (i == 0 ? outOpen : errOpen) = false;
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(inFd, Input.data() + written, Input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 || written == Input.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0)
        ::close(inFd);
    ::close(out[0]);
    ::close(err[0]);
    r.Code = WaitExit(pid);
    return r;
}

TCliResult RunCliOnTerminal(const std::vector<std::string>& Args, const std::vector<TPtyExchange>& Script)
{
    std::vector<std::string> storage;
    std::vector<char*> argv = Argv(ZEMBRIX_CLI, Args, storage);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0)
        throw std::runtime_error("forkpty failed");
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    TCliResult r;
    std::size_t step = 0;
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (step < Script.size() && r.Out.size() >= Script[step].Prompt.size() &&
            r.Out.compare(r.Out.size() - Script[step].Prompt.size(), std::string::npos, Script[step].Prompt) == 0) {
            if (Script[step].AtPrompt)
                Script[step].AtPrompt();
            const std::string& t = Script[step].Typed;
            if (::write(master, t.data(), t.size()) != static_cast<ssize_t>(t.size()))
                break;
            ++step;
        }
        pollfd fd{master, POLLIN, 0};
        if (::poll(&fd, 1, 200) < 0 && errno != EINTR)
            break;
        if (fd.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buf[4096];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break; // EIO once the tool has ended and closed the terminal
            r.Out.append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(master);
    r.Code = WaitExit(pid);
    return r;
}

std::string ReadFile(const std::string& Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& Path, const std::string& Data)
{
    std::ofstream(Path, std::ios::binary) << Data;
}

std::vector<std::string> Lines(const std::string& Text)
{
    std::vector<std::string> out;
    std::istringstream in(Text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}
