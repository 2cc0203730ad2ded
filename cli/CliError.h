// Exit codes of zembrix-cli and the error that carries one from a command to main.
#pragma once

#include "dataproc/Exception.h"

#include <string>

enum TExitCode : int {
    ecSuccess = 0,
    ecRejected = 1, // wrong password or answer; no such entry, folder or attachment
    ecUsage = 2,    // bad arguments, or input the box cannot take
    ecFileFault = 3 // file missing, not a box, damaged, read-only or in use elsewhere
};

// Ends the command with Code; the message is the one line printed on stderr after "zembrix-cli: ".
class ECliError : public Exception {
public:
    ECliError(TExitCode Code, std::string Message) : Exception(std::move(Message)), FCode(Code) {}
    TExitCode Code() const { return FCode; }

private:
    TExitCode FCode;
};

// Appended to messages about a box that is damaged: what the user can do about it.
inline constexpr const char* kDamageHint = " (zembrix-cli verify shows what is wrong, repair saves what can be read)";

// "FILE: Reason", the form of every message about a box.
[[noreturn]] void RaiseFileError(TExitCode Code, const std::string& FileName, const std::string& Reason);
[[noreturn]] void RaiseUsage(const std::string& Message);
