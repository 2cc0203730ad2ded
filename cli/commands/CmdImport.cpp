// import FILE INPUT [--format json|csv|keepass-xml]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FileData.h"
#include "cli/Output.h"
#include "cli/transfer/ImportReader.h"
#include "cli/transfer/ImportSource.h"
#include "cli/transfer/ImportWriter.h"

#include <iostream>
#include <memory>

namespace {

constexpr int64_t kMaxInputBytes = 1ll << 31;

struct TImportOptions {
    std::string File;
    std::string Input;
    std::string Format;
};

bool EndsWith(const std::string& Text, const std::string& Suffix)
{
    if (Text.size() < Suffix.size())
        return false;
    std::string tail = Text.substr(Text.size() - Suffix.size());
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == Suffix;
}

// Without --format, by the input's extension: .xml and .csv, also gzip-packed (.xml.gz), else
// our JSON.
std::string FormatOf(const TImportOptions& O)
{
    if (!O.Format.empty())
        return O.Format;
    const std::string name = EndsWith(O.Input, ".gz") ? O.Input.substr(0, O.Input.size() - 3) : O.Input;
    if (EndsWith(name, ".xml"))
        return "keepass-xml";
    if (EndsWith(name, ".csv"))
        return "csv";
    return "json";
}

int RunImport(const TImportOptions& O)
{
    CheckBoxFile(O.File);
    const std::string format = FormatOf(O);
    TImportSource input(O.Input, kMaxInputBytes);
    if (format == "json" && input.FirstNonSpace() == '<')
        RaiseFileError(ecRejected, O.Input, "not JSON but XML; give --format keepass-xml for a KeePass XML file");
    // The whole input is checked before the box is opened: nothing is written when it does not
    // parse. Storing reads it again.
    const std::unique_ptr<TImportReader> reader = NewImportReader(format, O.Input);
    TImportData plan;
    std::size_t count = 0;
    reader->Check(input, plan, count);

    TBoxSession session(O.File, opWrite);
    std::cout << "Importing " << count << " entries from " << O.Input << " (" << format << ") into " << O.File
              << '\n';
    for (const std::string& n : plan.Notices)
        std::cout << "note: " << n << '\n';
    TImportWriter writer(session.Box(), std::cout, std::cerr);
    try {
        session.Update([&] {
            writer.WriteFolders(plan.Folders);
            input.Rewind();
            reader->Replay(input, [&](TImportEntry& E) { writer.Store(E); });
        });
    } catch (const std::exception& e) {
        const TImportCounts& c = writer.Counts();
        RaiseFileError(ecFileFault, O.File,
                       "the import stopped after " + std::to_string(c.Web + c.Bank + c.Notes) + " of " +
                           std::to_string(count) + " entries: " + e.what());
    }
    const TImportCounts& c = writer.Counts();
    std::cout << "Imported " << Counted(std::size_t(c.Web + c.Bank + c.Notes), "entry", "entries") << " (" << c.Web
              << " web, " << c.Bank << " bank, " << c.Notes << " general) with "
              << Counted(std::size_t(c.Attachments), "attachment", "attachments") << "; created "
              << Counted(std::size_t(c.FoldersCreated), "folder", "folders") << ", reused " << c.FoldersReused << '\n';
    if (c.FieldsCut + c.TextsAltered > 0)
        std::cout << Counted(std::size_t(c.FieldsCut), "field was", "fields were")
                  << " cut to the box's field widths (full texts in the comments) and "
                  << Counted(std::size_t(c.TextsAltered), "text", "texts")
                  << " lost characters the box cannot store: see the warnings\n";
    return ecSuccess;
}

} // namespace

void AddImportCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TImportOptions>();
    CLI::App* c = App.add_subcommand("import", "Add the folders and entries of an export file to a box");
    c->add_option("FILE", o->File, "The box (it must exist)")->required();
    c->add_option("INPUT", o->Input, "The file to import")->required();
    c->add_option("--format", o->Format,
                  "json (zembrix-cli export), csv or keepass-xml; default by INPUT's extension (.csv, .xml, also with .gz), "
                  "else json")
        ->check(CLI::IsMember({"json", "csv", "keepass-xml"}));
    c->footer("Folders are found by path or created; entries go last in their folders. Nothing is written when "
              "INPUT does not parse. A gzip-packed INPUT is unpacked first. Entries of other programs become web "
              "entries below <网上信息> (general entries below <通用数据> when they carry files); fields without a "
              "place and the full text of "
              "fields the box cuts are kept in the comments.");
    Table.Add(c, [o] { return RunImport(*o); }, &o->File);
}
