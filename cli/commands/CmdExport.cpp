// export FILE [--format json|csv|keepass-xml] [-o OUT [--force]]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FileData.h"
#include "cli/FolderTree.h"
#include "cli/transfer/BoxSnapshot.h"
#include "cli/transfer/FormatCsv.h"
#include "cli/transfer/FormatJson.h"
#include "cli/transfer/FormatKeePassXml.h"
#include "cli/transfer/SecretMemory.h"

#include <iostream>
#include <memory>
#include <sys/stat.h>

namespace {

struct TExportOptions {
    std::string File;
    std::string Format = "json";
    std::string Out;
    bool Force = false;
};

std::string Counted(std::size_t N, const char* One, const char* Many)
{
    return std::to_string(N) + " " + (N == 1 ? One : Many);
}

int RunExport(const TExportOptions& O)
{
    struct stat st {};
    if (!O.Out.empty() && !O.Force && ::lstat(O.Out.c_str(), &st) == 0)
        RaiseFileError(ecUsage, O.Out, "the file exists (use --force to replace it)");
    UseWipingAllocForXml();

    TBoxSession session(O.File, opRead);
    const TFolderTree tree(session.Box());
    const TBoxSnapshot snap = ReadBoxSnapshot(session.Box(), tree, O.File);
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

    const std::string what = Counted(snap.WebCount + snap.BankCount + snap.NoteCount, "entry", "entries") + " in " +
                             Counted(snap.Folders.size(), "folder", "folders") + ", " +
                             Counted(snap.AttachmentCount, "attachment", "attachments");
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
    return ecSuccess;
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
    c->footer("The export holds every password in clear text. CSV leaves attachments out.");
    Table.Add(c, [o] { return RunExport(*o); }, &o->File);
}
