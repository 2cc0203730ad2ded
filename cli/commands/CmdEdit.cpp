// edit FILE KIND:ID [field options]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryFields.h"
#include "cli/EntryLookup.h"
#include "cli/EntryRef.h"

#include <iostream>
#include <memory>

namespace {

struct TEditOptions {
    std::string File;
    std::string Entry;
    TEntryFields Fields;
};

// Only the given fields change; folder and sort code stay. --attach adds files to a general
// entry (attach rm removes them).
int RunEdit(TEditOptions& O)
{
    if (!O.Fields.AnyGiven())
        RaiseUsage("nothing to change: give at least one field option");
    TBoxSession session(O.File, opWrite);
    TDbFileMgr& box = session.Box();
    const TEntryRef ref = ResolveEntry(box, TFolderTree(box), O.Entry, O.File);
    O.Fields.Prepare(ref.Kind);
    O.Fields.ReadPromptedPassword(ref.Kind);
    const auto missing = [&] { RaiseFileError(ecRejected, O.File, "no entry " + O.Entry); };
    if (ref.Kind == ztNetItem) {
        TZmbNetItem item;
        if (!box.GetNetItem(ref.ID, item))
            missing();
        O.Fields.ApplyTo(item);
        session.Update([&] { box.ModifyNetItem(ref.ID, item); });
    } else if (ref.Kind == ztBankItem) {
        TZmbBankItem item;
        if (!box.GetBankItem(ref.ID, item))
            missing();
        O.Fields.ApplyTo(item);
        session.Update([&] { box.ModifyBankItem(ref.ID, item); });
    } else {
        TZmbCommItem item;
        if (!box.GetCommItem(ref.ID, item))
            missing();
        O.Fields.ApplyTo(item);
        session.Update([&] {
            box.ModifyCommItem(ref.ID, item);
            for (TAttachData& a : O.Fields.Attachments()) {
                a.OwnerID = ref.ID;
                int32_t attachId = 0;
                box.AddAttachment(a, attachId);
            }
        });
    }
    std::cout << "Changed " << FormatEntryRef(ref.Kind, ref.ID) << '\n';
    return ecSuccess;
}

} // namespace

void AddEditCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TEditOptions>();
    CLI::App* c = App.add_subcommand("edit", "Change fields of an entry");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("ENTRY", o->Entry, "KIND:ID (KIND web, bank or note), FOLDER/TITLE or a title of its own")->required();
    o->Fields.AddOptions(c, fkAll, false);
    c->footer("web takes --title --user -p|--generate --link --email --comments;\n"
              "bank takes --bank --account --type --holder -p|--generate --comments;\n"
              "note takes --title --body|--body-file --attach (which adds files).\n"
              "Fields not given keep their values; move entries with mv.");
    Table.Add(c, [o] { return RunEdit(*o); }, &o->File);
}
