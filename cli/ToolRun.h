// One run of the tool over an argument list: builds the command table, parses, runs the chosen
// command and turns every error into its one-line message and exit code. main runs it once; the
// interactive session runs it for every line it reads.
#pragma once

#include <string>
#include <vector>

// The exit-code paragraph that ends every --help page.
extern const char* const kExitCodesHelp;

// Args without the program name. Answers the exit code; raises nothing but ECliInterrupted
// (a signal held off during a change, which the caller passes on).
int RunTool(const std::vector<std::string>& Args);

// Prints "zembrix-cli: Message" on stderr.
void PrintError(const std::string& Message);
