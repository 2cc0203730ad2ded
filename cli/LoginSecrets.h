// The secrets that protect a whole box, read when it is created or its password changes: the
// login password (never empty by accident) and the recovery answer (which `recover` turns back
// into the password, so it stays off the command line like the password).
#pragma once

#include "boxdata/ZembraTypes.h"

#include <CLI/CLI.hpp>

#include <string>

// A new login password (ReadNewPassword), at most 64 bytes. The empty password is refused with a
// usage error unless AllowEmpty; then a warning says the box has no real protection.
TSecretString ReadNewLoginPassword(const std::string& Prompt, const std::string& FileName, bool AllowEmpty);

// The options --question, --answer (kept, with a warning) and --answer-prompt of a command.
class TRecoveryOptions {
public:
    void AddOptions(CLI::App* App);
    // Checks the options before anything is read or written: a question needs an answer and the
    // other way round, both within 64 bytes. Raises a usage error.
    void Check();
    bool Given() const { return !FQuestion.empty(); }
    const std::string& Question() const { return FQuestion; }
    CLI::Option* QuestionOption() const { return FQuestionOpt; }
    CLI::Option* AnswerOption() const { return FAnswerOpt; }
    CLI::Option* PromptOption() const { return FPromptOpt; }
    // The answer: that of --answer, or read now for --answer-prompt (after the passwords on
    // standard input). Raises a usage error when it is empty or too long.
    TSecretString Answer();

private:
    std::string FQuestion;
    std::string FAnswer;
    bool FPrompt = false;
    CLI::Option* FQuestionOpt = nullptr;
    CLI::Option* FAnswerOpt = nullptr;
    CLI::Option* FPromptOpt = nullptr;
};
