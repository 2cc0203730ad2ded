// rm FILE KIND:ID...
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryLookup.h"
#include "cli/EntryRef.h"
#include "cli/Output.h"

#include <iostream>
#include <memory>

namespace {

struct TRmOptions {
    std::string File;
    std::vector<std::string> Entries;
};

// Every entry is looked up before the first is deleted, so a wrong name deletes nothing.
int RunRm(const TRmOptions& O)
{
    TBoxSession session(O.File, opWrite);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    std::vector<TEntryRef> refs;
    for (const std::string& text : O.Entries) {
        TEntryRef ref;
        try {
            ref = ResolveEntry(box, tree, text, O.File);
        } catch (const ECliError& e) {
            throw ECliError(e.Code(), e.Message() + "; nothing was deleted");
        }
        bool seen = false;
        for (const TEntryRef& r : refs)
            seen = seen || (r.Kind == ref.Kind && r.ID == ref.ID);
        if (!seen)
            refs.push_back(ref);
    }
    session.Update([&] {
        for (const TEntryRef& ref : refs) {
            if (ref.Kind == ztNetItem)
                box.DeleteNetItem(ref.ID);
            else if (ref.Kind == ztBankItem)
                box.DeleteBankItem(ref.ID);
            else
                box.DeleteCommItem(ref.ID); // with its attachments
        }
    });
    std::cout << "Deleted " << Counted(refs.size(), "entry", "entries") << '\n';
    return ecSuccess;
}

} // namespace

void AddRmCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TRmOptions>();
    CLI::App* c = App.add_subcommand("rm", "Delete entries (a note with its attachments)");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("ENTRY", o->Entries, "Each entry: KIND:ID, FOLDER/TITLE or its title")->required();
    Table.Add(c, [o] { return RunRm(*o); }, &o->File);
}
