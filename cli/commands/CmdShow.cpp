// show FILE ENTRY [--json] [--show-passwords] [-a FIELD]...
#include "cli/BoxSession.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/CutPasswords.h"
#include "cli/EntryLookup.h"
#include "cli/EntryView.h"
#include "cli/FolderTree.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <utility>

namespace {

struct TShowOptions {
    std::string File;
    std::string Entry;
    bool Json = false;
    bool ShowPassword = false;
    std::vector<std::string> Fields;
};

using TFieldList = std::vector<std::pair<const char*, std::string>>;

// The fields -a names, in the order of the record, as they are printed raw.
TFieldList FieldsOf(const TZmbNetItem& I, bool Show)
{
    return {{"title", I.Caption},   {"user", I.UserName}, {"password", I.Password.str()},
            {"link", I.Hyperlink}, {"email", I.Email},   {"comments", ShownComments(I.Comments, Show)}};
}
TFieldList FieldsOf(const TZmbBankItem& I, bool Show)
{
    return {{"bank", I.BankName},  {"type", I.AccType},  {"holder", I.UserName},
            {"account", I.Account}, {"password", I.Password.str()}, {"comments", ShownComments(I.Comments, Show)}};
}
TFieldList FieldsOf(const TZmbCommItem& I, bool)
{
    return {{"title", I.Caption}, {"body", I.Comments}};
}

std::string Lower(std::string S)
{
    std::transform(S.begin(), S.end(), S.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return S;
}

// Each asked field on a line of its own, as stored: for scripts ("-a password" is the password
// itself, since it was asked for by name).
void PrintFields(const TFieldList& Fields, const std::vector<std::string>& Asked, TZembraType Kind)
{
    std::string out;
    for (const std::string& name : Asked) {
        const auto it = std::find_if(Fields.begin(), Fields.end(),
                                     [&](const auto& F) { return F.first == Lower(name); });
        if (it == Fields.end()) {
            std::string names;
            for (const auto& f : Fields)
                names += (names.empty() ? "" : ", ") + std::string(f.first);
            RaiseUsage(std::string("-a: a ") + KindName(Kind) + " entry has no field '" + name + "' (" + names + ")");
        }
        out += it->second + '\n';
    }
    std::cout << out;
}

template <class TItem, class TPrint>
void Show(const TShowOptions& O, const TItem& Item, TZembraType Kind, TPrint&& Print, TJson Json)
{
    if (!O.Fields.empty())
        PrintFields(FieldsOf(Item, O.ShowPassword), O.Fields, Kind);
    else if (O.Json)
        PrintJson(std::cout, Json);
    else
        Print();
}

int RunShow(const TShowOptions& O)
{
    if (O.Json && !O.Fields.empty())
        RaiseUsage("show: -a prints fields raw; it does not go with --json");
    TBoxSession session(O.File, opRead);
    TDbFileMgr& box = session.Box();
    const TFolderTree tree(box);
    const TEntryRef ref = ResolveEntry(box, tree, O.Entry, O.File);
    const auto missing = [&] { RaiseFileError(ecRejected, O.File, "no entry " + O.Entry); };
    if (ref.Kind == ztNetItem) {
        TZmbNetItem item;
        if (!box.GetNetItem(ref.ID, item))
            missing();
        Show(O, item, ref.Kind, [&] { PrintEntry(std::cout, item, tree, O.ShowPassword); },
             O.Json ? EntryJson(item, tree, O.ShowPassword) : TJson());
    } else if (ref.Kind == ztBankItem) {
        TZmbBankItem item;
        if (!box.GetBankItem(ref.ID, item))
            missing();
        Show(O, item, ref.Kind, [&] { PrintEntry(std::cout, item, tree, O.ShowPassword); },
             O.Json ? EntryJson(item, tree, O.ShowPassword) : TJson());
    } else {
        TZmbCommItem item;
        if (!box.GetCommItem(ref.ID, item))
            missing();
        TAttachDataHeaderAry attachments;
        box.GetAttachmentList(attachments, ref.ID);
        TJson j;
        if (O.Json) {
            j = EntryJson(item, tree);
            j["attachments"] = AttachmentsJson(attachments);
        }
        Show(O, item, ref.Kind, [&] { PrintEntry(std::cout, item, tree, attachments); }, j);
    }
    return ecSuccess;
}

} // namespace

void AddShowCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TShowOptions>();
    CLI::App* c = App.add_subcommand("show", "Show one entry with every field");
    c->add_option("FILE", o->File, "The box")->required();
    c->add_option("ENTRY", o->Entry, "KIND:ID (KIND web, bank or note), FOLDER/TITLE or a title of its own")
        ->required();
    c->add_flag("--json", o->Json, "Print JSON");
    c->add_flag("--show-passwords,--show-password", o->ShowPassword,
                "Show the password (and a cut password kept in the comments) instead of \"*\"");
    c->add_option("-a,--attribute", o->Fields,
                  "Print only this field, raw, one line each (repeatable): title, user, password, link, email, "
                  "comments; bank, type, holder, account; body")
        ->allow_extra_args(false);
    c->footer("A bank entry's title is its bank. An ambiguous title lists the entries it fits and exits 1.");
    Table.Add(c, [o] { return RunShow(*o); }, &o->File);
}
