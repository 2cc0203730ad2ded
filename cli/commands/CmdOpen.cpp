// open FILE [--lock-after SECONDS]: an interactive session on one box.
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/PasswordInput.h"
#include "cli/SessionInput.h"
#include "cli/SignalHold.h"
#include "cli/ToolRun.h"
#include "services/AppFolders.h"
#include "services/AppOptMgr.h"
#include "services/IniFile.h"
#include "services/OpenFileLock.h"

#include <csignal>
#include <iostream>
#include <memory>

namespace {

struct TOpenOptions {
    std::string File;
    int LockAfter = 0; // seconds; 0: from the options file
};

constexpr int kDefaultIdleMinutes = 5;

// The idle time of the options file (AutoLockMinutes, as the desktop program's lock uses it), or
// five minutes when the file does not set it.
std::chrono::milliseconds IdleTime(const TOpenOptions& O)
{
    if (O.LockAfter > 0)
        return std::chrono::seconds(O.LockAfter);
    int minutes = kDefaultIdleMinutes;
    try {
        const TIniFile ini(AppOptionsFileName(ProgramFolder()));
        const std::string value = ini.ReadString("Options", AppOpt::AutoLockMinutes, "");
        if (!value.empty() && std::stoi(value) > 0)
            minutes = std::stoi(value);
    } catch (const std::exception&) {
        // An unreadable or odd value keeps the default.
    }
    return std::chrono::minutes(minutes);
}

// The words a session line names: the same commands, FILE left out (the session's box is put in
// where the command takes FILE).
std::vector<std::string> WithSessionFile(const std::vector<std::string>& Words, const std::string& File)
{
    CLI::App app;
    TCommandTable table;
    AddAllCommands(app, table);
    std::vector<std::string> out;
    CLI::App* at = &app;
    std::size_t i = 0;
    for (; i < Words.size(); ++i) {
        CLI::App* next = nullptr;
        for (CLI::App* sub : at->get_subcommands([](CLI::App*) { return true; }))
            if (sub->get_name() == Words[i])
                next = sub;
        if (next == nullptr)
            break;
        out.push_back(Words[i]);
        at = next;
    }
    const auto options = at->get_options();
    for (const CLI::Option* o : options)
        if (o->get_positional()) {
            if (o->get_name() == "FILE")
                out.push_back(File);
            break;
        }
    out.insert(out.end(), Words.begin() + static_cast<std::ptrdiff_t>(i), Words.end());
    return out;
}

// Asks for the password until it is right. False when the input ends first.
bool Unlock(const std::string& File)
{
    for (;;) {
        std::optional<TSecretString> typed = ReadSecretLine("Locked. Password for " + File + ": ");
        if (!typed)
            return false;
        if (DbFileMgr.CheckPassword(File, *typed)) {
            HoldSessionBox(File, *typed);
            return true;
        }
        PrintError(File + ": wrong password");
    }
}

[[noreturn]] void EndBySignal(TOpenFileMarker& Marker, int Signal)
{
    ReleaseSessionBox();
    Marker.Withdraw(); // the signal's default action ends the process without destructors
    std::signal(Signal, SIG_DFL);
    std::raise(Signal);
    std::exit(128 + Signal);
}

int RunOpen(const TOpenOptions& O)
{
    // Opened once to check the file and the password; every command then opens it again with the
    // held password, so each change is written and closed as a single command's would be.
    std::unique_ptr<TBoxSession> first = std::make_unique<TBoxSession>(O.File, opRead);
    const TSecretString password = first->Password();
    first.reset();
    TOpenFileMarker marker;
    marker.Announce(O.File);
    HoldSessionBox(O.File, password);

    const std::chrono::milliseconds idle = IdleTime(O);
    TSessionInput input(idle);
    const bool terminal = StdinIsTerminal();
    if (terminal)
        std::cerr << "Session on " << O.File << ": commands without FILE, \"help\" lists them, \"exit\" ends it.\n";
    int code = ecSuccess;
    std::string line;
    std::vector<std::string> words;
    for (;;) {
        const TSessionRead got = input.Read("zembrix> ", line);
        if (got == srEnd) {
            if (terminal)
                std::cerr << '\n'; // Ctrl-D left the cursor after the prompt
            break;
        }
        if (got == srSignal) {
            std::cerr << '\n';
            PrintError(O.File + ": session closed by " + (input.Signal() == SIGINT ? std::string("SIGINT")
                                                          : input.Signal() == SIGTERM ? "SIGTERM"
                                                                                      : "SIGHUP"));
            EndBySignal(marker, input.Signal());
        }
        if (got == srIdle) {
            ReleaseSessionBox();
            std::cerr << "\nzembrix-cli: " << O.File << ": locked after "
                      << std::chrono::duration_cast<std::chrono::seconds>(idle).count() << " s without use\n";
            if (!Unlock(O.File))
                break;
            continue;
        }
        if (!input.Split(line, words)) {
            PrintError("a quote is not closed");
            code = ecUsage;
            continue;
        }
        if (words.empty())
            continue;
        if (words[0] == "exit" || words[0] == "quit")
            break;
        if (words[0] == "open" || words[0] == "create") {
            PrintError(words[0] + ": not inside a session (exit first)");
            code = ecUsage;
            continue;
        }
        try {
            code = RunTool(words[0] == "help" ? words : WithSessionFile(words, O.File));
        } catch (const ECliInterrupted& e) {
            PrintError(e.Message());
            EndBySignal(marker, e.Signal());
        }
        marker.Announce(O.File); // a compaction or repair made a new file of the box
        std::cout << std::flush;
    }
    ReleaseSessionBox();
    if (terminal)
        std::cerr << "Closed " << O.File << '\n';
    return code;
}

} // namespace

void AddOpenCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TOpenOptions>();
    CLI::App* c = App.add_subcommand("open", "Open a box once and run commands on it (an interactive session)");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("--lock-after", o->LockAfter,
                  "Ask for the password again after this many seconds without use (default: AutoLockMinutes of "
                  "the options file, else 5 minutes)")
        ->check(CLI::Range(1, 86400 * 7));
    c->footer("Reads the password once, then commands as on the command line without FILE, with line editing\n"
              "and a history kept in memory only (on a terminal), or one per line from a pipe. \"exit\", the end\n"
              "of the input or SIGINT/SIGTERM/SIGHUP close the box; the exit code is that of the last command.");
    Table.Add(c, [o] { return RunOpen(*o); }, &o->File);
}
