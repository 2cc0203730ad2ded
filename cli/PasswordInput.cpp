#include "cli/PasswordInput.h"

#include "cli/CliError.h"
#include "dataproc/Wipe.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal settings to restore when the user interrupts a prompt with echo off.
struct termios GSavedTermios;
std::atomic<bool> GEchoOff{false};

void RestoreTerminalAndDie(int Signal)
{
    if (GEchoOff.exchange(false))
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &GSavedTermios);
    std::signal(Signal, SIG_DFL);
    std::raise(Signal);
}

// Echo is off while one of these lives; the interrupt signals restore it before the process ends.
class TNoEcho {
public:
    TNoEcho()
    {
        if (::tcgetattr(STDIN_FILENO, &GSavedTermios) != 0)
            return;
        struct termios quiet = GSavedTermios;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP})
            std::signal(sig, RestoreTerminalAndDie);
        GEchoOff = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~TNoEcho()
    {
        if (GEchoOff.exchange(false))
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &GSavedTermios);
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP})
            std::signal(sig, SIG_DFL);
    }
    TNoEcho(const TNoEcho&) = delete;
    TNoEcho& operator=(const TNoEcho&) = delete;
};

// One line of standard input without its line break; nothing at the end of the input.
std::optional<TSecretString> ReadLine()
{
    std::string line;
    line.reserve(256); // grown in place, so no copy of the secret is left behind in freed memory
    bool any = false;
    for (;;) {
        char c;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        if (line.size() == line.capacity()) {
            std::string bigger;
            bigger.reserve(line.capacity() * 2);
            bigger.assign(line);
            WipeString(line);
            line.swap(bigger);
        }
        line.push_back(c);
    }
    if (!any)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return TSecretString(std::move(line));
}

} // namespace

bool StdinIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool StderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool StdoutIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

std::optional<TSecretString> ReadSecretLine(const std::string& Prompt)
{
    if (!StdinIsTerminal())
        return ReadLine();
    TNoEcho quiet; // before the prompt, so nothing typed after it is echoed
    std::cerr << Prompt << std::flush;
    return ReadLine();
}

TSecretString ReadNewPassword(const std::string& Prompt)
{
    std::optional<TSecretString> first = ReadSecretLine(Prompt);
    if (!first)
        RaiseUsage("no new password given (standard input has ended)");
    if (!StdinIsTerminal())
        return std::move(*first);
    std::optional<TSecretString> again = ReadSecretLine("Repeat it: ");
    if (!again || !(*again == *first))
        RaiseUsage("the two passwords differ");
    return std::move(*first);
}

bool AskYesNo(const std::string& Question)
{
    std::cerr << Question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}
