// clip FILE ENTRY [--field password|user|account] [--timeout S]
// Puts one field of an entry on the clipboard the way the desktop program copies a password:
// marked secret for clipboard managers, and cleared after the timeout when the clipboard still
// holds it. The box is closed again before the wait; the tool waits until then (or until
// something else is copied), because on the desktop the clipboard's content lives in the
// program that put it there: zembrix-cli-clip, started for it, so that the other commands never
// load the desktop's libraries.
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryLookup.h"
#include "cli/FolderTree.h"
#include "services/AppFolders.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kClipHolder = "zembrix-cli-clip";

// Twenty seconds, as the desktop program clears its copies.
constexpr int kDefaultTimeout = 20;

struct TClipOptions {
    std::string File;
    std::string Entry;
    std::string Field = "password";
    int Timeout = kDefaultTimeout;
};

bool EnvSet(const char* Name)
{
    const char* value = std::getenv(Name);
    return value != nullptr && *value != '\0';
}

// Whether a graphical session is there to hold a clipboard. Where X11 is reachable (also under
// Wayland, through its X11 server) it is used: a program without a window of its own may not
// set the Wayland clipboard.
bool PrepareDisplay()
{
    if (EnvSet("QT_QPA_PLATFORM")) {
        const std::string platform = std::getenv("QT_QPA_PLATFORM");
        if (platform.rfind("xcb", 0) == 0)
            return EnvSet("DISPLAY");
        if (platform.rfind("wayland", 0) == 0)
            return EnvSet("WAYLAND_DISPLAY");
        return true;
    }
    if (EnvSet("DISPLAY")) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        return true;
    }
    return EnvSet("WAYLAND_DISPLAY");
}

// The field's text; a usage error when the entry's kind has no such field.
TSecretString ReadField(const TClipOptions& O)
{
    TBoxSession session(O.File, opRead);
    TDbFileMgr& box = session.Box();
    const TEntryRef Ref = ResolveEntry(box, TFolderTree(box), O.Entry, O.File);
    const auto missing = [&] { RaiseFileError(ecRejected, O.File, "no entry " + O.Entry); };
    const auto noField = [&] { RaiseUsage("--field: " + std::string(KindName(Ref.Kind)) + " entries have no " + O.Field); };
    if (Ref.Kind == ztNetItem) {
        TZmbNetItem item;
        if (!box.GetNetItem(Ref.ID, item))
            missing();
        if (O.Field == "password")
            return item.Password;
        if (O.Field == "user")
            return TSecretString(item.UserName);
        noField();
    }
    if (Ref.Kind == ztBankItem) {
        TZmbBankItem item;
        if (!box.GetBankItem(Ref.ID, item))
            missing();
        if (O.Field == "password")
            return item.Password;
        if (O.Field == "user")
            return TSecretString(item.UserName);
        return TSecretString(item.Account);
    }
    TZmbCommItem item;
    if (!box.GetCommItem(Ref.ID, item))
        missing();
    noField();
    return TSecretString();
}

// The program that holds the clipboard: beside this one, else where it is installed.
std::string ClipHolderPath()
{
    const std::string beside = ProgramFolder() + "/" + kClipHolder;
    if (::access(beside.c_str(), X_OK) == 0)
        return beside;
    return std::string(ZMB_LIBEXEC_DIR) + "/" + kClipHolder;
}

// Hands Text to the holder through a pipe (never on its command line) and waits for it.
int HoldOnClipboard(const std::string& Holder, const TClipOptions& O, const TSecretString& Text)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw ECliError(ecFileFault, std::string("cannot start ") + kClipHolder + ": " + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    const std::string seconds = std::to_string(O.Timeout);
    std::vector<char*> args = {const_cast<char*>(Holder.c_str()), const_cast<char*>(seconds.c_str()),
                               const_cast<char*>(O.Field.c_str()), const_cast<char*>(O.Entry.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, Holder.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (spawned != 0) {
        ::close(fds[1]);
        throw ECliError(ecFileFault, "cannot start " + Holder + ": " + std::strerror(spawned));
    }
    // A holder that ended early must not end this program by SIGPIPE.
    const auto oldPipe = std::signal(SIGPIPE, SIG_IGN);
    const std::string& text = Text.str();
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fds[1]);
    std::signal(SIGPIPE, oldPipe);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw ECliError(ecFileFault, std::string(kClipHolder) + " ended without clearing the clipboard");
    return ecSuccess;
}

int RunClip(const TClipOptions& O)
{
    if (O.Timeout < 1)
        RaiseUsage("--timeout: at least 1 second");
    if (!PrepareDisplay())
        throw ECliError(ecRejected, "no display: the clipboard needs a desktop session (neither DISPLAY nor "
                                    "WAYLAND_DISPLAY is set); nothing was copied");
    // Looked for before the box is opened: without it nothing can be copied.
    const std::string holder = ClipHolderPath();
    if (::access(holder.c_str(), X_OK) != 0)
        throw ECliError(ecFileFault, "cannot find " + holder + ", the part of the tool that holds the clipboard; "
                                     "nothing was copied");
    return HoldOnClipboard(holder, O, ReadField(O));
}

} // namespace

void AddClipCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TClipOptions>();
    CLI::App* c = App.add_subcommand(
        "clip", "Put a password, user name or account number on the clipboard, marked secret, and clear it after the "
                "timeout if it is still there; waits until then");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("ENTRY", o->Entry, "A web or bank entry: KIND:ID, FOLDER/TITLE or a unique title")->required();
    c->add_option("--field", o->Field, "password (the default), user, or account (bank entries)")
        ->check(CLI::IsMember({"password", "user", "account"}));
    c->add_option("--timeout", o->Timeout, "Seconds until the clipboard is cleared (default 20)");
    c->footer("Without a desktop session (DISPLAY and WAYLAND_DISPLAY unset) nothing is read or copied and the "
              "exit code is 1.");
    Table.Add(c, [o] { return RunClip(*o); }, &o->File);
}
