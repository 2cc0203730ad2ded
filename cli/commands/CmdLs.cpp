// ls FILE [FOLDER] [-R] [--json] [--show-passwords]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryLookup.h"
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
    bool Recursive = false;
};

// A folder with its entries (titles) and its folders below, indented by depth.
void PrintTree(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree, int32_t FolderID, int Depth)
{
    const std::string indent(static_cast<std::size_t>(Depth) * 2, ' ');
    if (FolderID != TFolderTree::kRootID)
        Out << indent << OneLine(Tree.Find(FolderID)->Name) << "/ [" << FolderID << "]\n";
    const int inner = FolderID == TFolderTree::kRootID ? Depth : Depth + 1;
    const std::string entryIndent(static_cast<std::size_t>(inner) * 2, ' ');
    for (const TEntryName& e : EntryNamesIn(Box, FolderID))
        Out << entryIndent << OneLine(e.Title) << " [" << FormatEntryRef(e.Ref.Kind, e.Ref.ID) << "]\n";
    for (int32_t child : Tree.Children(FolderID))
        PrintTree(Out, Box, Tree, child, inner);
}

TJson TreeJson(TDbFileMgr& Box, const TFolderTree& Tree, int32_t FolderID)
{
    TJson j;
    j["folder"] = FolderRefJson(Tree, FolderID);
    j["entries"] = TJson::array();
    for (const TEntryName& e : EntryNamesIn(Box, FolderID))
        j["entries"].push_back({{"ref", FormatEntryRef(e.Ref.Kind, e.Ref.ID)}, {"title", e.Title}});
    j["folders"] = TJson::array();
    for (int32_t child : Tree.Children(FolderID))
        j["folders"].push_back(TreeJson(Box, Tree, child));
    return j;
}

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
    // Without FOLDER the whole box is shown, every category with its folders and entries.
    if (O.Folder.empty() || O.Recursive) {
        const int32_t folder = O.Folder.empty() ? TFolderTree::kRootID : tree.Resolve(O.Folder, O.File);
        if (O.Json)
            PrintJson(std::cout, TreeJson(box, tree, folder));
        else
            PrintTree(std::cout, box, tree, folder, 0);
        return ecSuccess;
    }
    PrintEntryList(std::cout, box, tree, tree.Resolve(O.Folder, O.File), O.Json, O.ShowPasswords);
    return ecSuccess;
}

} // namespace

void AddLsCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TLsOptions>();
    CLI::App* c = App.add_subcommand("ls", "List the entries of a folder");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("FOLDER", o->Folder,
                  "Folder id, or path of names such as \"<网上信息>/电子邮件\" (default: the whole box as a tree)");
    c->add_flag("-R,--recursive", o->Recursive, "The folder with every folder below it, as a tree of titles");
    c->add_flag("--json", o->Json, "Print JSON");
    c->add_flag("--show-passwords,--show-password", o->ShowPasswords, "Show passwords instead of \"*\"");
    c->footer("Entries appear in their default order: sort code, then id. The tree (no FOLDER, or -R) shows\n"
              "titles only (a bank entry's title is its bank) with [KIND:ID]; folders end in \"/\" with [id].");
    Table.Add(c, [o] { return RunLs(*o); }, &o->File);
}
