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

// Opens every table with its indexes, reads every record (signatures checked) and blob and walks
// every index; prints one line per problem. Sound: exit 0; damaged: exit 3.
int RunVerify(const TVerifyOptions& O)
{
    CheckBoxFile(O.File);
    const TSecretString password = ReadLoginPassword(O.File);
    TOpenFileMarker marker;
    marker.Announce(O.File);
    std::vector<std::string> problems;
    try {
        problems = DbFileMgr.Verify(O.File, password);
    } catch (const std::exception& e) {
        problems.push_back(e.what());
    }
    if (problems.empty()) {
        std::cout << O.File << ": the box is sound\n";
        return ecSuccess;
    }
    for (const std::string& p : problems)
        std::cout << p << '\n';
    RaiseFileError(ecFileFault, O.File,
                   "the box is damaged (" + std::to_string(problems.size()) +
                       (problems.size() == 1 ? " problem" : " problems") + "); zembrix-cli repair may mend it");
}

} // namespace

void AddVerifyCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TVerifyOptions>();
    CLI::App* c = App.add_subcommand("verify", "Check every table, index, record and blob of a box");
    c->add_option("FILE", o->File, "The box")->required();
    c->footer("Prints what is wrong; exit 0 when the box is sound, 3 when it is damaged.");
    Table.Add(c, [o] { return RunVerify(*o); }, &o->File);
}
