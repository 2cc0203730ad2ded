// info FILE [--json]
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/FolderTree.h"
#include "cli/Output.h"
#include "dataproc/Wipe.h"

#include <iostream>
#include <memory>

namespace {

struct TInfoOptions {
    std::string File;
    bool Json = false;
};

int RunInfo(const TInfoOptions& O)
{
    TBoxSession session(O.File, opRead);
    TDbFileMgr& box = session.Box();
    const bool encrypted = box.GetCheckPassword(O.File);
    // A box made with the empty password is enciphered with a key anybody can derive.
    const bool emptyPassword = encrypted && session.Password().str().empty();
    std::string question, answer;
    const bool hasQuestion = box.GetPwdQuestion(O.File, question, answer);
    WipeString(answer);

    // Entries are counted folder by folder, the root included (the desktop program can file web
    // entries there), whatever their folder's category.
    const TFolderTree tree(box);
    std::vector<int32_t> folders = tree.AllFolders();
    int64_t web = 0, bank = 0, notes = 0, attachments = 0, categories = 0;
    folders.insert(folders.begin(), TFolderTree::kRootID);
    for (int32_t id : folders) {
        if (tree.Level(id) == 1)
            ++categories;
        TZmbNetItems w;
        box.GetNetItemList(id, false, w);
        web += static_cast<int64_t>(w.size());
        TZmbBankItems b;
        box.GetBankItemList(id, false, b);
        bank += static_cast<int64_t>(b.size());
        TZmbCommItems n;
        box.GetCommItemList(id, false, n);
        notes += static_cast<int64_t>(n.size());
        for (const TZmbCommItem& item : n) {
            TAttachDataHeaderAry list;
            box.GetAttachmentList(list, item.ID);
            attachments += static_cast<int64_t>(list.size());
        }
    }
    const int64_t userFolders = static_cast<int64_t>(folders.size()) - 1 - categories;
    const int64_t size = box.FileSize();
    const std::string compression = BoxCompression(session);

    if (O.Json) {
        TJson j;
        j["file"] = O.File;
        j["size"] = size;
        j["encrypted"] = encrypted;
        j["empty_password"] = emptyPassword;
        j["compression"] = compression.empty() ? TJson() : TJson(compression);
        j["recovery_question"] = hasQuestion;
        j["folders"] = {{"categories", categories}, {"user", userFolders}};
        j["entries"] = {{"web", web}, {"bank", bank}, {"note", notes}};
        j["attachments"] = attachments;
        PrintJson(std::cout, j);
        return ecSuccess;
    }
    std::cout << "File:              " << O.File << '\n'
              << "Size:              " << FormatBytes(size) << '\n'
              << "Encrypted:         " << (!encrypted        ? "no"
                                       : emptyPassword ? "yes (Blowfish), but with the empty password: no real protection"
                                                       : "yes (Blowfish)") << '\n'
              << "Compression:       " << (compression.empty() ? "none" : compression) << '\n'
              << "Recovery question: " << (hasQuestion ? "set" : "not set") << '\n'
              << "Folders:           " << Counted(std::size_t(categories), "category", "categories") << ", "
              << Counted(std::size_t(userFolders), "user folder", "user folders") << '\n'
              << "Entries:           " << web << " web, " << bank << " bank, " << Counted(std::size_t(notes), "note", "notes")
              << '\n'
              << "Attachments:       " << attachments << '\n';
    return ecSuccess;
}

} // namespace

void AddInfoCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TInfoOptions>();
    CLI::App* c = App.add_subcommand("info", "Show a box's size, encryption, recovery question and counts");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_flag("--json", o->Json, "Print JSON");
    Table.Add(c, [o] { return RunInfo(*o); }, &o->File);
}
