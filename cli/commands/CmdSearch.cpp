// search FILE TEXT [--json]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryRef.h"
#include "cli/EntryView.h"
#include "cli/FolderTree.h"
#include "cli/Listings.h"
#include "cli/Output.h"

#include <iostream>
#include <memory>

namespace {

struct TSearchOptions {
    std::string File;
    std::string Text;
    bool Json = false;
};

// The folder of a found entry; -1 when it cannot be read back.
int32_t FolderOfEntry(TDbFileMgr& Box, const TSearchResultItem& R)
{
    if (R.ZembraType == ztNetItem) {
        TZmbNetItem item;
        return Box.GetNetItem(R.ItemID, item) ? item.FolderID : -1;
    }
    if (R.ZembraType == ztBankItem) {
        TZmbBankItem item;
        return Box.GetBankItem(R.ItemID, item) ? item.FolderID : -1;
    }
    TZmbCommItem item;
    return Box.GetCommItem(R.ItemID, item) ? item.FolderID : -1;
}

} // namespace

// Results in the data layer's order: web, bank, then general entries, each by ascending id.
void PrintSearchResults(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree,
                        const TSearchResultItems& Results, bool Json)
{
    if (Json) {
        TJson all = TJson::array();
        for (const TSearchResultItem& r : Results) {
            const int32_t folder = FolderOfEntry(Box, r);
            all.push_back({{"ref", FormatEntryRef(r.ZembraType, r.ItemID)},
                           {"kind", KindName(r.ZembraType)},
                           {"id", r.ItemID},
                           {"folder", folder < 0 ? TJson() : FolderRefJson(Tree, folder)},
                           {"caption", r.Caption}});
        }
        PrintJson(Out, all);
        return;
    }
    if (Results.empty()) {
        Out << "No entries found\n";
        return;
    }
    TTextTable table({"REF", "FOLDER", "CAPTION"});
    for (const TSearchResultItem& r : Results) {
        const int32_t folder = FolderOfEntry(Box, r);
        table.AddRow({FormatEntryRef(r.ZembraType, r.ItemID), folder < 0 ? "?" : OneLine(Tree.PathOf(folder)),
                      OneLine(r.Caption)});
    }
    table.Print(Out);
}

namespace {

int RunSearch(const TSearchOptions& O)
{
    TBoxSession session(O.File, opRead);
    TDbFileMgr& box = session.Box();
    TSearchResultItems results;
    box.Search(O.Text, results);
    const TFolderTree tree(box);
    PrintSearchResults(std::cout, box, tree, results, O.Json);
    return ecSuccess;
}

} // namespace

void AddSearchCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TSearchOptions>();
    CLI::App* c = App.add_subcommand("search", "Find entries whose texts hold TEXT (never their passwords)");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("TEXT", o->Text, "The text to look for; letter case is ignored")->required();
    c->add_flag("--json", o->Json, "Print JSON");
    c->footer("Web entries come first, then bank entries, then notes, each in the order they were added.");
    Table.Add(c, [o] { return RunSearch(*o); }, &o->File);
}
