// passwd FILE [--question TEXT --answer TEXT | --no-question]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FieldCheck.h"
#include "cli/PasswordInput.h"
#include "cli/Progress.h"

#include <iostream>
#include <memory>

namespace {

struct TPasswdOptions {
    std::string File;
    std::string Question;
    std::string Answer;
    bool NoQuestion = false;
};

// The box is rewritten with the new password and is encrypted afterwards, as after a change in
// the desktop program. Without --question or --no-question the recovery question stays.
int RunPasswd(const TPasswdOptions& O)
{
    const bool setQuestion = !O.Question.empty() || !O.Answer.empty();
    if (setQuestion) {
        if (O.Question.empty() || O.Answer.empty())
            RaiseUsage("--question and --answer go together and must not be empty");
        CheckTextBytes("--question", O.Question, kMaxLoginTextBytes);
        CheckTextBytes("--answer", O.Answer, kMaxLoginTextBytes, true);
    }
    TBoxSession session(O.File, opWrite);
    TSecretString newPassword = ReadNewPassword("New password: ");
    CheckTextBytes("the new password", newPassword.str(), kMaxLoginTextBytes, true);
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
            box.SetPwdQuestion(true, O.Question, O.Answer);
        else if (O.NoQuestion)
            box.SetPwdQuestion(false, std::string(), std::string());
    });
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
    auto* q = c->add_option("--question", o->Question, "New recovery question (at most 64 bytes)");
    auto* a = c->add_option("--answer", o->Answer, "Its answer (at most 64 bytes)");
    auto* n = c->add_flag("--no-question", o->NoQuestion, "Remove the recovery question");
    q->needs(a);
    a->needs(q);
    n->excludes(q);
    n->excludes(a);
    c->footer("Reads the current password, then the new one (twice on a terminal; two lines from a pipe:\n"
              "current, then new). The box is encrypted afterwards.");
    Table.Add(c, [o] { return RunPasswd(*o); }, &o->File);
}
