// The commands of zembrix-cli. Each command file adds its CLI11 subcommand with AddXxxCommand and
// registers what runs when that subcommand is chosen; main parses and runs the chosen one.
// A new command is one more file and one more line in AddAllCommands.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

class TCommandTable {
public:
    using TRunProc = std::function<int()>;

    // Run is called when App (a leaf subcommand) was given on the command line; it answers the
    // exit code. File, when set, names the box for messages about errors nobody expected.
    void Add(CLI::App* App, TRunProc Run, const std::string* File = nullptr);
    // Runs the chosen command; -1 when none was chosen.
    int RunChosen() const;
    // The box of the chosen command ("" when it has none).
    std::string ChosenFile() const;

private:
    struct TEntry {
        CLI::App* App;
        TRunProc Run;
        const std::string* File;
    };
    const TEntry* Chosen() const;
    std::vector<TEntry> FEntries;
};

void AddCreateCommand(CLI::App& App, TCommandTable& Table);
void AddInfoCommand(CLI::App& App, TCommandTable& Table);
void AddTreeCommand(CLI::App& App, TCommandTable& Table);
void AddLsCommand(CLI::App& App, TCommandTable& Table);
void AddShowCommand(CLI::App& App, TCommandTable& Table);
void AddClipCommand(CLI::App& App, TCommandTable& Table); // the one command that needs the desktop
void AddAddCommands(CLI::App& App, TCommandTable& Table);
void AddEditCommand(CLI::App& App, TCommandTable& Table);
void AddRmCommand(CLI::App& App, TCommandTable& Table);
void AddMvCommand(CLI::App& App, TCommandTable& Table);
void AddFolderCommands(CLI::App& App, TCommandTable& Table); // mkdir, rmdir, rename
void AddSearchCommand(CLI::App& App, TCommandTable& Table);
void AddAttachCommands(CLI::App& App, TCommandTable& Table);
void AddPasswdCommand(CLI::App& App, TCommandTable& Table);
void AddRecoverCommand(CLI::App& App, TCommandTable& Table);
void AddRebuildCommands(CLI::App& App, TCommandTable& Table); // compact, repair
void AddVerifyCommand(CLI::App& App, TCommandTable& Table);
void AddGenerateCommand(CLI::App& App, TCommandTable& Table);
void AddDemoCommand(CLI::App& App, TCommandTable& Table);
void AddExportCommand(CLI::App& App, TCommandTable& Table);
void AddImportCommand(CLI::App& App, TCommandTable& Table);
void AddOpenCommand(CLI::App& App, TCommandTable& Table);
void AddAnalyzeCommands(CLI::App& App, TCommandTable& Table); // analyze, estimate

// Every command, in the order the help lists them.
void AddAllCommands(CLI::App& App, TCommandTable& Table);
