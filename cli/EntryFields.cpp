#include "cli/EntryFields.h"

#include "boxdata/StoredRecords.h"
#include "cli/CliError.h"
#include "cli/EntryRef.h"
#include "cli/FieldCheck.h"
#include "cli/FileData.h"
#include "dataproc/Wipe.h"
#include "services/GenPwd.h"

#include <limits>

namespace {

// Body files are text for a person to read; attachments are bounded by the stored 32-bit size.
constexpr int64_t kMaxBodyFileBytes = 64ll << 20;
constexpr int64_t kMaxAttachmentBytes = std::numeric_limits<int32_t>::max();

unsigned KindBit(TZembraType Kind)
{
    switch (Kind) {
    case ztNetItem:
        return fkWeb;
    case ztBankItem:
        return fkBank;
    case ztCommItem:
        return fkNote;
    default:
        return 0;
    }
}

} // namespace

std::vector<TEntryFields::TTextOption*> TEntryFields::TextOptions()
{
    return {&FTitle, &FUser, &FPassword, &FLink, &FEmail, &FComments, &FBank, &FAccount, &FType, &FHolder, &FBody, &FBodyFile};
}

void TEntryFields::AddOptions(CLI::App* App, unsigned Kinds, bool Required)
{
    auto add = [&](TTextOption& O, const std::string& Help) {
        if (O.Kinds & Kinds)
            O.Opt = App->add_option(O.Name, O.Value, Help);
    };
    const bool single = Kinds == fkWeb || Kinds == fkBank || Kinds == fkNote;
    add(FTitle, "Title (at most 30 bytes; a Chinese character takes 2)");
    add(FUser, "User name (at most 30 bytes)");
    add(FPassword, "Password (at most 30 bytes); other users can see it in the process list while the command runs");
    if (Kinds & fkWeb)
        FGenerateOpt = App->add_flag("--generate", FGenerate, "Generate the password (letters and digits, 5 to 8 characters)");
    add(FLink, "Link (at most 80 bytes)");
    add(FEmail, "E-mail address (at most 50 bytes)");
    add(FComments, "Comments (any length)");
    add(FBank, "Bank (at most 50 bytes)");
    add(FAccount, "Account or card number (at most 50 bytes)");
    add(FType, "Account type (at most 50 bytes)");
    add(FHolder, "Account holder (at most 30 bytes)");
    add(FBody, "Body text (any length)");
    add(FBodyFile, "Read the body text from a UTF-8 file");
    if (Kinds & fkNote) {
        FAttachOpt = App->add_option("--attach", FAttachPaths, "Attach a file (repeatable)")->allow_extra_args(false);
    }
    if (FGenerateOpt && FPassword.Opt)
        FGenerateOpt->excludes(FPassword.Opt);
    if (FBody.Opt && FBodyFile.Opt)
        FBody.Opt->excludes(FBodyFile.Opt);
    if (Required && single) {
        for (TTextOption* o : {&FTitle, &FBank, &FAccount})
            if (o->Opt)
                o->Opt->required();
    }
}

bool TEntryFields::AnyGiven() const
{
    auto* self = const_cast<TEntryFields*>(this);
    for (TTextOption* o : self->TextOptions())
        if (o->Given())
            return true;
    return (FGenerateOpt && FGenerateOpt->count() > 0) || !FAttachPaths.empty();
}

void TEntryFields::Prepare(TZembraType Kind)
{
    const unsigned bit = KindBit(Kind);
    for (TTextOption* o : TextOptions())
        if (o->Given() && !(o->Kinds & bit))
            RaiseUsage(std::string(o->Name) + " does not apply to a " + KindName(Kind) + " entry");
    if (FGenerateOpt && FGenerateOpt->count() > 0 && Kind != ztNetItem)
        RaiseUsage(std::string("--generate does not apply to a ") + KindName(Kind) + " entry");
    if (!FAttachPaths.empty() && Kind != ztCommItem)
        RaiseUsage(std::string("--attach does not apply to a ") + KindName(Kind) + " entry");

    // The fields an entry needs, as the editors demand them.
    for (TTextOption* o : {&FTitle, &FBank, &FAccount})
        if (o->Given() && o->Value.empty())
            RaiseUsage(std::string(o->Name) + " must not be empty");

    auto field = [](const TTextOption& O, TStoredText Width) {
        if (O.Given())
            CheckFieldText(O.Name, O.Value, Width);
    };
    if (Kind == ztNetItem) {
        field(FTitle, NetItemRec::kCaption);
        field(FUser, NetItemRec::kUserName);
        field(FLink, NetItemRec::kHyperlink);
        field(FEmail, NetItemRec::kEmail);
    } else if (Kind == ztBankItem) {
        field(FBank, BankItemRec::kBankName);
        field(FAccount, BankItemRec::kAccount);
        field(FType, BankItemRec::kAccType);
        field(FHolder, BankItemRec::kUserName);
    } else {
        field(FTitle, CommItemRec::kCaption);
    }
    if (FComments.Given())
        CheckStorableText("--comments", FComments.Value);

    if (FPassword.Given()) {
        CheckFieldText("--password", FPassword.Value,
                       Kind == ztNetItem ? NetItemRec::kPassword : BankItemRec::kPassword, true);
        FPasswordValue = TSecretString(FPassword.Value);
        WipeString(FPassword.Value);
    } else if (FGenerate) {
        FPasswordValue = TSecretString(TPwdGenerator().Generate());
    }

    if (FBody.Given()) {
        CheckStorableText("--body", FBody.Value);
        FBodyValue = FBody.Value;
    } else if (FBodyFile.Given()) {
        TSecretString text = ReadWholeFile(FBodyFile.Value, kMaxBodyFileBytes);
        CheckStorableText("the body file " + FBodyFile.Value, text.str());
        FBodyValue = text.str();
    }

    FAttachments.clear();
    for (const std::string& path : FAttachPaths)
        FAttachments.push_back(ReadAttachmentFile(path));
}

void TEntryFields::ApplyTo(TZmbNetItem& Item) const
{
    if (FTitle.Given())
        Item.Caption = FTitle.Value;
    if (FUser.Given())
        Item.UserName = FUser.Value;
    if (FPasswordValue)
        Item.Password = *FPasswordValue;
    if (FLink.Given())
        Item.Hyperlink = FLink.Value;
    if (FEmail.Given())
        Item.Email = FEmail.Value;
    if (FComments.Given())
        Item.Comments = FComments.Value;
}

void TEntryFields::ApplyTo(TZmbBankItem& Item) const
{
    if (FBank.Given())
        Item.BankName = FBank.Value;
    if (FAccount.Given())
        Item.Account = FAccount.Value;
    if (FType.Given())
        Item.AccType = FType.Value;
    if (FHolder.Given())
        Item.UserName = FHolder.Value;
    if (FPasswordValue)
        Item.Password = *FPasswordValue;
    if (FComments.Given())
        Item.Comments = FComments.Value;
}

void TEntryFields::ApplyTo(TZmbCommItem& Item) const
{
    if (FTitle.Given())
        Item.Caption = FTitle.Value;
    if (FBodyValue)
        Item.Comments = *FBodyValue;
}

TAttachData ReadAttachmentFile(const std::string& Path, const std::string& Name)
{
    TAttachData data;
    data.Name = Name.empty() ? BaseName(Path) : Name;
    CheckFieldText("the attachment name \"" + data.Name + "\"", data.Name, AttachRec::kName);
    data.Bin = ReadWholeFile(Path, kMaxAttachmentBytes);
    data.Size = static_cast<int32_t>(data.Bin.size());
    return data;
}
