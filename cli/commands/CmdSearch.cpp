// search FILE TEXT [--json]
#include "boxdata/TextMatcher.h"
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/CutPasswords.h"
#include "cli/EntryRef.h"
#include "cli/EntryView.h"
#include "cli/FolderTree.h"
#include "cli/Listings.h"
#include "cli/Output.h"

#include <algorithm>
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

// Whether the entry is found without the cut passwords its comments keep: the data layer reads
// the comments whole, and a password must never be what a search matches.
template <class TItem>
bool FoundBesidesCutPasswords(const TTextMatcher& Matcher, const TItem& Item, std::vector<std::string> Fields)
{
    Fields.push_back(WithoutCutPasswords(Item.Comments));
    return std::any_of(Fields.begin(), Fields.end(), [&](const std::string& F) { return Matcher.FoundInUtf8(F); });
}

bool FoundBesidesCutPasswords(TDbFileMgr& Box, const TTextMatcher& Matcher, const TSearchResultItem& R)
{
    if (R.ZembraType == ztNetItem) {
        TZmbNetItem i;
        if (!Box.GetNetItem(R.ItemID, i) || MaskCutPasswords(i.Comments) == i.Comments)
            return true;
        return FoundBesidesCutPasswords(Matcher, i, {i.Caption, i.UserName, i.Hyperlink, i.Email});
    }
    if (R.ZembraType == ztBankItem) {
        TZmbBankItem i;
        if (!Box.GetBankItem(R.ItemID, i) || MaskCutPasswords(i.Comments) == i.Comments)
            return true;
        return FoundBesidesCutPasswords(Matcher, i, {i.BankName, i.AccType, i.Account, i.UserName});
    }
    return true;
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
    const TTextMatcher matcher(O.Text);
    std::erase_if(results, [&](const TSearchResultItem& R) { return !FoundBesidesCutPasswords(box, matcher, R); });
    const TFolderTree tree(box);
    PrintSearchResults(std::cout, box, tree, results, O.Json);
    return results.empty() ? ecRejected : ecSuccess; // as grep: scripts test for a hit by the code
}

} // namespace

void AddSearchCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TSearchOptions>();
    CLI::App* c = App.add_subcommand("search", "Find entries whose texts hold TEXT (never their passwords)");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("TEXT", o->Text, "The text to look for; letter case is ignored")->required();
    c->add_flag("--json", o->Json, "Print JSON");
    c->footer("Web entries come first, then bank entries, then notes, each in the order they were added.\n"
              "Exit 1 when nothing is found, as grep does.");
    Table.Add(c, [o] { return RunSearch(*o); }, &o->File);
}
