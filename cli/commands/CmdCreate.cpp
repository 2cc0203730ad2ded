// create FILE [--no-encrypt] [--question TEXT --answer-prompt] [--allow-empty-password] [--force]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FieldCheck.h"
#include "cli/LoginSecrets.h"
#include "cli/PasswordInput.h"
#include "cli/SignalHold.h"
#include "dataproc/FilePaths.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TCreateOptions {
    std::string File;
    bool NoEncrypt = false;
    bool AllowEmpty = false;
    TRecoveryOptions Recovery;
    bool Force = false;
};

// The data layer writes the new box under a temporary name beside FILE and renames it into place
// when it is complete, so a failed create leaves no half-written box and --force never destroys
// the old box before the new one exists.
int RunCreate(TCreateOptions& O)
{
    O.Recovery.Check();
    const bool useQuestion = O.Recovery.Given();
    if (useQuestion && O.NoEncrypt)
        RaiseUsage("a recovery question needs an encrypted box (drop --no-encrypt)");
    struct stat st {};
    const bool exists = ::lstat(O.File.c_str(), &st) == 0;
    if (exists && !O.Force)
        RaiseFileError(ecUsage, O.File, "the file exists (use --force to replace it)");
    if (exists && !S_ISREG(st.st_mode))
        RaiseFileError(ecUsage, O.File, "exists and is not a regular file");
    if (exists && IsFileOpenedElsewhere(O.File))
        RaiseFileError(ecFileFault, O.File, "the box is open in another Zembrix program; close it there first");

    TSecretString password, answer;
    if (!O.NoEncrypt)
        password = ReadNewLoginPassword("New password for " + O.File + ": ", O.File, O.AllowEmpty);
    if (useQuestion)
        answer = O.Recovery.Answer();

    bool created = false;
    {
        TSignalHold hold; // the new box is whole in its place or not there at all
        try {
            created = DbFileMgr.CreateDatabase(O.File, password, !O.NoEncrypt, useQuestion, O.Recovery.Question(),
                                               answer);
        } catch (const std::exception& e) {
            RaiseFileError(ecFileFault, O.File, std::string("cannot create the box: ") + e.what());
        }
    }
    if (!created) {
        const std::string folder = FolderOf(FullPath(O.File));
        const std::string why = ::access(folder.c_str(), W_OK | X_OK) != 0 ? std::strerror(errno) : "unknown reason";
        RaiseFileError(ecFileFault, O.File, "cannot create the file in " + folder + ": " + why);
    }
    RaiseIfInterrupted(O.File);
    std::cout << "Created " << O.File << (O.NoEncrypt ? " (not encrypted)" : " (encrypted)")
              << (useQuestion ? " with a recovery question" : "") << '\n';
    return ecSuccess;
}

} // namespace

void AddCreateCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TCreateOptions>();
    CLI::App* c = App.add_subcommand("create", "Create a new password box with the default folders");
    c->add_option("FILE", o->File, "The new box (.zmb)")->required();
    c->add_flag("--no-encrypt", o->NoEncrypt, "Store the box unencrypted (no password is asked)");
    o->Recovery.AddOptions(c);
    c->add_flag("--allow-empty-password", o->AllowEmpty, "Take an empty password (the box then has no real protection)");
    c->add_flag("--force", o->Force, "Replace an existing file");
    c->footer("The new password is asked twice on a terminal, or read from the first line of standard input;\n"
              "with --answer-prompt the recovery answer follows (twice on a terminal, the next line of a pipe).");
    Table.Add(c, [o] { return RunCreate(*o); }, &o->File);
}
