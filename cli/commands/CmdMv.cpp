// mv FILE KIND:ID... --to FOLDER
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryLookup.h"
#include "cli/EntryRef.h"
#include "cli/Output.h"
#include "cli/FolderTree.h"

#include <algorithm>
#include <iostream>
#include <memory>

namespace {

struct TMvOptions {
    std::string File;
    std::vector<std::string> Entries;
    std::string To;
};

// The entries follow the target folder's entries in the order given, as a drop on a folder in
// the main window files them. All must be of the folder's kind and exist before any moves.
int RunMv(const TMvOptions& O)
{
    TBoxSession session(O.File, opWrite);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    TZembraType kind = ztNone;
    TIntegerAry ids;
    for (const std::string& text : O.Entries) {
        TEntryRef ref;
        try {
            ref = ResolveEntry(box, tree, text, O.File);
        } catch (const ECliError& e) {
            throw ECliError(e.Code(), e.Message() + "; nothing was moved");
        }
        if (kind != ztNone && ref.Kind != kind)
            RaiseUsage("the entries to move must be of one kind");
        kind = ref.Kind;
        if (std::find(ids.begin(), ids.end(), ref.ID) == ids.end())
            ids.push_back(ref.ID);
    }
    const int32_t folder = tree.Resolve(O.To, O.File);
    RequireEntryFolder(tree, folder, kind, O.File);
    session.Update([&] {
        if (kind == ztNetItem)
            box.MoveNetItems(ids, folder);
        else if (kind == ztBankItem)
            box.MoveBankItems(ids, folder);
        else
            box.MoveCommItems(ids, folder);
    });
    std::cout << "Moved " << Counted(ids.size(), "entry", "entries") << " to " << tree.PathOf(folder)
              << '\n';
    return ecSuccess;
}

} // namespace

void AddMvCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TMvOptions>();
    CLI::App* c = App.add_subcommand("mv", "Move entries to another folder of their category");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("ENTRY", o->Entries, "Each entry: KIND:ID, FOLDER/TITLE or its title (all of one kind)")->required();
    c->add_option("--to", o->To, "Target folder id or path of names")->required();
    Table.Add(c, [o] { return RunMv(*o); }, &o->File);
}
