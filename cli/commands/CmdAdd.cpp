// add web|bank|note FILE --folder F [fields]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryFields.h"
#include "cli/EntryRef.h"
#include "cli/FolderTree.h"

#include <iostream>
#include <memory>

namespace {

struct TAddOptions {
    TZembraType Kind = ztNone;
    std::string File;
    std::string Folder;
    TEntryFields Fields;
};

// The new entry goes last in its folder: the folder's largest sort code + 10, as the main window
// files it. A general entry's attachments are stored after it, in the order given.
int RunAdd(TAddOptions& O)
{
    O.Fields.Prepare(O.Kind);
    TBoxSession session(O.File, opWrite);
    O.Fields.ReadPromptedPassword(O.Kind);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    const int32_t folder = tree.Resolve(O.Folder, O.File);
    RequireEntryFolder(tree, folder, O.Kind, O.File);

    int32_t id = 0;
    session.Update([&] {
        if (O.Kind == ztNetItem) {
            TZmbNetItem item;
            O.Fields.ApplyTo(item);
            item.FolderID = folder;
            item.SortCode = box.GetNetMaxSortCode(folder) + 10;
            box.AddNetItem(item, id);
        } else if (O.Kind == ztBankItem) {
            TZmbBankItem item;
            O.Fields.ApplyTo(item);
            item.FolderID = folder;
            item.SortCode = box.GetBankMaxSortCode(folder) + 10;
            box.AddBankItem(item, id);
        } else {
            TZmbCommItem item;
            O.Fields.ApplyTo(item);
            item.FolderID = folder;
            item.SortCode = box.GetCommMaxSortCode(folder) + 10;
            box.AddCommItem(item, id);
            for (TAttachData& a : O.Fields.Attachments()) {
                a.OwnerID = id;
                int32_t attachId = 0;
                box.AddAttachment(a, attachId);
            }
        }
    });
    std::cout << FormatEntryRef(O.Kind, id) << '\n';
    return ecSuccess;
}

void AddOne(CLI::App* Add, TCommandTable& Table, TZembraType Kind, unsigned FieldKinds, const char* Help)
{
    auto o = std::make_shared<TAddOptions>();
    o->Kind = Kind;
    CLI::App* c = Add->add_subcommand(KindName(Kind), Help);
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("--folder", o->Folder, "Folder id or path of names")->required();
    o->Fields.AddOptions(c, FieldKinds, true);
    c->footer("Prints the new entry as KIND:ID. Text that the box would cut or could not store is refused.");
    Table.Add(c, [o] { return RunAdd(*o); }, &o->File);
}

} // namespace

void AddAddCommands(CLI::App& App, TCommandTable& Table)
{
    CLI::App* add = App.add_subcommand("add", "Add an entry: add web|bank|note FILE --folder F ...");
    add->require_subcommand(1);
    AddOne(add, Table, ztNetItem, fkWeb, "Add a web account");
    AddOne(add, Table, ztBankItem, fkBank, "Add a bank account");
    AddOne(add, Table, ztCommItem, fkNote, "Add a general entry (a note, with attached files)");
}
