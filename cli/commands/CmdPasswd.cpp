// passwd FILE [--question TEXT --answer-prompt | --no-question] [--allow-empty-password]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FieldCheck.h"
#include "cli/LoginSecrets.h"
#include "cli/PasswordInput.h"
#include "cli/Progress.h"

#include <iostream>
#include <memory>

namespace {

struct TPasswdOptions {
    std::string File;
    TRecoveryOptions Recovery;
    bool NoQuestion = false;
    bool AllowEmpty = false;
};

// The box is rewritten with the new password and is encrypted afterwards, as after a change in
// the desktop program. Without --question or --no-question the recovery question stays.
int RunPasswd(TPasswdOptions& O)
{
    O.Recovery.Check();
    const bool setQuestion = O.Recovery.Given();
    TBoxSession session(O.File, opWrite);
    TSecretString newPassword = ReadNewLoginPassword("New password: ", O.File, O.AllowEmpty);
    const TSecretString answer = setQuestion ? O.Recovery.Answer() : TSecretString();
    TDbFileMgr& box = session.Box();
    session.Rewrite([&] {
        bool changed = false;
        try {
            TProgressBar bar(box, "Rewriting");
            changed = box.ChangePassword(newPassword, true);
        } catch (const std::exception& e) {
            RaiseFileError(ecFileFault, O.File,
                           std::string("the box could not be rewritten; the old password still opens it: ") + e.what());
        }
        if (!changed)
            RaiseFileError(ecFileFault, O.File, "the box could not be rewritten; the old password still opens it");
        if (setQuestion)
            box.SetPwdQuestion(true, O.Recovery.Question(), answer);
        else if (O.NoQuestion)
            box.SetPwdQuestion(false, std::string(), std::string());
    });
    if (HeldSessionPassword(O.File) != nullptr)
        HoldSessionBox(O.File, newPassword); // the session goes on with the new password
    std::cout << "Password changed" << (setQuestion ? "; recovery question set" : "")
              << (O.NoQuestion ? "; recovery question removed" : "") << '\n';
    return ecSuccess;
}

} // namespace

void AddPasswdCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TPasswdOptions>();
    CLI::App* c = App.add_subcommand("passwd", "Change the login password and optionally the recovery question");
    c->add_option("FILE", o->File, "The box")->required();
    o->Recovery.AddOptions(c);
    auto* n = c->add_flag("--no-question", o->NoQuestion, "Remove the recovery question");
    n->excludes(o->Recovery.QuestionOption());
    c->add_flag("--allow-empty-password", o->AllowEmpty, "Take an empty password (the box then has no real protection)");
    c->footer("Reads the current password, then the new one (twice on a terminal; lines of a pipe:\n"
              "current, then new, then the answer of --answer-prompt). The box is encrypted afterwards.");
    Table.Add(c, [o] { return RunPasswd(*o); }, &o->File);
}
