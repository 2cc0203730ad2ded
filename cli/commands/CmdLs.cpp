// ls FILE [FOLDER] [--json] [--show-passwords]
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

struct TLsOptions {
    std::string File;
    std::string Folder;
    bool Json = false;
    bool ShowPasswords = false;
};

template <class TItems, class TRowFn, class TJsonFn>
void List(std::ostream& Out, bool AsJson, const TFolderTree& Tree, int32_t FolderID, TZembraType Kind,
          TItems& Items, std::vector<std::string> Header, TRowFn Row, TJsonFn Json)
{
    SortBySortCode(Items);
    if (AsJson) {
        TJson j;
        j["folder"] = FolderRefJson(Tree, FolderID);
        j["kind"] = KindName(Kind);
        j["entries"] = TJson::array();
        for (const auto& item : Items)
            j["entries"].push_back(Json(item));
        PrintJson(Out, j);
        return;
    }
    Out << Tree.PathOf(FolderID) << " [" << FolderID << "]: " << Items.size() << ' ' << KindName(Kind)
              << (Items.size() == 1 ? " entry" : " entries") << '\n';
    if (Items.empty())
        return;
    TTextTable table(std::move(Header));
    for (const auto& item : Items)
        table.AddRow(Row(item));
    table.Print(Out);
}

} // namespace

void PrintEntryList(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree, int32_t FolderID, bool Json,
                    bool ShowPasswords)
{
    const TZembraType kind = Tree.KindOf(FolderID);
    const bool show = ShowPasswords;
    if (kind == ztNetItem) {
        TZmbNetItems items;
        Box.GetNetItemList(FolderID, false, items);
        List(Out, Json, Tree, FolderID, kind, items, {"REF", "TITLE", "USER", "PASSWORD"},
             [&](const TZmbNetItem& i) {
                 return std::vector<std::string>{FormatEntryRef(kind, i.ID), OneLine(i.Caption), OneLine(i.UserName),
                                                 OneLine(ShownPassword(i.Password.str(), show))};
             },
             [&](const TZmbNetItem& i) { return EntryJson(i, Tree, show); });
    } else if (kind == ztBankItem) {
        TZmbBankItems items;
        Box.GetBankItemList(FolderID, false, items);
        List(Out, Json, Tree, FolderID, kind, items, {"REF", "BANK", "TYPE", "ACCOUNT", "PASSWORD"},
             [&](const TZmbBankItem& i) {
                 return std::vector<std::string>{FormatEntryRef(kind, i.ID), OneLine(i.BankName), OneLine(i.AccType),
                                                 OneLine(i.Account), OneLine(ShownPassword(i.Password.str(), show))};
             },
             [&](const TZmbBankItem& i) { return EntryJson(i, Tree, show); });
    } else {
        TZmbCommItems items;
        Box.GetCommItemList(FolderID, false, items);
        List(Out, Json, Tree, FolderID, kind, items, {"REF", "TITLE", "BODY"},
             [&](const TZmbCommItem& i) {
                 return std::vector<std::string>{FormatEntryRef(kind, i.ID), OneLine(i.Caption), ShortenBody(i.Comments)};
             },
             [&](const TZmbCommItem& i) { return EntryJson(i, Tree); });
    }
}

namespace {

int RunLs(const TLsOptions& O)
{
    TBoxSession session(O.File, opRead);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    // Without FOLDER the first category is listed, as the main window shows it after opening.
    int32_t folder = 0;
    if (O.Folder.empty()) {
        const auto& top = tree.Children(TFolderTree::kRootID);
        if (!top.empty())
            folder = top.front();
    } else {
        folder = tree.Resolve(O.Folder, O.File);
    }
    PrintEntryList(std::cout, box, tree, folder, O.Json, O.ShowPasswords);
    return ecSuccess;
}

} // namespace

void AddLsCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TLsOptions>();
    CLI::App* c = App.add_subcommand("ls", "List the entries of a folder");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("FOLDER", o->Folder,
                  "Folder id, or path of names such as \"<网上信息>/电子邮件\" (default: the first category)");
    c->add_flag("--json", o->Json, "Print JSON");
    c->add_flag("--show-passwords", o->ShowPasswords, "Show passwords instead of \"*\"");
    c->footer("Entries appear in their default order: sort code, then id.");
    Table.Add(c, [o] { return RunLs(*o); }, &o->File);
}
