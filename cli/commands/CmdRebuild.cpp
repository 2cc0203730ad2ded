// compact FILE, repair FILE [--force]
#include "boxdata/BoxSalvage.h"
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "cli/SignalHold.h"
#include "dataproc/FilePaths.h"
#include "services/PathUtils.h"

#include <iostream>
#include <memory>

namespace {

struct TRebuildOptions {
    std::string File;
    bool Force = false;
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

// A box the check finds sound is rebuilt in place (dead space dropped, indexes built anew). A
// damaged one is salvaged: what can be read goes into a new box beside it, which takes its
// place, and the damaged file is kept as FILE.damaged. The check runs before and after.
int RunRepair(const TRebuildOptions& O)
{
    CheckBoxPath(O.File);
    if (IsFileReadOnly(O.File))
        RaiseFileError(ecFileFault, O.File, "the file is read-only");
    const TSecretString password = ReadPasswordLine(O.File);
    const int64_t before = GetFileSizeByName(O.File);
    std::vector<std::string> found;
    {
        TOpenFileMarker marker;
        marker.Announce(O.File);
        found = VerifyBox(O.File, password);
        if (!found.empty()) {
            for (const std::string& line : found)
                std::cout << "Found: " << line << '\n';
            const std::string kept = O.File + ".damaged";
            TSalvageReport report;
            try {
                TSignalHold hold; // the box is replaced whole or not at all
                report = DbFileMgr.RepairDatabase(O.File, password, kept, O.Force);
            } catch (const std::exception& e) {
                const bool keptBefore = !O.Force && FileExists(kept);
                RaiseFileError(ecFileFault, O.File,
                               std::string("the repair failed, the box is unchanged: ") + e.what() +
                                   (keptBefore ? " (use --force to replace the earlier " + kept + ")" : ""));
            }
            for (const std::string& line : report.Lines)
                std::cout << line << '\n';
            std::cout << "Kept " << Counted(std::size_t(report.Folders), "folder", "folders") << ", "
                      << Counted(std::size_t(report.Entries), "entry", "entries") << " and "
                      << Counted(std::size_t(report.Attachments), "attachment", "attachments") << '\n'
                      << "The damaged box is kept as " << kept << '\n';
            RaiseIfInterrupted(O.File);
        }
    }
    if (found.empty()) {
        std::cout << "No problems found before the rebuild\n";
        TBoxSession session(O.File, opWrite, password);
        Rebuild(session);
    }
    const std::vector<std::string> left = VerifyBox(O.File, password);
    PrintSizes(before, GetFileSizeByName(O.File));
    if (!left.empty()) {
        for (const std::string& line : left)
            std::cout << "Still wrong: " << line << '\n';
        RaiseFileError(ecFileFault, O.File, "the box is still damaged after the repair");
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
        CLI::App* c = App.add_subcommand("repair", "Check the box; rebuild it, or save what can be read of a damaged one");
        c->add_option("FILE", o->File, "The box")->required();
        c->add_flag("--force", o->Force, "Replace FILE.damaged left by an earlier repair");
        c->footer("A damaged box is salvaged: every entry that can be read goes into a new box, which takes the box's "
                  "place; the damaged file is kept as FILE.damaged, and every entry or part left out is listed.");
        Table.Add(c, [o] { return RunRepair(*o); }, &o->File);
    }
}
