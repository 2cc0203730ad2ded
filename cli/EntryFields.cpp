#include "cli/EntryFields.h"

#include "boxdata/StoredRecords.h"
#include "cli/CliError.h"
#include "cli/EntryRef.h"
#include "cli/FieldCheck.h"
#include "cli/FileData.h"
#include "cli/GeneratorOptions.h"
#include "cli/PasswordInput.h"
#include "dataproc/Wipe.h"
#include "services/GenPwd.h"

#include <iostream>
#include <limits>

namespace {

static_assert(NetItemRec::kPassword.Size - 1 == kMaxEntryPasswordBytes &&
              BankItemRec::kPassword.Size - 1 == kMaxEntryPasswordBytes);

TStoredText PasswordField(TZembraType Kind)
{
    return Kind == ztBankItem ? BankItemRec::kPassword : NetItemRec::kPassword;
}

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
    if (Kinds & (fkWeb | fkBank)) {
        FPromptOpt = App->add_flag("-p,--password-prompt", FPrompt,
                                   "Read the password: asked twice without echo on a terminal, else the next line of "
                                   "standard input (after the login password); at most 30 bytes");
        FGenerateOpt = App->add_flag("--generate", FGenerate,
                                     "Generate the password, as the options file sets the generator (default 5 to 8 "
                                     "letters and digits)");
        FLengthOpt = App->add_option("--length", FLength, "With --generate: this many characters")
                         ->check(CLI::Range(1, kMaxEntryPasswordBytes));
        FKindsOpt = App->add_option("--kinds", FKinds,
                                    "With --generate: character kinds, comma-separated: upper,lower,digit,space,symbol")
                        ->delimiter(',');
        FLengthOpt->needs(FGenerateOpt);
        FKindsOpt->needs(FGenerateOpt);
    }
    add(FPassword, "Password as text (others can see it in the process list and it stays in the shell history: "
                   "use -p)");
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
    if (FGenerateOpt && FPassword.Opt) {
        FGenerateOpt->excludes(FPassword.Opt);
        FPromptOpt->excludes(FPassword.Opt);
        FPromptOpt->excludes(FGenerateOpt);
    }
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
    return (FGenerateOpt && FGenerateOpt->count() > 0) || (FPromptOpt && FPromptOpt->count() > 0) ||
           !FAttachPaths.empty();
}

void TEntryFields::Prepare(TZembraType Kind)
{
    const unsigned bit = KindBit(Kind);
    for (TTextOption* o : TextOptions())
        if (o->Given() && !(o->Kinds & bit))
            RaiseUsage(std::string(o->Name) + " does not apply to a " + KindName(Kind) + " entry");
    if ((FGenerate || FPrompt) && Kind == ztCommItem)
        RaiseUsage(std::string(FGenerate ? "--generate" : "--password-prompt") + " does not apply to a note entry");
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
        std::cerr << "zembrix-cli: warning: --password shows the password to every user in the process list and "
                     "leaves it in the shell history; use -p/--password-prompt\n";
        CheckFieldText("--password", FPassword.Value, PasswordField(Kind), true);
        FPasswordValue = TSecretString(FPassword.Value);
        WipeString(FPassword.Value);
    } else if (FGenerate) {
        FPasswordValue = GeneratePassword();
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

void TEntryFields::ReadPromptedPassword(TZembraType Kind)
{
    if (!FPrompt)
        return;
    TSecretString password = ReadNewPassword(std::string("Password of the ") + KindName(Kind) + " entry: ");
    CheckFieldText("the entry's password", password.str(), PasswordField(Kind), true);
    FPasswordValue = std::move(password);
}

TSecretString TEntryFields::GeneratePassword() const
{
    TPwdGenerator gen = ConfiguredGenerator();
    if (!FKinds.empty())
        gen.SetCharKinds(ParseCharKinds(FKinds, "--kinds"));
    if (FLength > 0) {
        gen.SetLenMode(plFixed);
        gen.SetLenFixed(FLength);
    }
    // The options file allows up to 100 characters; an entry's field holds fewer.
    if (gen.LenFixed() > kMaxEntryPasswordBytes)
        gen.SetLenFixed(kMaxEntryPasswordBytes);
    if (gen.LenRangeMax() > kMaxEntryPasswordBytes)
        gen.SetLenRangeMax(kMaxEntryPasswordBytes);
    return TSecretString(gen.Generate());
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
