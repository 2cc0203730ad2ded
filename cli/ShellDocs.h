// The bash completion script and the manual page, both written from the command table itself
// (the build runs `zembrix-cli --complete` and `zembrix-cli --man`), so neither can fall behind
// the commands and options the tool really takes.
#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

void PrintBashCompletion(std::ostream& Out, CLI::App& App);
void PrintManPage(std::ostream& Out, CLI::App& App, const std::string& Version);
