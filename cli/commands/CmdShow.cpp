// show FILE KIND:ID [--json] [--show-password]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryRef.h"
#include "cli/EntryView.h"
#include "cli/FolderTree.h"

#include <iostream>
#include <memory>

namespace {

struct TShowOptions {
    std::string File;
    std::string Entry;
    bool Json = false;
    bool ShowPassword = false;
};

int RunShow(const TShowOptions& O)
{
    const TEntryRef ref = ParseEntryRef(O.Entry);
    TBoxSession session(O.File, opRead);
    TDbFileMgr& box = session.Box();
    const auto missing = [&] { RaiseFileError(ecRejected, O.File, "no entry " + O.Entry); };
    if (ref.Kind == ztNetItem) {
        TZmbNetItem item;
        if (!box.GetNetItem(ref.ID, item))
            missing();
        const TFolderTree tree(box);
        if (O.Json)
            PrintJson(std::cout, EntryJson(item, tree, O.ShowPassword));
        else
            PrintEntry(std::cout, item, tree, O.ShowPassword);
    } else if (ref.Kind == ztBankItem) {
        TZmbBankItem item;
        if (!box.GetBankItem(ref.ID, item))
            missing();
        const TFolderTree tree(box);
        if (O.Json)
            PrintJson(std::cout, EntryJson(item, tree, O.ShowPassword));
        else
            PrintEntry(std::cout, item, tree, O.ShowPassword);
    } else {
        TZmbCommItem item;
        if (!box.GetCommItem(ref.ID, item))
            missing();
        const TFolderTree tree(box);
        TAttachDataHeaderAry attachments;
        box.GetAttachmentList(attachments, ref.ID);
        if (O.Json) {
            TJson j = EntryJson(item, tree);
            j["attachments"] = AttachmentsJson(attachments);
            PrintJson(std::cout, j);
        } else {
            PrintEntry(std::cout, item, tree, attachments);
        }
    }
    return ecSuccess;
}

} // namespace

void AddShowCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TShowOptions>();
    CLI::App* c = App.add_subcommand("show", "Show one entry with every field");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("ENTRY", o->Entry, "KIND:ID, KIND being web, bank or note")->required();
    c->add_flag("--json", o->Json, "Print JSON");
    c->add_flag("--show-password", o->ShowPassword, "Show the password instead of \"*\"");
    Table.Add(c, [o] { return RunShow(*o); }, &o->File);
}
