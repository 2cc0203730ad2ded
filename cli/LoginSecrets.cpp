#include "cli/LoginSecrets.h"

#include "cli/CliError.h"
#include "cli/FieldCheck.h"
#include "cli/PasswordInput.h"
#include "dataproc/Wipe.h"

#include <iostream>

TSecretString ReadNewLoginPassword(const std::string& Prompt, const std::string& FileName, bool AllowEmpty)
{
    TSecretString password = ReadNewPassword(Prompt);
    CheckTextBytes("the password", password.str(), kMaxLoginTextBytes, true);
    if (password.str().empty()) {
        if (!AllowEmpty)
            RaiseUsage(FileName + ": the password is empty; an empty password gives the box no real protection "
                                  "(give --allow-empty-password to use it anyway)");
        std::cerr << "zembrix-cli: warning: " << FileName
                  << ": the box has the empty password: anybody who has the file can open it; it has no real "
                     "protection\n";
    }
    return password;
}

void TRecoveryOptions::AddOptions(CLI::App* App)
{
    FQuestionOpt = App->add_option("--question", FQuestion, "Recovery question (at most 64 bytes)");
    FPromptOpt = App->add_flag("--answer-prompt", FPrompt,
                               "Read the answer to the recovery question: twice without echo on a terminal, else "
                               "the next line of standard input (after the passwords); at most 64 bytes");
    FAnswerOpt = App->add_option("--answer", FAnswer,
                                 "The answer as text (others can see it in the process list: use --answer-prompt)");
    FPromptOpt->excludes(FAnswerOpt);
    FPromptOpt->needs(FQuestionOpt);
    FAnswerOpt->needs(FQuestionOpt);
}

void TRecoveryOptions::Check()
{
    if (FQuestionOpt->count() == 0)
        return;
    if (FQuestion.empty())
        RaiseUsage("--question must not be empty");
    if (FAnswerOpt->count() == 0 && !FPrompt)
        RaiseUsage("--question needs its answer: give --answer-prompt");
    CheckTextBytes("--question", FQuestion, kMaxLoginTextBytes);
    if (FAnswerOpt->count() > 0) {
        std::cerr << "zembrix-cli: warning: --answer shows the recovery answer, which gives back the password, to "
                     "every user in the process list; use --answer-prompt\n";
        if (FAnswer.empty())
            RaiseUsage("--answer must not be empty");
        CheckTextBytes("--answer", FAnswer, kMaxLoginTextBytes, true);
    }
}

TSecretString TRecoveryOptions::Answer()
{
    if (!FPrompt) {
        TSecretString answer(FAnswer);
        WipeString(FAnswer);
        return answer;
    }
    std::optional<TSecretString> first = ReadSecretLine("Answer to the recovery question: ");
    if (!first)
        RaiseUsage("no recovery answer given (standard input has ended)");
    if (StdinIsTerminal()) {
        std::optional<TSecretString> again = ReadSecretLine("Repeat it: ");
        if (!again || !(*again == *first))
            RaiseUsage("the two answers differ");
    }
    if (first->str().empty())
        RaiseUsage("the recovery answer must not be empty");
    CheckTextBytes("the recovery answer", first->str(), kMaxLoginTextBytes, true);
    return std::move(*first);
}
