#include "cli/EntryView.h"

#include "cli/CutPasswords.h"
#include "cli/EntryRef.h"

#include <algorithm>
#include <ostream>

namespace {

TJson Header(TZembraType Kind, int32_t ID, int32_t FolderID, int32_t SortCode, const TFolderTree& Tree)
{
    TJson j;
    j["ref"] = FormatEntryRef(Kind, ID);
    j["kind"] = KindName(Kind);
    j["id"] = ID;
    j["folder"] = FolderRefJson(Tree, FolderID);
    j["sort"] = SortCode;
    return j;
}

void Line(std::ostream& Out, const char* Label, const std::string& Value)
{
    Out << Label << OneLine(Value) << '\n';
}

// A multi-line text under its label, each line indented by two spaces.
void Block(std::ostream& Out, const char* Label, const std::string& Text)
{
    Out << Label;
    if (Text.empty()) {
        Out << '\n';
        return;
    }
    Out << '\n';
    std::size_t pos = 0;
    while (pos <= Text.size()) {
        std::size_t end = Text.find('\n', pos);
        if (end == std::string::npos)
            end = Text.size();
        std::string line = Text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        Out << "  " << line << '\n';
        pos = end + 1;
    }
}

void Heading(std::ostream& Out, TZembraType Kind, int32_t ID, int32_t FolderID, const TFolderTree& Tree)
{
    Out << FormatEntryRef(Kind, ID) << " in " << Tree.PathOf(FolderID) << " [" << FolderID << "]\n";
}

} // namespace

TJson FolderRefJson(const TFolderTree& Tree, int32_t FolderID)
{
    return {{"id", FolderID}, {"path", Tree.PathOf(FolderID)}};
}

TJson EntryJson(const TZmbNetItem& Item, const TFolderTree& Tree, bool ShowPassword)
{
    TJson j = Header(ztNetItem, Item.ID, Item.FolderID, Item.SortCode, Tree);
    j["title"] = Item.Caption;
    j["user"] = Item.UserName;
    j["password"] = ShownPassword(Item.Password.str(), ShowPassword);
    j["link"] = Item.Hyperlink;
    j["email"] = Item.Email;
    j["comments"] = ShownComments(Item.Comments, ShowPassword);
    return j;
}

TJson EntryJson(const TZmbBankItem& Item, const TFolderTree& Tree, bool ShowPassword)
{
    TJson j = Header(ztBankItem, Item.ID, Item.FolderID, Item.SortCode, Tree);
    j["bank"] = Item.BankName;
    j["type"] = Item.AccType;
    j["holder"] = Item.UserName;
    j["account"] = Item.Account;
    j["password"] = ShownPassword(Item.Password.str(), ShowPassword);
    j["comments"] = ShownComments(Item.Comments, ShowPassword);
    return j;
}

TJson EntryJson(const TZmbCommItem& Item, const TFolderTree& Tree)
{
    TJson j = Header(ztCommItem, Item.ID, Item.FolderID, Item.SortCode, Tree);
    j["title"] = Item.Caption;
    j["body"] = Item.Comments;
    return j;
}

TJson AttachmentsJson(const TAttachDataHeaderAry& List)
{
    TJson all = TJson::array();
    for (const TAttachDataHeader& a : List)
        all.push_back({{"id", a.ID}, {"name", a.Name}, {"size", a.Size}});
    return all;
}

void PrintEntry(std::ostream& Out, const TZmbNetItem& Item, const TFolderTree& Tree, bool ShowPassword)
{
    Heading(Out, ztNetItem, Item.ID, Item.FolderID, Tree);
    Line(Out, "Title:     ", Item.Caption);
    Line(Out, "User:      ", Item.UserName);
    Line(Out, "Password:  ", ShownPassword(Item.Password.str(), ShowPassword));
    Line(Out, "Link:      ", Item.Hyperlink);
    Line(Out, "E-mail:    ", Item.Email);
    Block(Out, "Comments:", ShownComments(Item.Comments, ShowPassword));
}

void PrintEntry(std::ostream& Out, const TZmbBankItem& Item, const TFolderTree& Tree, bool ShowPassword)
{
    Heading(Out, ztBankItem, Item.ID, Item.FolderID, Tree);
    Line(Out, "Bank:      ", Item.BankName);
    Line(Out, "Type:      ", Item.AccType);
    Line(Out, "Holder:    ", Item.UserName);
    Line(Out, "Account:   ", Item.Account);
    Line(Out, "Password:  ", ShownPassword(Item.Password.str(), ShowPassword));
    Block(Out, "Comments:", ShownComments(Item.Comments, ShowPassword));
}

void PrintEntry(std::ostream& Out, const TZmbCommItem& Item, const TFolderTree& Tree,
                const TAttachDataHeaderAry& Attachments)
{
    Heading(Out, ztCommItem, Item.ID, Item.FolderID, Tree);
    Line(Out, "Title:     ", Item.Caption);
    Block(Out, "Body:", Item.Comments);
    Out << "Attachments: " << Attachments.size() << '\n';
    if (!Attachments.empty()) {
        TTextTable table({"  ID", "SIZE", "NAME"});
        for (const TAttachDataHeader& a : Attachments)
            table.AddRow({"  " + std::to_string(a.ID), std::to_string(a.Size), OneLine(a.Name)});
        table.Print(Out);
    }
}
