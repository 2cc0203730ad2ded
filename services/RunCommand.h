// Runs a helper program of the desktop (MIME database, default applications) and waits for it.
#pragma once

#include <string>
#include <vector>

// Runs Argv[0] (searched in PATH) with the arguments that follow, its output discarded, and
// answers its exit status; −1 when it could not be started or did not exit normally.
int RunCommand(const std::vector<std::string>& Argv);

// True when Program is an executable file in one of the PATH folders.
bool FindInPath(const std::string& Program);
