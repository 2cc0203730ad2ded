// recover FILE
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/PasswordInput.h"
#include "dataproc/Wipe.h"

#include <iostream>
#include <memory>

namespace {

struct TRecoverOptions {
    std::string File;
};

// Shows the recovery question, reads the answer (without echo on a terminal, else the first
// line of standard input) and prints the password when the answer is exactly right.
int RunRecover(const TRecoverOptions& O)
{
    CheckBoxFile(O.File);
    std::string question, stored;
    const bool hasQuestion = DbFileMgr.GetPwdQuestion(O.File, question, stored);
    WipeString(stored);
    if (!hasQuestion)
        RaiseFileError(ecRejected, O.File, "no recovery question is set");
    std::cerr << "Question: " << question << '\n';
    std::optional<TSecretString> answer = ReadSecretLine("Answer: ");
    std::string password;
    if (!answer || !DbFileMgr.GetPwdByAnswer(O.File, *answer, password))
        RaiseFileError(ecRejected, O.File, "wrong answer");
    std::cout << password << '\n';
    WipeString(password);
    return ecSuccess;
}

} // namespace

void AddRecoverCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TRecoverOptions>();
    CLI::App* c = App.add_subcommand("recover", "Answer the recovery question to read back the password");
    c->add_option("FILE", o->File, "The box")->required();
    c->footer("The question goes to stderr, the password to stdout.");
    Table.Add(c, [o] { return RunRecover(*o); }, &o->File);
}
