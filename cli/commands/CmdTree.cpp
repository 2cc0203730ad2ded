// tree FILE [--json]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryRef.h"
#include "cli/FolderTree.h"
#include "cli/Listings.h"
#include "cli/Output.h"

#include <iostream>
#include <memory>

namespace {

struct TTreeOptions {
    std::string File;
    bool Json = false;
};

// Entries of the folder's own kind, the ones the main window lists for it.
int64_t CountEntries(TDbFileMgr& Box, const TFolderTree& Tree, int32_t ID)
{
    switch (Tree.KindOf(ID)) {
    case ztNetItem: {
        TZmbNetItems list;
        Box.GetNetItemList(ID, false, list);
        return static_cast<int64_t>(list.size());
    }
    case ztBankItem: {
        TZmbBankItems list;
        Box.GetBankItemList(ID, false, list);
        return static_cast<int64_t>(list.size());
    }
    default: {
        TZmbCommItems list;
        Box.GetCommItemList(ID, false, list);
        return static_cast<int64_t>(list.size());
    }
    }
}

TJson FolderJson(TDbFileMgr& Box, const TFolderTree& Tree, int32_t ID)
{
    const TZembraFolder* f = Tree.Find(ID);
    TJson j;
    j["id"] = ID;
    j["name"] = f->Name;
    j["sort"] = f->SortCode;
    j["kind"] = KindName(Tree.KindOf(ID));
    j["entries"] = CountEntries(Box, Tree, ID);
    j["folders"] = TJson::array();
    for (int32_t child : Tree.Children(ID))
        j["folders"].push_back(FolderJson(Box, Tree, child));
    return j;
}

void PrintFolder(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree, int32_t ID, const std::string& Indent,
                 bool Last, bool Top)
{
    const TZembraFolder* f = Tree.Find(ID);
    const int64_t n = CountEntries(Box, Tree, ID);
    Out << Indent << (Top ? "" : (Last ? "└─ " : "├─ ")) << f->Name << "  [" << ID << "] " << n
              << (n == 1 ? " entry" : " entries") << '\n';
    const auto& children = Tree.Children(ID);
    const std::string next = Top ? Indent : Indent + (Last ? "   " : "│  ");
    for (std::size_t i = 0; i < children.size(); ++i)
        PrintFolder(Out, Box, Tree, children[i], next, i + 1 == children.size(), false);
}

} // namespace

void PrintFolderTree(std::ostream& Out, TDbFileMgr& Box, const TFolderTree& Tree, bool Json)
{
    if (Json) {
        TJson all = TJson::array();
        for (int32_t id : Tree.Children(TFolderTree::kRootID))
            all.push_back(FolderJson(Box, Tree, id));
        PrintJson(Out, all);
        return;
    }
    for (int32_t id : Tree.Children(TFolderTree::kRootID))
        PrintFolder(Out, Box, Tree, id, "", true, true);
}

namespace {

int RunTree(const TTreeOptions& O)
{
    TBoxSession session(O.File, opRead);
    const TFolderTree tree(session.Box());
    PrintFolderTree(std::cout, session.Box(), tree, O.Json);
    return ecSuccess;
}

} // namespace

void AddTreeCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TTreeOptions>();
    CLI::App* c = App.add_subcommand("tree", "Show the folder tree with ids and entry counts");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_flag("--json", o->Json, "Print JSON");
    c->footer("Siblings appear in their sort order (sort code, then id); [N] is the folder id.");
    Table.Add(c, [o] { return RunTree(*o); }, &o->File);
}
