// export FILE [--format json|csv|keepass-xml] [-o OUT [--force]] [--salvage]
#include "boxdata/BoxSalvage.h"
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FileData.h"
#include "cli/FolderTree.h"
#include "cli/SignalHold.h"
#include "cli/Output.h"
#include "cli/transfer/BoxSnapshot.h"
#include "cli/transfer/FormatCsv.h"
#include "cli/transfer/FormatJson.h"
#include "cli/transfer/FormatKeePassXml.h"
#include "cli/transfer/SecretMemory.h"
#include "dataproc/FilePaths.h"

#include <iostream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TExportOptions {
    std::string File;
    std::string Format = "json";
    std::string Out;
    bool Force = false;
    bool Salvage = false;
};

// Writes the open box in the chosen format; Notes (a salvage's report) follow on stderr.
int ExportBox(TDbFileMgr& Box, const TExportOptions& O, const std::vector<std::string>& Notes)
{
    const TFolderTree tree(Box);
    const TBoxSnapshot snap = ReadBoxSnapshot(Box, tree, O.File);
    TSecretText text;
    std::vector<std::string> warnings;
    if (O.Format == "csv") {
        WriteCsvExport(snap, text);
        if (snap.AttachmentCount > 0)
            warnings.push_back(Counted(snap.AttachmentCount, "attachment is", "attachments are") +
                               " not in the export: CSV has no place for files (json and keepass-xml keep them)");
    } else if (O.Format == "keepass-xml")
        WriteKeePassXmlExport(snap, text, warnings);
    else
        WriteJsonExport(snap, text);

    // CSV carries no files, so its summary does not count them (the warning below says so).
    std::string what = Counted(snap.WebCount + snap.BankCount + snap.NoteCount, "entry", "entries") + " in " +
                       Counted(snap.Folders.size(), "folder", "folders");
    if (O.Format != "csv")
        what += ", " + Counted(snap.AttachmentCount, "attachment", "attachments");
    if (O.Out.empty()) {
        WriteStdout(text.Str().data(), text.Str().size());
        std::cerr << "zembrix-cli: exported " << what
                  << "; the export holds the passwords in clear text: keep it where nobody else can read it\n";
    } else {
        WriteNewFile(O.Out, text.Str().data(), text.Str().size(), O.Force);
        std::cerr << "zembrix-cli: exported " << what << " to " << O.Out
                  << " (mode 0600: readable by you only); it holds the passwords in clear text: delete it when "
                     "done\n";
    }
    for (const std::string& w : warnings)
        std::cerr << "zembrix-cli: warning: " << w << '\n';
    for (const std::string& n : Notes)
        std::cerr << "zembrix-cli: salvage: " << n << '\n';
    return ecSuccess;
}

// The box as a salvage reads it: everything readable goes into a temporary box (encrypted like
// the box, readable by the user only, removed afterwards), which is then exported.
int ExportSalvaged(const TExportOptions& O)
{
    CheckBoxPath(O.File);
    const TSecretString password = ReadPasswordLine(O.File);
    TOpenFileMarker marker;
    marker.Announce(O.File);
    {
        // An interruption waits, so the temporary box (a copy of the secrets) goes on every path.
        TSignalHold hold;
        const std::string temp = CreateTempFile(TempFolder(), "zembrix-salvage-");
        struct TRemove {
            const std::string& File;
            ~TRemove() { ::unlink(File.c_str()); }
        } remove{temp};
        TSalvageReport report;
        ScanBoxFile(O.File, [&] { report = DbFileMgr.SalvageDatabase(O.File, password, temp); });
        DbFileMgr.OpenDatabase(temp, password);
        try {
            ExportBox(DbFileMgr, O, report.Lines);
        } catch (...) {
            DbFileMgr.CloseDatabase();
            throw;
        }
        DbFileMgr.CloseDatabase();
    }
    RaiseIfInterrupted(O.File);
    return ecSuccess;
}

int RunExport(const TExportOptions& O)
{
    struct stat st {};
    if (!O.Out.empty() && !O.Force && ::lstat(O.Out.c_str(), &st) == 0)
        RaiseFileError(ecUsage, O.Out, "the file exists (use --force to replace it)");
    UseWipingAllocForXml();
    if (O.Salvage)
        return ExportSalvaged(O);
    TBoxSession session(O.File, opRead);
    return ExportBox(session.Box(), O, {});
}

} // namespace

void AddExportCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TExportOptions>();
    CLI::App* c = App.add_subcommand("export", "Write every folder, entry and attachment to a file");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("--format", o->Format, "json (default; everything, for another box), csv or keepass-xml")
        ->check(CLI::IsMember({"json", "csv", "keepass-xml"}));
    c->add_option("-o,--output", o->Out, "Write to this new file (mode 0600) instead of standard output");
    c->add_flag("--force", o->Force, "Replace an existing output file");
    c->add_flag("--salvage", o->Salvage,
                "Export what can be read of a damaged box, and list on stderr what was left out or changed");
    c->footer("The export holds every password in clear text. CSV leaves attachments out.");
    Table.Add(c, [o] { return RunExport(*o); }, &o->File);
}
