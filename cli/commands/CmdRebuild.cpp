// compact FILE, repair FILE
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "services/PathUtils.h"

#include <iostream>
#include <memory>

namespace {

struct TRebuildOptions {
    std::string File;
};

void PrintSizes(int64_t Before, int64_t After)
{
    std::cout << "Size before: " << FormatBytes(Before) << '\n' << "Size after:  " << FormatBytes(After) << '\n';
}

// The box is rewritten into a new file that replaces it only when complete, so a failure leaves
// the box as it was.
void Rebuild(TBoxSession& Session)
{
    bool done = false;
    try {
        Session.Rewrite([&] {
            TProgressBar bar(Session.Box(), "Rewriting");
            done = Session.Box().Compact();
        });
    } catch (const ECliError&) {
        throw;
    } catch (const std::exception& e) {
        RaiseFileError(ecFileFault, Session.FileName(), std::string("the rebuild failed, the box is unchanged: ") + e.what());
    }
    if (!done)
        RaiseFileError(ecFileFault, Session.FileName(), "the box could not be rewritten; it is unchanged");
}

int RunCompact(const TRebuildOptions& O)
{
    TBoxSession session(O.File, opWrite);
    const int64_t before = GetFileSizeByName(O.File);
    Rebuild(session);
    PrintSizes(before, GetFileSizeByName(O.File));
    return ecSuccess;
}

// The rebuild reads every live record and blob without the old indexes and without signature
// checks and builds the indexes anew, so it also mends broken index chains and signatures. It
// needs a box that opens; the check before and after shows what was wrong and what is left.
int RunRepair(const TRebuildOptions& O)
{
    TBoxSession session(O.File, opWrite);
    const TSecretString password = session.Password();
    TDbFileMgr& box = session.Box();
    const int64_t before = GetFileSizeByName(O.File);

    box.CloseDatabase(); // the check opens the file itself
    const std::vector<std::string> found = box.Verify(O.File, password);
    box.OpenDatabase(O.File, password);
    if (found.empty())
        std::cout << "No problems found before the rebuild\n";
    else
        for (const std::string& line : found)
            std::cout << "Found: " << line << '\n';

    Rebuild(session);
    box.CloseDatabase();
    const std::vector<std::string> left = box.Verify(O.File, password);
    PrintSizes(before, GetFileSizeByName(O.File));
    if (!left.empty()) {
        for (const std::string& line : left)
            std::cout << "Still wrong: " << line << '\n';
        RaiseFileError(ecFileFault, O.File, "the box is still damaged after the rebuild");
    }
    std::cout << "The box is sound\n";
    return ecSuccess;
}

} // namespace

void AddRebuildCommands(CLI::App& App, TCommandTable& Table)
{
    {
        auto o = std::make_shared<TRebuildOptions>();
        CLI::App* c = App.add_subcommand("compact", "Rewrite the box without its dead space");
        c->add_option("FILE", o->File, "The box")->required();
        Table.Add(c, [o] { return RunCompact(*o); }, &o->File);
    }
    {
        auto o = std::make_shared<TRebuildOptions>();
        CLI::App* c = App.add_subcommand("repair", "Rewrite the box, rebuilding its indexes, and check it before and after");
        c->add_option("FILE", o->File, "The box")->required();
        Table.Add(c, [o] { return RunRepair(*o); }, &o->File);
    }
}
