#include "cli/transfer/ImportWriter.h"

#include "boxdata/StoredRecords.h"
#include "cli/EntryRef.h"
#include "cli/Output.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Wipe.h"

#include <algorithm>
#include <limits>
#include <ostream>

namespace {

std::size_t Limit(int FieldSize)
{
    return static_cast<std::size_t>(FieldSize - 1);
}

bool IsLeadByte(unsigned char C)
{
    return C >= 0x81 && C <= 0xFE;
}

int32_t ClampSort(int64_t V)
{
    return static_cast<int32_t>(std::clamp<int64_t>(V, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::string Quoted(const std::string& Text)
{
    return "\"" + OneLine(Text) + "\"";
}

} // namespace

TImportWriter::TImportWriter(TDbFileMgr& Box, std::ostream& Out, std::ostream& Warn)
    : FBox(Box), FTree(Box), FOut(Out), FWarn(Warn)
{
    for (const int32_t id : FTree.AllFolders()) {
        const TZembraFolder* f = FTree.Find(id);
        FChildren.emplace(std::make_pair(f->ParentID, f->Name), id); // the first in sibling order wins
        auto& last = FLastChildSort[f->ParentID];
        last = std::max(last, f->SortCode);
        FPaths[id] = FTree.PathOf(id);
    }
}

TImportWriter::TFitted TImportWriter::Fit(const std::string& Text, std::size_t MaxBytes)
{
    TFitted f;
    std::string ansi = Utf8ToAnsi(Text);
    f.Bytes = ansi.size();
    if (ansi.size() > MaxBytes) {
        // At a character boundary: the data layer would keep half a character.
        std::size_t keep = 0;
        while (keep < ansi.size()) {
            const std::size_t width = IsLeadByte(static_cast<unsigned char>(ansi[keep])) && keep + 1 < ansi.size() ? 2 : 1;
            if (keep + width > MaxBytes)
                break;
            keep += width;
        }
        ansi.resize(keep);
        f.Cut = true;
    }
    f.Text = AnsiToUtf8(ansi);
    f.Altered = Text.compare(0, f.Text.size(), f.Text) != 0 || (!f.Cut && f.Text.size() != Text.size());
    WipeString(ansi);
    return f;
}

int32_t TImportWriter::Child(int32_t Parent, const std::string& Name, std::optional<int32_t> SortCode,
                             const std::string& Path)
{
    TFitted name = Fit(Name, Limit(FolderRec::kName.Size));
    const auto key = std::make_pair(Parent, name.Text);
    if (const auto it = FChildren.find(key); it != FChildren.end())
        return it->second;
    TZembraFolder f;
    f.ParentID = Parent;
    f.Name = name.Text;
    auto lastIt = FLastChildSort.find(Parent);
    f.SortCode = SortCode ? *SortCode : (lastIt == FLastChildSort.end() ? 10 : ClampSort(int64_t(lastIt->second) + 10));
    int32_t id = 0;
    FBox.AddFolder(f, id);
    FChildren.emplace(key, id);
    FLastChildSort[Parent] = lastIt == FLastChildSort.end() ? f.SortCode : std::max(lastIt->second, f.SortCode);
    const std::string parentPath = FPaths.count(Parent) ? FPaths[Parent] : std::string();
    FPaths[id] = parentPath + "/" + name.Text;
    ++FCounts.FoldersCreated;
    FOut << "created folder " << id << "  " << OneLine(FPaths[id]) << '\n';
    if (name.Cut)
        FWarn << "zembrix-cli: warning: folder " << Quoted(Path) << ": the name takes " << name.Bytes
              << " bytes in the box, " << Limit(FolderRec::kName.Size) << " fit; it is stored as "
              << Quoted(name.Text) << '\n';
    else if (name.Altered)
        FWarn << "zembrix-cli: warning: folder " << Quoted(Path)
              << ": characters that a box cannot store (code page 936) became \"?\"\n";
    FCounts.FieldsCut += name.Cut;
    FCounts.TextsAltered += name.Altered;
    return id;
}

int32_t TImportWriter::Folder(const TImportFolderRef& Ref, std::optional<int32_t> SortCode)
{
    int32_t id = Ref.Category;
    std::string path(CategoryName(Ref.Category));
    for (std::size_t i = 0; i < Ref.Names.size(); ++i) {
        path += "/" + Ref.Names[i];
        const bool last = i + 1 == Ref.Names.size();
        id = Child(id, Ref.Names[i], last ? SortCode : std::nullopt, path);
    }
    return id;
}

int32_t TImportWriter::SortCodeFor(TZembraType Kind, int32_t FolderID, std::optional<int32_t> Relative)
{
    const auto key = std::make_pair(static_cast<int>(Kind), FolderID);
    auto base = FBaseSort.find(key);
    if (base == FBaseSort.end()) {
        // After what the folder held before the import.
        const int32_t max = Kind == ztNetItem    ? FBox.GetNetMaxSortCode(FolderID)
                            : Kind == ztBankItem ? FBox.GetBankMaxSortCode(FolderID)
                                                 : FBox.GetCommMaxSortCode(FolderID);
        base = FBaseSort.emplace(key, max).first;
        FLastSort[key] = max;
    }
    int64_t& last = FLastSort[key];
    const int64_t code = Relative ? base->second + *Relative : last + 10;
    last = std::max(last, code);
    return ClampSort(code);
}

void TImportWriter::FitField(std::string& Field, int Size, const char* Label, const std::string& Who,
                             std::vector<TLabelledLine>& Extra)
{
    TFitted f = Fit(Field, Limit(Size));
    if (f.Cut) {
        FWarn << "zembrix-cli: warning: " << Who << ": " << Label << " takes " << f.Bytes << " bytes in the box, "
              << Limit(Size) << " fit; the full text is in the comments\n";
        ++FCounts.FieldsCut;
        Extra.emplace_back(Label, Field);
        Field = std::move(f.Text);
    } else if (f.Altered) {
        FWarn << "zembrix-cli: warning: " << Who << ": " << Label
              << " has characters that a box cannot store (code page 936); they became \"?\"\n";
        ++FCounts.TextsAltered;
    }
}

void TImportWriter::FitSecret(TSecretString& Field, int Size, const char* Label, const std::string& Who,
                              std::vector<TLabelledLine>& Extra)
{
    std::string value = Field.str();
    FitField(value, Size, Label, Who, Extra);
    Field = TSecretString(std::move(value));
}

void TImportWriter::CheckComments(const std::string& Text, const char* Label, const std::string& Who)
{
    if (Fit(Text, std::numeric_limits<std::size_t>::max()).Altered) {
        // Labels are "comments" (plural) or "body".
        FWarn << "zembrix-cli: warning: " << Who << ": the " << Label
              << (std::string_view(Label) == "comments" ? " have" : " has")
              << " characters that a box cannot store (code page 936); they became \"?\"\n";
        ++FCounts.TextsAltered;
    }
}

void TImportWriter::Store(TImportEntry& E)
{
    const int32_t folder = Folder(E.Folder, std::nullopt);
    const std::string who = std::string(KindName(E.Kind)) + " entry " + Quoted(E.Caption()) +
                            (E.Source.empty() ? "" : " (" + E.Source + ")");
    int32_t id = 0;
    std::vector<TLabelledLine> full; // full texts of cut fields
    switch (E.Kind) {
    case ztNetItem: {
        TZmbNetItem& w = E.Web;
        FitField(w.Caption, NetItemRec::kCaption.Size, "Title", who, full);
        FitField(w.UserName, NetItemRec::kUserName.Size, "User", who, full);
        FitSecret(w.Password, NetItemRec::kPassword.Size, std::string(kLabelPassword).c_str(), who, full);
        FitField(w.Hyperlink, NetItemRec::kHyperlink.Size, "Link", who, full);
        FitField(w.Email, NetItemRec::kEmail.Size, std::string(kLabelEmail).c_str(), who, full);
        full.insert(full.begin(), E.Extra.begin(), E.Extra.end());
        w.Comments = AppendLabelled(std::move(w.Comments), full);
        CheckComments(w.Comments, "comments", who);
        w.FolderID = folder;
        w.SortCode = SortCodeFor(ztNetItem, folder, E.SortCode);
        FBox.AddNetItem(w, id);
        ++FCounts.Web;
        break;
    }
    case ztBankItem: {
        TZmbBankItem& b = E.Bank;
        FitField(b.BankName, BankItemRec::kBankName.Size, "Bank", who, full);
        FitField(b.AccType, BankItemRec::kAccType.Size, std::string(kLabelAccType).c_str(), who, full);
        FitField(b.Account, BankItemRec::kAccount.Size, std::string(kLabelAccount).c_str(), who, full);
        FitField(b.UserName, BankItemRec::kUserName.Size, "Holder", who, full);
        FitSecret(b.Password, BankItemRec::kPassword.Size, std::string(kLabelPassword).c_str(), who, full);
        full.insert(full.begin(), E.Extra.begin(), E.Extra.end());
        b.Comments = AppendLabelled(std::move(b.Comments), full);
        CheckComments(b.Comments, "comments", who);
        b.FolderID = folder;
        b.SortCode = SortCodeFor(ztBankItem, folder, E.SortCode);
        FBox.AddBankItem(b, id);
        ++FCounts.Bank;
        break;
    }
    default: {
        TZmbCommItem& n = E.Note;
        FitField(n.Caption, CommItemRec::kCaption.Size, "Title", who, full);
        for (TAttachData& a : E.Attachments) {
            TFitted name = Fit(a.Name, Limit(AttachRec::kName.Size));
            if (name.Cut) {
                FWarn << "zembrix-cli: warning: " << who << ": the attachment name " << Quoted(a.Name) << " takes "
                      << name.Bytes << " bytes in the box, " << Limit(AttachRec::kName.Size)
                      << " fit; the full name is in the body\n";
                ++FCounts.FieldsCut;
                full.emplace_back("Attachment", a.Name);
            } else if (name.Altered) {
                FWarn << "zembrix-cli: warning: " << who << ": the attachment name " << Quoted(a.Name)
                      << " has characters that a box cannot store (code page 936); they became \"?\"\n";
                ++FCounts.TextsAltered;
            }
        }
        full.insert(full.begin(), E.Extra.begin(), E.Extra.end());
        n.Comments = AppendLabelled(std::move(n.Comments), full);
        CheckComments(n.Comments, "body", who);
        n.FolderID = folder;
        n.SortCode = SortCodeFor(ztCommItem, folder, E.SortCode);
        FBox.AddCommItem(n, id);
        for (TAttachData& a : E.Attachments) {
            a.OwnerID = id;
            int32_t attachId = 0;
            FBox.AddAttachment(a, attachId);
            a.Bin = TSecretString(); // stored: release the bytes now
        }
        ++FCounts.Notes;
        FCounts.Attachments += E.Attachments.size();
        break;
    }
    }
    FOut << FormatEntryRef(E.Kind, id) << "  " << OneLine(FPaths[folder]) << "  " << OneLine(E.Caption());
    if (!E.Attachments.empty())
        FOut << "  [" << E.Attachments.size() << (E.Attachments.size() == 1 ? " attachment]" : " attachments]");
    FOut << '\n';
    if (!E.How.empty())
        FOut << "    " << E.How << '\n';
}

void TImportWriter::WriteFolders(const std::vector<TImportFolder>& Folders)
{
    std::size_t reusedBefore = 0;
    for (const TImportFolder& f : Folders) {
        const std::size_t created = FCounts.FoldersCreated;
        Folder(f.Ref, f.SortCode);
        reusedBefore += FCounts.FoldersCreated == created;
    }
    FCounts.FoldersReused = reusedBefore;
}

