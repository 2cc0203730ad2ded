// verify FILE
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"

#include <iostream>
#include <memory>

namespace {

struct TVerifyOptions {
    std::string File;
};

// The complete check: every invariant of the file and every rule of the box, read without
// trusting the file, so a damaged box is described rather than refused. One line per problem.
// Sound: exit 0; damaged: exit 3.
int RunVerify(const TVerifyOptions& O)
{
    CheckBoxPath(O.File);
    const TSecretString password = ReadPasswordLine(O.File);
    TOpenFileMarker marker;
    marker.Announce(O.File);
    const std::vector<std::string> problems = VerifyBox(O.File, password);
    if (problems.empty()) {
        std::cout << O.File << ": the box is sound\n";
        return ecSuccess;
    }
    for (const std::string& p : problems)
        std::cout << p << '\n';
    RaiseFileError(ecFileFault, O.File,
                   "the box is damaged (" + std::to_string(problems.size()) +
                       (problems.size() == 1 ? " problem" : " problems") + "); zembrix-cli repair saves what can be read");
}

} // namespace

void AddVerifyCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TVerifyOptions>();
    CLI::App* c = App.add_subcommand("verify", "Check every structure, record, blob and index of a box");
    c->add_option("FILE", o->File, "The box")->required();
    c->footer("Prints one line per problem, naming the table, record and entry; exit 0 when the box is sound, 3 "
              "when it is damaged.");
    Table.Add(c, [o] { return RunVerify(*o); }, &o->File);
}
