// mkdir FILE PARENT NAME, rmdir FILE FOLDER [--yes], rename FILE FOLDER NAME
#include "boxdata/StoredRecords.h"
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FieldCheck.h"
#include "cli/FolderTree.h"
#include "cli/PasswordInput.h"

#include <iostream>
#include <memory>

namespace {

struct TFolderOptions {
    std::string File;
    std::string Folder; // PARENT for mkdir
    std::string Name;
    bool Yes = false;
};

void CheckFolderName(const std::string& Name)
{
    if (Name.empty())
        RaiseUsage("the folder name must not be empty");
    if (Name.find('/') != std::string::npos)
        RaiseUsage("a folder name cannot hold \"/\", which separates the names of a path");
    CheckFieldText("the folder name", Name, FolderRec::kName);
}

// Paths name folders, so siblings of one name would make a path ambiguous.
void RequireFreeName(const TFolderTree& Tree, int32_t ParentID, const std::string& Name, int32_t Self,
                     const std::string& FileName)
{
    const int32_t other = Tree.ChildNamed(ParentID, Name);
    if (other != 0 && other != Self)
        RaiseFileError(ecUsage, FileName,
                       "\"" + Tree.PathOf(other) + "\" exists already [" + std::to_string(other) + "]");
}

void RequireUserFolder(const TFolderTree& Tree, int32_t ID, const std::string& FileName, const char* Action)
{
    if (Tree.Level(ID) < 2)
        RaiseFileError(ecUsage, FileName,
                       std::string("the root and the category folders cannot be ") + Action + "; only folders below them");
}

int RunMkdir(const TFolderOptions& O)
{
    CheckFolderName(O.Name);
    TBoxSession session(O.File, opWrite);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    const int32_t parent = tree.Resolve(O.Folder, O.File);
    if (parent == TFolderTree::kRootID)
        RaiseFileError(ecUsage, O.File, "no folder can be added at the root, only below a category or a folder");
    RequireFreeName(tree, parent, O.Name, 0, O.File);
    TZembraFolder folder;
    folder.ParentID = parent;
    folder.Name = O.Name;
    folder.SortCode = tree.NewChildSortCode(parent);
    int32_t id = 0;
    session.Update([&] { box.AddFolder(folder, id); });
    std::cout << id << '\n';
    return ecSuccess;
}

int RunRmdir(const TFolderOptions& O)
{
    // The answer comes from the terminal; a pipe carries only the password.
    if (!O.Yes && !StdinIsTerminal())
        RaiseUsage("rmdir deletes the folder with everything in it: confirm with --yes");
    TBoxSession session(O.File, opWrite);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    const int32_t id = tree.Resolve(O.Folder, O.File);
    RequireUserFolder(tree, id, O.File, "deleted");
    const std::vector<int32_t> folders = tree.Subtree(id);
    int64_t entries = 0;
    for (int32_t f : folders) {
        TZmbNetItems w;
        box.GetNetItemList(f, false, w);
        TZmbBankItems b;
        box.GetBankItemList(f, false, b);
        TZmbCommItems n;
        box.GetCommItemList(f, false, n);
        entries += static_cast<int64_t>(w.size() + b.size() + n.size());
    }
    const std::string what = "\"" + tree.PathOf(id) + "\" with " + std::to_string(folders.size() - 1) +
                             " sub-folders and " + std::to_string(entries) + " entries";
    if (!O.Yes && !AskYesNo("Delete " + what + "?")) {
        std::cout << "Nothing deleted\n";
        return ecSuccess;
    }
    session.Update([&] { box.DeleteFolder(id); });
    std::cout << "Deleted " << what << '\n';
    return ecSuccess;
}

int RunRename(const TFolderOptions& O)
{
    CheckFolderName(O.Name);
    TBoxSession session(O.File, opWrite);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    const int32_t id = tree.Resolve(O.Folder, O.File);
    RequireUserFolder(tree, id, O.File, "renamed");
    RequireFreeName(tree, tree.Find(id)->ParentID, O.Name, id, O.File);
    session.Update([&] { box.ModifyFolder(id, O.Name); });
    std::cout << "Renamed \"" << tree.PathOf(id) << "\" to \"" << O.Name << "\"\n";
    return ecSuccess;
}

} // namespace

void AddFolderCommands(CLI::App& App, TCommandTable& Table)
{
    {
        auto o = std::make_shared<TFolderOptions>();
        CLI::App* c = App.add_subcommand("mkdir", "Add a folder below a category or a folder");
        c->add_option("FILE", o->File, "The box")->required();
        c->add_option("PARENT", o->Folder, "Parent folder id or path of names")->required();
        c->add_option("NAME", o->Name, "Name of the new folder (at most 30 bytes)")->required();
        c->footer("The folder goes last among its siblings; prints its id.");
        Table.Add(c, [o] { return RunMkdir(*o); }, &o->File);
    }
    {
        auto o = std::make_shared<TFolderOptions>();
        CLI::App* c = App.add_subcommand("rmdir", "Delete a folder with its sub-folders and entries");
        c->add_option("FILE", o->File, "The box")->required();
        c->add_option("FOLDER", o->Folder, "Folder id or path of names")->required();
        c->add_flag("--yes,-y", o->Yes, "Do not ask for confirmation (needed when input is not a terminal)");
        Table.Add(c, [o] { return RunRmdir(*o); }, &o->File);
    }
    {
        auto o = std::make_shared<TFolderOptions>();
        CLI::App* c = App.add_subcommand("rename", "Give a folder a new name");
        c->add_option("FILE", o->File, "The box")->required();
        c->add_option("FOLDER", o->Folder, "Folder id or path of names")->required();
        c->add_option("NAME", o->Name, "The new name (at most 30 bytes)")->required();
        Table.Add(c, [o] { return RunRename(*o); }, &o->File);
    }
}
