// zembrix-cli: the password box from the command line.
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/SignalHold.h"
#include "storage/NorkError.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>

namespace {

const char* const kExitCodes =
    "Exit codes: 0 success; 1 wrong password or answer, no such entry, folder or attachment;\n"
    "2 usage error; 3 file missing, not a password box, damaged, read-only or in use elsewhere.\n"
    "The login password is read from the terminal without echo, or from the first line of\n"
    "standard input when that is not a terminal.";

void PrintError(const std::string& Message)
{
    std::cerr << "zembrix-cli: " << Message << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("zembrix-cli: the Zembrix password box from the command line.", "zembrix-cli");
    app.footer(kExitCodes);
    app.require_subcommand(1);
    app.set_version_flag("--version", "zembrix-cli 1.0");
    TCommandTable table;
    AddAllCommands(app, table);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return ecUsage;
    }

    try {
        return table.RunChosen();
    } catch (const ECliInterrupted& e) {
        // The change was written; now the signal may do what it came for.
        PrintError(e.Message());
        std::signal(e.Signal(), SIG_DFL);
        std::raise(e.Signal());
        return 128 + e.Signal();
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
