// Secrets and answers from the user: on a terminal with a prompt and without echo, otherwise
// line by line from standard input (so scripts pipe them in and they never show in the argument
// list). Lines are read byte by byte so that nothing beyond the lines asked for is consumed.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <optional>
#include <string>

bool StdinIsTerminal();
bool StderrIsTerminal();
bool StdoutIsTerminal();

// The next line: on a terminal after Prompt (on stderr) with echo off, else the next line of
// standard input with one trailing CR/LF removed. Nothing when the input has ended.
std::optional<TSecretString> ReadSecretLine(const std::string& Prompt);

// A new password: asked twice on a terminal (the two must agree), one line from a pipe. Raises a
// usage error when the input has ended or the two differ.
TSecretString ReadNewPassword(const std::string& Prompt);

// A yes/no question on the terminal; false unless the user answers y or yes.
bool AskYesNo(const std::string& Question);
