// The field options shared by `add` and `edit`: which options each kind of entry takes, their
// checks, and how they fill an entry record. Everything that can be refused is refused in
// Prepare, before the box is opened; files named by --body-file and --attach are read there too.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

// An entry's password field holds this many bytes of text (web and bank alike).
inline constexpr int kMaxEntryPasswordBytes = 30;

enum TFieldKinds : unsigned { fkWeb = 1, fkBank = 2, fkNote = 4, fkAll = 7 };

class TEntryFields {
public:
    // Adds the options of the kinds in Kinds to App; with Required, those an entry of a single
    // kind cannot lack (a title; a bank and an account) are required.
    void AddOptions(CLI::App* App, unsigned Kinds, bool Required);

    // Checks the given options for an entry of Kind and reads the files they name. Raises a usage
    // error for an option of another kind, an emptied required field, text the box would cut
    // or could not hold, and ECliError with code 3 for a file that cannot be read.
    void Prepare(TZembraType Kind);
    // Reads the password of --password-prompt (after the login password, which comes first on
    // standard input) and checks it as Prepare checks the others; nothing without the option.
    void ReadPromptedPassword(TZembraType Kind);
    // Whether any field option was given.
    bool AnyGiven() const;

    // Overwrite the fields that were given.
    void ApplyTo(TZmbNetItem& Item) const;
    void ApplyTo(TZmbBankItem& Item) const;
    void ApplyTo(TZmbCommItem& Item) const;
    // The files of --attach, read by Prepare (OwnerID still 0).
    std::vector<TAttachData>& Attachments() { return FAttachments; }

private:
    struct TTextOption {
        TTextOption(const char* AName, unsigned AKinds) : Name(AName), Kinds(AKinds) {}
        const char* Name;
        unsigned Kinds;
        CLI::Option* Opt = nullptr;
        std::string Value;
        bool Given() const { return Opt != nullptr && Opt->count() > 0; }
    };

    TTextOption FTitle{"--title", fkWeb | fkNote};
    TTextOption FUser{"--user", fkWeb};
    TTextOption FPassword{"--password", fkWeb | fkBank}; // kept for old scripts, with a warning
    TTextOption FLink{"--link", fkWeb};
    TTextOption FEmail{"--email", fkWeb};
    TTextOption FComments{"--comments", fkWeb | fkBank};
    TTextOption FBank{"--bank", fkBank};
    TTextOption FAccount{"--account", fkBank};
    TTextOption FType{"--type", fkBank};
    TTextOption FHolder{"--holder", fkBank};
    TTextOption FBody{"--body", fkNote};
    TTextOption FBodyFile{"--body-file", fkNote};
    CLI::Option* FGenerateOpt = nullptr;
    bool FGenerate = false;
    CLI::Option* FLengthOpt = nullptr;
    int FLength = 0;
    CLI::Option* FKindsOpt = nullptr;
    std::vector<std::string> FKinds;
    CLI::Option* FPromptOpt = nullptr;
    bool FPrompt = false;
    CLI::Option* FAttachOpt = nullptr;
    std::vector<std::string> FAttachPaths;

    // Filled by Prepare.
    std::optional<TSecretString> FPasswordValue;
    std::optional<std::string> FBodyValue;
    std::vector<TAttachData> FAttachments;

    std::vector<TTextOption*> TextOptions();
    TSecretString GeneratePassword() const;
};

// Reads an attachment file for the box: name (BaseName of Path unless Name is given) and bytes,
// both checked; raises a usage error when it cannot be stored.
TAttachData ReadAttachmentFile(const std::string& Path, const std::string& Name = std::string());
