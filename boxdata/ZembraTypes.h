// The in-memory records of a password box that windows, dialogs and the command-line tool pass
// around. Text is UTF-8. Ids are the storage engine's record ids and are never stored in the
// record bytes. Records holding passwords or file content wipe them when they are released.
// Plain values: nothing raises but memory exhaustion; each belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Entry kind; equal to the id of the kind's category folder.
enum TZembraType : uint8_t { ztNone = 0, ztNetItem = 1, ztBankItem = 2, ztCommItem = 3 };

// "web", "bank" or "note" ("none" for ztNone): how an entry's kind is named in references such
// as "web:5".
const char* KindName(TZembraType Kind);

using TIntegerAry = std::vector<int32_t>;

struct TZembraFolder {
    int32_t ID = 0;
    int32_t ParentID = 0; // 0 for a category folder
    std::string Name;
    int32_t SortCode = 0;
};
using TZembraFolders = std::vector<TZembraFolder>;

// Wipes a password-bearing string on release.
class TSecretString {
public:
    TSecretString() = default;
    TSecretString(std::string Value) : FValue(std::move(Value)) {}
    TSecretString(const char* Value) : FValue(Value) {}
    TSecretString(const TSecretString&) = default;
    TSecretString(TSecretString&&) noexcept = default;
    TSecretString& operator=(const TSecretString& Other);
    TSecretString& operator=(TSecretString&& Other) noexcept;
    ~TSecretString();

    const std::string& str() const { return FValue; }
    operator const std::string&() const { return FValue; }
    bool empty() const { return FValue.empty(); }
    std::size_t size() const { return FValue.size(); }
    bool operator==(const TSecretString& Other) const { return FValue == Other.FValue; }

private:
    std::string FValue;
};

struct TZmbNetItem {
    int32_t ID = 0;
    int32_t FolderID = 0;
    std::string Caption;
    std::string UserName;
    TSecretString Password;
    std::string Hyperlink;
    std::string Email;
    std::string Comments;
    int32_t SortCode = 0;
    bool Deleted = false;
};
using TZmbNetItems = std::vector<TZmbNetItem>;

struct TZmbBankItem {
    int32_t ID = 0;
    int32_t FolderID = 0;
    std::string BankName;
    std::string AccType;
    std::string UserName;
    std::string Account;
    TSecretString Password;
    std::string Comments;
    int32_t SortCode = 0;
    bool Deleted = false;
};
using TZmbBankItems = std::vector<TZmbBankItem>;

struct TZmbCommItem {
    int32_t ID = 0;
    int32_t FolderID = 0;
    std::string Caption;
    std::string Comments; // the entry's body text
    int32_t SortCode = 0;
    bool Deleted = false;
};
using TZmbCommItems = std::vector<TZmbCommItem>;

struct TAttachDataHeader {
    int32_t ID = 0;
    std::string Name;
    int32_t Size = 0;
};
using TAttachDataHeaderAry = std::vector<TAttachDataHeader>;

struct TAttachData {
    int32_t ID = 0;
    std::string Name;
    int32_t Size = 0;
    int32_t OwnerID = 0; // the general entry the file belongs to
    TSecretString Bin;   // the file's content
};

struct TSearchResultItem {
    TZembraType ZembraType = ztNone;
    int32_t ItemID = 0;
    std::string Caption;
};
using TSearchResultItems = std::vector<TSearchResultItem>;
