// Runs zembrix-cli as a subprocess: arguments, bytes for its standard input, and what it printed.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct TCliResult {
    int Code = -1;
    std::string Out;
    std::string Err;
};

// Standard input is a pipe carrying Input, then closed.
TCliResult RunCli(const std::vector<std::string>& Args, const std::string& Input = std::string());
// The same for another program (a peer the tests compare with), by its full path.
TCliResult RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                      const std::string& Input = std::string());

// Standard input, output and error on one pseudo-terminal. Each answer is typed once the output
// so far ends with its prompt (after AtPrompt, when set, has run); Out is everything the
// terminal showed.
struct TPtyExchange {
    std::string Prompt;
    std::string Typed;
    std::function<void()> AtPrompt = nullptr;
};
TCliResult RunCliOnTerminal(const std::vector<std::string>& Args, const std::vector<TPtyExchange>& Script);

// Whole files as bytes, and text split into lines without their line breaks.
std::string ReadFile(const std::string& Path);
void WriteFile(const std::string& Path, const std::string& Data);
std::vector<std::string> Lines(const std::string& Text);
