#include "cli/ToolRun.h"

#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/ShellDocs.h"
#include "cli/SignalHold.h"
#include "storage/NorkError.h"

#include <CLI/CLI.hpp>

#include <iostream>

const char* const kExitCodesHelp =
    "Exit codes: 0 success; 1 wrong password or answer, no such entry, folder or attachment, nothing\n"
    "found; 2 usage error; 3 file missing, not a password box, damaged, read-only or in use elsewhere.";

void PrintError(const std::string& Message)
{
    std::cerr << "zembrix-cli: " << Message << '\n';
}

namespace {

const char* const kVersion = "zembrix-cli 1.0";

// Names of the command path Args choose, as far as they name commands ("add web"); stops at the
// first option or at a word that is no command. Unknown, when set, receives that word where a
// command was required (the tool itself, add and attach take nothing else).
std::vector<CLI::App*> CommandPath(CLI::App& App, const std::vector<std::string>& Args, std::string* Unknown)
{
    std::vector<CLI::App*> path;
    CLI::App* at = &App;
    for (const std::string& word : Args) {
        if (word.empty() || word[0] == '-')
            break;
        CLI::App* next = nullptr;
        for (CLI::App* sub : at->get_subcommands([](CLI::App*) { return true; }))
            if (sub->get_name() == word)
                next = sub;
        if (next == nullptr) {
            if (Unknown != nullptr)
                *Unknown = word; // only commands with commands below them come this far
            break;
        }
        path.push_back(next);
        at = next;
        if (at->get_subcommands([](CLI::App*) { return true; }).empty())
            break;
    }
    return path;
}

std::string PathName(const std::vector<CLI::App*>& Path)
{
    std::string name;
    for (CLI::App* a : Path)
        name += (name.empty() ? "" : " ") + a->get_name();
    return name;
}

std::string HelpHint(const std::string& Command)
{
    return Command.empty() ? "run zembrix-cli help" : "run zembrix-cli " + Command + " --help";
}

// help [COMMAND...]: the page of that command, or the list of commands.
int RunHelp(CLI::App& App, const std::vector<std::string>& Words)
{
    std::string unknown;
    const std::vector<CLI::App*> path = CommandPath(App, Words, &unknown);
    if (!unknown.empty() || path.size() < Words.size()) {
        const std::string word = unknown.empty() ? Words[path.size()] : unknown;
        throw ECliError(ecUsage, "help: unknown command '" + word + "' (run zembrix-cli help)");
    }
    if (path.empty())
        std::cout << App.help();
    else
        std::cout << path.back()->help("zembrix-cli " + PathName({path.begin(), path.end() - 1}));
    return ecSuccess;
}

int RunParsed(CLI::App& App, TCommandTable& Table, const std::vector<std::string>& Args)
{
    try {
        std::vector<std::string> reversed(Args.rbegin(), Args.rend()); // CLI11 takes them last first
        App.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        const std::vector<CLI::App*> path = CommandPath(App, Args, nullptr);
        std::cout << (path.empty() ? App.help()
                                   : path.back()->help("zembrix-cli " + PathName({path.begin(), path.end() - 1})));
        return ecSuccess;
    } catch (const CLI::CallForAllHelp&) {
        std::cout << App.help("", CLI::AppFormatMode::All);
        return ecSuccess;
    } catch (const CLI::CallForVersion&) {
        std::cout << kVersion << '\n';
        return ecSuccess;
    } catch (const CLI::ParseError& e) {
        const std::string command = PathName(CommandPath(App, Args, nullptr));
        PrintError((command.empty() ? "" : command + ": ") + e.what() + " (" + HelpHint(command) + ")");
        return ecUsage;
    }
    return Table.RunChosen();
}

// Every page of --help ends with the exit codes, whatever the command wrote above them.
void AddExitCodeFooters(CLI::App* App)
{
    for (CLI::App* sub : App->get_subcommands([](CLI::App*) { return true; })) {
        const std::string own = sub->get_footer();
        sub->footer(own.empty() ? kExitCodesHelp : own + "\n\n" + kExitCodesHelp);
        AddExitCodeFooters(sub);
    }
}

} // namespace

int RunTool(const std::vector<std::string>& Args)
{
    CLI::App app("zembrix-cli: the Zembrix password box from the command line.", "zembrix-cli");
    app.set_version_flag("--version", kVersion);
    TCommandTable table;
    AddAllCommands(app, table);
    app.footer(kExitCodesHelp);
    AddExitCodeFooters(&app);

    try {
        if (Args.empty())
            throw ECliError(ecUsage, "a command is required (run zembrix-cli help)");
        if (Args[0] == "help")
            return RunHelp(app, {Args.begin() + 1, Args.end()});
        if (Args[0] == "--complete")
            return PrintBashCompletion(std::cout, app), ecSuccess;
        if (Args[0] == "--man")
            return PrintManPage(std::cout, app, kVersion), ecSuccess;
        std::string unknown;
        const std::vector<CLI::App*> path = CommandPath(app, Args, &unknown);
        if (!unknown.empty()) {
            const std::string where = PathName(path);
            throw ECliError(ecUsage, (where.empty() ? "" : where + ": ") + "unknown command '" + unknown + "' (" +
                                         HelpHint(where) + ")");
        }
        return RunParsed(app, table, Args);
    } catch (const ECliInterrupted&) {
        throw;
    } catch (const ECliError& e) {
        PrintError(e.Message());
        return e.Code();
    } catch (const ENorkFileCorrupt& e) {
        const std::string file = table.ChosenFile();
        PrintError((file.empty() ? std::string() : file + ": ") + e.what() + kDamageHint);
        return ecFileFault;
    } catch (const std::exception& e) {
        // The data layer's own errors: the box could not be read or written as it should.
        const std::string file = table.ChosenFile();
        PrintError((file.empty() ? std::string() : file + ": ") + e.what());
        return ecFileFault;
    }
}
