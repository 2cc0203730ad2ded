#include "cli/CliError.h"

void RaiseFileError(TExitCode Code, const std::string& FileName, const std::string& Reason)
{
    throw ECliError(Code, FileName + ": " + Reason);
}

void RaiseUsage(const std::string& Message)
{
    throw ECliError(ecUsage, Message);
}
