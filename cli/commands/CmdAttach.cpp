// attach ls FILE note:ID | attach get FILE ATTACH-ID [-o PATH] | attach add FILE note:ID PATH |
// attach rm FILE ATTACH-ID
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryFields.h"
#include "cli/EntryLookup.h"
#include "cli/EntryRef.h"
#include "cli/EntryView.h"
#include "cli/FileData.h"
#include "cli/Output.h"
#include "cli/PasswordInput.h"

#include <iostream>
#include <memory>

namespace {

struct TAttachOptions {
    std::string File;
    std::string Target; // note:ID, or the attachment id
    std::string Path;
    std::string Name;
    bool Json = false;
    bool Force = false;
};

// The note Text names in the open box (KIND:ID, FOLDER/TITLE or its title).
TEntryRef ResolveNote(TBoxSession& Session, const std::string& Text)
{
    const TFolderTree tree(Session.Box());
    const TEntryRef ref = ResolveEntry(Session.Box(), tree, Text, Session.FileName());
    if (ref.Kind != ztCommItem)
        RaiseUsage(FormatEntryRef(ref.Kind, ref.ID) + " is no note: only notes have attachments");
    return ref;
}

int32_t ParseAttachId(const std::string& Text)
{
    int32_t id = 0;
    if (!ParseId(Text, id))
        RaiseUsage("'" + Text + "' is no attachment id (a positive number, as attach ls shows it)");
    return id;
}

int RunLs(const TAttachOptions& O)
{
    TBoxSession session(O.File, opRead);
    const TEntryRef ref = ResolveNote(session, O.Target);
    TAttachDataHeaderAry list;
    session.Box().GetAttachmentList(list, ref.ID);
    if (O.Json) {
        PrintJson(std::cout, AttachmentsJson(list));
        return ecSuccess;
    }
    if (list.empty()) {
        std::cout << FormatEntryRef(ref.Kind, ref.ID) << " has no attachments\n";
        return ecSuccess;
    }
    TTextTable table({"ID", "SIZE", "NAME"});
    for (const TAttachDataHeader& a : list)
        table.AddRow({std::to_string(a.ID), std::to_string(a.Size), OneLine(a.Name)});
    table.Print(std::cout);
    return ecSuccess;
}

int RunGet(const TAttachOptions& O)
{
    const int32_t id = ParseAttachId(O.Target);
    if (O.Path.empty() && StdoutIsTerminal())
        RaiseUsage("the attachment would go to the terminal: give -o PATH or redirect standard output");
    TBoxSession session(O.File, opRead);
    TMemoryStream content; // wiped when released
    if (!session.Box().GetAttachment(id, content))
        RaiseFileError(ecRejected, O.File, "no attachment " + O.Target);
    const std::size_t size = static_cast<std::size_t>(content.Size());
    if (O.Path.empty())
        WriteStdout(content.Memory(), size);
    else
        WriteNewFile(O.Path, content.Memory(), size, O.Force);
    return ecSuccess;
}

int RunAdd(const TAttachOptions& O)
{
    TAttachData data = ReadAttachmentFile(O.Path, O.Name);
    TBoxSession session(O.File, opWrite);
    const TEntryRef ref = ResolveNote(session, O.Target);
    data.OwnerID = ref.ID;
    int32_t id = 0;
    session.Update([&] { session.Box().AddAttachment(data, id); });
    std::cout << id << '\n';
    return ecSuccess;
}

int RunRm(const TAttachOptions& O)
{
    const int32_t id = ParseAttachId(O.Target);
    TBoxSession session(O.File, opWrite);
    {
        TMemoryStream content;
        if (!session.Box().GetAttachment(id, content))
            RaiseFileError(ecRejected, O.File, "no attachment " + O.Target);
    }
    session.Update([&] { session.Box().DeleteAttachment(id); });
    std::cout << "Deleted attachment " << id << '\n';
    return ecSuccess;
}

CLI::App* AddSub(CLI::App* Parent, TCommandTable& Table, const char* Name, const char* Help,
                 const std::shared_ptr<TAttachOptions>& O, int (*Run)(const TAttachOptions&), const char* TargetName,
                 const char* TargetHelp)
{
    CLI::App* c = Parent->add_subcommand(Name, Help);
    c->add_option("FILE", O->File, "The box")->required();
    c->add_option(TargetName, O->Target, TargetHelp)->required();
    Table.Add(c, [O, Run] { return Run(*O); }, &O->File);
    return c;
}

} // namespace

void AddAttachCommands(CLI::App& App, TCommandTable& Table)
{
    CLI::App* attach = App.add_subcommand("attach", "Files attached to notes: attach ls|get|add|rm");
    attach->require_subcommand(1);
    {
        auto o = std::make_shared<TAttachOptions>();
        CLI::App* c = AddSub(attach, Table, "ls", "List a note's attachments", o, RunLs, "NOTE", "The note: note:ID, FOLDER/TITLE or its title");
        c->add_flag("--json", o->Json, "Print JSON");
    }
    {
        auto o = std::make_shared<TAttachOptions>();
        CLI::App* c = AddSub(attach, Table, "get", "Save an attachment's content", o, RunGet, "ATTACH-ID",
                             "The attachment id (attach ls shows it)");
        c->add_option("-o,--output", o->Path, "Write to this new file (mode 0600) instead of standard output");
        c->add_flag("--force", o->Force, "Replace an existing output file");
    }
    {
        auto o = std::make_shared<TAttachOptions>();
        CLI::App* c = AddSub(attach, Table, "add", "Attach a file to a note", o, RunAdd, "NOTE", "The note: note:ID, FOLDER/TITLE or its title");
        c->add_option("PATH", o->Path, "The file to attach")->required();
        c->add_option("--name", o->Name, "Name to store (default: the file's name; at most 120 bytes)");
        c->footer("Prints the new attachment id.");
    }
    {
        auto o = std::make_shared<TAttachOptions>();
        AddSub(attach, Table, "rm", "Delete an attachment", o, RunRm, "ATTACH-ID", "The attachment id");
    }
}
