#include "cli/transfer/FormatJson.h"

#include "cli/CliError.h"
#include "cli/Output.h"
#include "cli/transfer/Base64.h"
#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <algorithm>
#include <functional>
#include <iomanip>
#include <istream>
#include <optional>
#include <limits>
#include <ostream>
#include <map>
#include <set>

namespace {

constexpr const char* kFormatName = "zembrix-export";
constexpr int kVersion = 1;

// The library's strings are released unwiped; every string value goes through here first.
void WipeJson(TJson& Value)
{
    if (Value.is_string())
        WipeString(Value.get_ref<std::string&>());
    else if (Value.is_structured())
        for (auto& child : Value)
            WipeJson(child);
}

class TJsonWiper {
public:
    explicit TJsonWiper(TJson& Value) : FValue(Value) {}
    ~TJsonWiper() { WipeJson(FValue); }
    TJsonWiper(const TJsonWiper&) = delete;
    TJsonWiper& operator=(const TJsonWiper&) = delete;

private:
    TJson& FValue;
};

// ---- reading ----

class TJsonReader {
public:
    explicit TJsonReader(const std::string& InputName) : FInput(InputName) {}

    [[noreturn]] void Fail(const std::string& Where, const std::string& What) const
    {
        RaiseFileError(ecRejected, FInput, "not a zembrix-cli JSON export: " + Where + ": " + What);
    }

    const TJson& Member(const TJson& Object, const std::string& Where, const char* Name, bool Required) const
    {
        static const TJson kNull;
        const auto it = Object.find(Name);
        if (it == Object.end()) {
            if (Required)
                Fail(Where, std::string("\"") + Name + "\" is missing");
            return kNull;
        }
        return *it;
    }

    // Missing text fields are empty.
    std::string Text(const TJson& Object, const std::string& Where, const char* Name) const
    {
        const TJson& v = Member(Object, Where, Name, false);
        if (v.is_null())
            return {};
        if (!v.is_string())
            Fail(Where + "." + Name, "a string expected");
        return v.get<std::string>();
    }

    int32_t Int(const TJson& Object, const std::string& Where, const char* Name, int64_t Min) const
    {
        const TJson& v = Member(Object, Where, Name, true);
        if (!v.is_number_integer())
            Fail(Where + "." + Name, "a whole number expected");
        const int64_t n = v.get<int64_t>();
        if (n < Min || n > std::numeric_limits<int32_t>::max())
            Fail(Where + "." + Name, std::to_string(n) + " is out of range");
        return static_cast<int32_t>(n);
    }

    std::optional<int32_t> OptionalInt(const TJson& Object, const std::string& Where, const char* Name) const
    {
        if (Member(Object, Where, Name, false).is_null())
            return std::nullopt;
        return Int(Object, Where, Name, std::numeric_limits<int32_t>::min());
    }

    const TJson& Array(const TJson& Doc, const char* Name) const
    {
        const TJson& v = Member(Doc, "the document", Name, false);
        if (!v.is_null() && !v.is_array())
            Fail(Name, "an array expected");
        return v;
    }

    // The elements of "folders", all of them: a folder's parents may come after it.
    void Folders(const TJson& List, TImportData& Data)
    {
        const TJson& list = List;
        std::vector<int32_t> order;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string where = "folders[" + std::to_string(i) + "]";
            const TJson& f = list[i];
            if (!f.is_object())
                Fail(where, "an object expected");
            const int32_t id = Int(f, where, "id", 1);
            if (FFolders.count(id))
                Fail(where + ".id", "folder " + std::to_string(id) + " is listed twice");
            FFolders[id] = {Int(f, where, "parent", 0), Text(f, where, "name"), Int(f, where, "sort", std::numeric_limits<int32_t>::min()), where};
            order.push_back(id);
        }
        // Paths, checked: every chain of parents ends at a category.
        for (const int32_t id : order) {
            const TRaw& raw = FFolders.at(id);
            if (raw.Parent == 0) {
                if (id < 1 || id > 3)
                    Fail(raw.Where, "folder " + std::to_string(id) +
                                        " has no parent but is none of the three categories (ids 1, 2, 3)");
                FPaths[id] = TImportFolderRef{id, {}};
                continue;
            }
            FPaths[id] = PathOf(id, raw.Where);
            Data.Folders.push_back({FPaths[id], raw.Sort});
        }
    }

    TImportFolderRef PathOf(int32_t ID, const std::string& Where) const
    {
        std::vector<std::string> names;
        std::set<int32_t> seen;
        int32_t id = ID;
        for (;;) {
            if (id >= 1 && id <= 3 && !FFolders.count(id))
                break; // a category the file does not list
            const auto it = FFolders.find(id);
            if (it == FFolders.end())
                Fail(Where, "its parent folder " + std::to_string(id) + " is not in the file");
            if (!seen.insert(id).second)
                Fail(Where, "its parents form a loop");
            if (it->second.Parent == 0) {
                if (id > 3)
                    Fail(Where, "its top folder " + std::to_string(id) + " is none of the three categories");
                break;
            }
            names.push_back(it->second.Name);
            id = it->second.Parent;
        }
        return {id, std::vector<std::string>(names.rbegin(), names.rend())};
    }

    TImportFolderRef EntryFolder(const TJson& Entry, const std::string& Where) const
    {
        const int32_t id = Int(Entry, Where, "folder", 1);
        const auto it = FPaths.find(id);
        if (it != FPaths.end())
            return it->second;
        if (id <= 3)
            return {id, {}};
        Fail(Where + ".folder", "folder " + std::to_string(id) + " is not in the file");
    }

    // One element of "web", "bank" or "notes". Without Folders known yet (the check reads the
    // entries before it has every folder), the folder is checked to be a number only.
    TImportEntry Entry(const TJson& E, TZembraType Kind, const std::string& Where, bool FoldersKnown) const
    {
        if (!E.is_object())
            Fail(Where, "an object expected");
        TImportEntry entry;
        entry.Kind = Kind;
        entry.Source = Where;
        if (FoldersKnown)
            entry.Folder = EntryFolder(E, Where);
        else
            entry.Folder.Category = Int(E, Where, "folder", 1);
        entry.SortCode = OptionalInt(E, Where, "sort");
        switch (Kind) {
        case ztNetItem:
            entry.Web.Caption = Text(E, Where, "title");
            entry.Web.UserName = Text(E, Where, "user");
            entry.Web.Password = Text(E, Where, "password");
            entry.Web.Hyperlink = Text(E, Where, "link");
            entry.Web.Email = Text(E, Where, "email");
            entry.Web.Comments = Text(E, Where, "comments");
            break;
        case ztBankItem:
            entry.Bank.BankName = Text(E, Where, "bank");
            entry.Bank.AccType = Text(E, Where, "type");
            entry.Bank.UserName = Text(E, Where, "holder");
            entry.Bank.Account = Text(E, Where, "account");
            entry.Bank.Password = Text(E, Where, "password");
            entry.Bank.Comments = Text(E, Where, "comments");
            break;
        default:
            entry.Note.Caption = Text(E, Where, "title");
            entry.Note.Comments = Text(E, Where, "body");
            Attachments(E, Where, entry);
            break;
        }
        return entry;
    }

    // Whether the folder id an entry names is in the file (or a category).
    bool KnowsFolder(int32_t ID) const { return FPaths.count(ID) || ID <= 3; }

    void Attachments(const TJson& Note, const std::string& Where, TImportEntry& Entry) const
    {
        const TJson& list = Member(Note, Where, "attachments", false);
        if (list.is_null())
            return;
        if (!list.is_array())
            Fail(Where + ".attachments", "an array expected");
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string where = Where + ".attachments[" + std::to_string(i) + "]";
            const TJson& a = list[i];
            if (!a.is_object())
                Fail(where, "an object expected");
            TAttachData data;
            data.Name = Text(a, where, "name");
            const TJson& encoded = Member(a, where, "data", true);
            if (!encoded.is_string())
                Fail(where + ".data", "a base64 string expected");
            std::string bytes;
            if (!DecodeBase64(encoded.get_ref<const std::string&>(), bytes))
                Fail(where + ".data", "not base64");
            if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
                WipeString(bytes);
                Fail(where + ".data", "larger than a box can hold (2 GiB)");
            }
            const TJson& size = Member(a, where, "size", false);
            data.Size = size.is_null() ? static_cast<int32_t>(bytes.size()) : Int(a, where, "size", 0);
            // What an export of an unfinished attachment once wrote: a size and no content.
            if (bytes.empty() && data.Size > 0)
                Fail(where + ".data", "empty, but the size is " + std::to_string(data.Size) +
                                          " bytes: the attachment's content is not in the file");
            data.Bin = TSecretString(std::move(bytes));
            Entry.Attachments.push_back(std::move(data));
        }
    }

private:
    struct TRaw {
        int32_t Parent;
        std::string Name;
        int32_t Sort;
        std::string Where;
    };
    std::string FInput;
    std::map<int32_t, TRaw> FFolders;
    std::map<int32_t, TImportFolderRef> FPaths;
};

// The parser's message without its code and without the text it last read, which may be part
// of a password.
std::string ParseMessage(std::string m)
{
    const auto bracket = m.find("] ");
    if (!m.empty() && m[0] == '[' && bracket != std::string::npos)
        m.erase(0, bracket + 2);
    const auto last = m.find("; last read");
    if (last != std::string::npos)
        m.erase(last);
    return m;
}

} // namespace

void WriteJsonExport(const TBoxSnapshot& Snap, TSecretText& Out)
{
    TJson doc;
    TJsonWiper wiper(doc);
    doc["format"] = kFormatName;
    doc["version"] = kVersion;
    for (const char* key : {"folders", "web", "bank", "notes"})
        doc[key] = TJson::array();
    // References only once every member is in: adding one may move the others.
    TJson& folders = doc["folders"];
    TJson& web = doc["web"];
    TJson& bank = doc["bank"];
    TJson& notes = doc["notes"];
    for (const TSnapshotFolder& f : Snap.Folders) {
        folders.push_back({{"id", f.Folder.ID}, {"parent", f.Folder.ParentID}, {"name", f.Folder.Name},
                           {"sort", f.Folder.SortCode}});
        for (const TZmbNetItem& e : f.Web)
            web.push_back({{"id", e.ID},
                           {"folder", f.Folder.ID},
                           {"title", e.Caption},
                           {"user", e.UserName},
                           {"password", e.Password.str()},
                           {"link", e.Hyperlink},
                           {"email", e.Email},
                           {"comments", e.Comments},
                           {"sort", e.SortCode}});
        for (const TZmbBankItem& e : f.Bank)
            bank.push_back({{"id", e.ID},
                            {"folder", f.Folder.ID},
                            {"bank", e.BankName},
                            {"type", e.AccType},
                            {"holder", e.UserName},
                            {"account", e.Account},
                            {"password", e.Password.str()},
                            {"comments", e.Comments},
                            {"sort", e.SortCode}});
        for (const TSnapshotNote& n : f.Notes) {
            TJson attachments = TJson::array();
            for (const TAttachData& a : n.Attachments)
                attachments.push_back(
                    {{"id", a.ID}, {"name", a.Name}, {"size", a.Size}, {"data", EncodeBase64(a.Bin.str())}});
            notes.push_back({{"id", n.Item.ID},
                             {"folder", f.Folder.ID},
                             {"title", n.Item.Caption},
                             {"body", n.Item.Comments},
                             {"sort", n.Item.SortCode},
                             {"attachments", std::move(attachments)}});
        }
    }
    std::ostream out(&Out);
    out << std::setw(1) << std::setfill('\t') << doc << '\n';
}

namespace {

// The input as a stream for the parser, piece by piece.
class TSourceBuffer : public std::streambuf {
public:
    explicit TSourceBuffer(TImportSource& In) : FIn(In) {}

protected:
    int_type underflow() override
    {
        const std::string_view piece = FIn.Next();
        if (piece.empty())
            return traits_type::eof();
        char* p = const_cast<char*>(piece.data());
        setg(p, p, p + piece.size());
        return traits_type::to_int_type(*p);
    }

private:
    TImportSource& FIn;
};

// Hands the document over in items: each member of the top object that is no array, and each
// element of a member that is one, so that no more than one entry is held. Items that are not
// wanted are passed over without being built.
class TJsonItems : public nlohmann::json_sax<TJson> {
public:
    // Index: the place in the member's array; none for a member that is no array.
    using TOnItem = std::function<void(const std::string& Member, std::optional<std::size_t> Index, TJson& Item)>;
    using TWanted = std::function<bool(const std::string& Member)>;

    TJsonItems(TWanted Wanted, TOnItem OnItem) : FWanted(std::move(Wanted)), FOnItem(std::move(OnItem)) {}
    ~TJsonItems() override { WipeJson(FItem); }

    // False when the text is no JSON (ParseError says why) or no object (NotObject).
    bool Parse(TImportSource& In)
    {
        TSourceBuffer buffer(In);
        std::istream stream(&buffer);
        return TJson::sax_parse(stream, this) && !FParseError;
    }
    const std::optional<std::string>& ParseError() const { return FParseError; }
    bool NotObject() const { return FNotObject; }
    // The members in the order they came.
    const std::vector<std::string>& Members() const { return FMembers; }

    bool null() override { return Scalar(nullptr); }
    bool boolean(bool Value) override { return Scalar(Value); }
    bool number_integer(number_integer_t Value) override { return Scalar(Value); }
    bool number_unsigned(number_unsigned_t Value) override { return Scalar(Value); }
    bool number_float(number_float_t Value, const string_t&) override { return Scalar(Value); }
    bool string(string_t& Value) override
    {
        TJson v = std::move(Value);
        WipeString(Value);
        return Scalar(std::move(v));
    }
    bool binary(binary_t&) override { return true; }

    bool start_object(std::size_t) override { return Open(TJson::object()); }
    bool start_array(std::size_t) override { return Open(TJson::array()); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& Key) override
    {
        if (FSkip == 0 && !FStack.empty())
            FKey = Key;
        else if (FSkip == 0 && FLevel == 1) {
            FMember = Key;
            FMembers.push_back(Key);
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& E) override
    {
        FParseError = E.what();
        return false;
    }

private:
    // Where a value that starts no item goes inside the one being built.
    TJson& Place(TJson Value)
    {
        TJson& parent = *FStack.back();
        if (parent.is_object()) {
            TJson& slot = parent[FKey];
            slot = std::move(Value);
            return slot;
        }
        parent.push_back(std::move(Value));
        return parent.back();
    }

    bool StartsItem(bool Array)
    {
        if (FLevel == 1 && Array && FArrays.count(FMember)) {
            FLevel = 2; // the member's elements are the items
            FIndex = 0;
            return false;
        }
        return true;
    }

    bool Scalar(TJson Value)
    {
        if (FSkip > 0)
            return true;
        if (!FStack.empty()) {
            Place(std::move(Value));
            return true;
        }
        if (FLevel == 0) {
            FNotObject = true;
            return true;
        }
        FItem = std::move(Value);
        Deliver();
        return true;
    }

    bool Open(TJson Container)
    {
        if (FSkip > 0) {
            ++FSkip;
            return true;
        }
        if (!FStack.empty()) {
            FStack.push_back(&Place(std::move(Container)));
            return true;
        }
        if (FLevel == 0) {
            if (Container.is_object())
                FLevel = 1;
            else {
                FNotObject = true;
                FSkip = 1;
            }
            return true;
        }
        if (!StartsItem(Container.is_array()))
            return true;
        if (!FWanted(FMember)) {
            FSkip = 1;
            return true;
        }
        FItem = std::move(Container);
        FStack.push_back(&FItem);
        return true;
    }

    bool Close()
    {
        if (FSkip > 0) {
            if (--FSkip == 0 && FLevel == 2)
                ++FIndex;
            return true;
        }
        if (!FStack.empty()) {
            FStack.pop_back();
            if (FStack.empty())
                Deliver();
            return true;
        }
        if (FLevel > 0)
            --FLevel;
        return true;
    }

    void Deliver()
    {
        if (FWanted(FMember))
            FOnItem(FMember, FLevel == 2 ? std::optional<std::size_t>(FIndex) : std::nullopt, FItem);
        if (FLevel == 2)
            ++FIndex;
        WipeJson(FItem);
        FItem = nullptr;
    }

    const std::set<std::string> FArrays{"folders", "web", "bank", "notes"};
    TWanted FWanted;
    TOnItem FOnItem;
    int FLevel = 0;  // 0 outside the document, 1 in the top object, 2 in one of its arrays
    int FSkip = 0;   // depth inside a value passed over
    std::string FMember, FKey;
    std::vector<std::string> FMembers;
    std::size_t FIndex = 0;
    TJson FItem;
    std::vector<TJson*> FStack; // the open containers of the item being built
    std::optional<std::string> FParseError;
    bool FNotObject = false;
};

struct TJsonKind {
    const char* Name;
    TZembraType Kind;
};
constexpr TJsonKind kKinds[] = {{"web", ztNetItem}, {"bank", ztBankItem}, {"notes", ztCommItem}};

// The check reads every item and keeps the folders and, per list, its first fault; the folders
// entries name are checked once all folders are known.
class TJsonImporter : public TImportReader {
public:
    explicit TJsonImporter(const std::string& InputName) : FInput(InputName), FReader(InputName) {}

    void Check(TImportSource& In, TImportData& Data, std::size_t& Count) override
    {
        std::optional<TJson> format, version;
        TJson folders = TJson::array();
        std::optional<std::string> foldersFault;
        struct TList {
            std::size_t Count = 0;
            std::optional<std::string> NotArray;
            std::optional<std::pair<std::size_t, std::string>> Fault;
            std::map<int32_t, std::size_t> Folders; // folder id -> first entry naming it
        };
        std::map<std::string, TList> lists;
        TJsonItems items([](const std::string&) { return true; },
                         [&](const std::string& Member, std::optional<std::size_t> Index, TJson& Item) {
                             if (!Index) {
                                 if (Member == "format")
                                     format = Item;
                                 else if (Member == "version")
                                     version = Item;
                                 else if ((Member == "folders" || lists.count(Member) || IsKind(Member)) &&
                                          !Item.is_null())
                                     (Member == "folders" ? foldersFault : lists[Member].NotArray) = Member;
                                 return;
                             }
                             if (Member == "folders") {
                                 folders.push_back(Item);
                                 return;
                             }
                             TList& list = lists[Member];
                             ++list.Count;
                             if (list.Fault)
                                 return;
                             const std::string where = Member + "[" + std::to_string(*Index) + "]";
                             try {
                                 TImportEntry e = FReader.Entry(Item, KindOf(Member), where, false);
                                 list.Folders.emplace(e.Folder.Category, *Index);
                             } catch (const ECliError& x) {
                                 list.Fault.emplace(*Index, x.Message());
                             }
                         });
        const bool parsed = items.Parse(In);
        if (!parsed && items.ParseError())
            RaiseFileError(ecRejected, FInput, "not JSON: " + ParseMessage(*items.ParseError()));
        if (items.NotObject())
            FReader.Fail("the document", "an object expected");
        if (!format)
            FReader.Fail("the document", "\"format\" is missing");
        if (*format != kFormatName)
            FReader.Fail("format", "\"zembrix-export\" expected");
        if (!version)
            FReader.Fail("the document", "\"version\" is missing");
        if (*version != kVersion)
            FReader.Fail("version", "version " + version->dump() + " is not known (this is version 1)");
        if (foldersFault)
            FReader.Fail("folders", "an array expected");
        Data = TImportData();
        Data.Format = "json";
        FReader.Folders(folders, Data);
        WipeJson(folders);
        Count = 0;
        for (const TJsonKind& k : kKinds) {
            TList& list = lists[k.Name];
            if (list.NotArray)
                FReader.Fail(k.Name, "an array expected");
            for (const auto& [id, index] : list.Folders)
                if (!FReader.KnowsFolder(id) && (!list.Fault || index <= list.Fault->first))
                    list.Fault.emplace(index, "not a zembrix-cli JSON export: " + std::string(k.Name) + "[" +
                                                  std::to_string(index) + "].folder: folder " + std::to_string(id) +
                                                  " is not in the file");
            if (list.Fault)
                RaiseFileError(ecRejected, FInput, list.Fault->second);
            Count += list.Count;
        }
        FCount = Count;
        // One more reading stores the lists when they come in the order they are stored in.
        std::vector<std::string> order;
        for (const std::string& m : items.Members())
            if (IsKind(m) && lists[m].Count > 0 && std::find(order.begin(), order.end(), m) == order.end())
                order.push_back(m);
        FPasses.clear();
        std::vector<std::string> stored;
        for (const TJsonKind& k : kKinds)
            if (lists[k.Name].Count > 0)
                stored.push_back(k.Name);
        if (order == stored)
            FPasses.push_back(std::set<std::string>(stored.begin(), stored.end()));
        else
            for (const std::string& m : stored)
                FPasses.push_back({m});
    }

    void Replay(TImportSource& In, const TImportTake& Take) override
    {
        std::size_t stored = 0;
        for (std::size_t pass = 0; pass < FPasses.size(); ++pass) {
            if (pass > 0)
                In.Rewind();
            const std::set<std::string>& wanted = FPasses[pass];
            TJsonItems items([&](const std::string& Member) { return wanted.count(Member) > 0; },
                             [&](const std::string& Member, std::optional<std::size_t> Index, TJson& Item) {
                                 if (!Index)
                                     return;
                                 const std::string where = Member + "[" + std::to_string(*Index) + "]";
                                 TImportEntry e = FReader.Entry(Item, KindOf(Member), where, true);
                                 ++stored;
                                 Take(e);
                             });
            if (!items.Parse(In))
                RaiseFileError(ecFileFault, FInput, "the file changed while it was read");
        }
        if (stored != FCount)
            RaiseFileError(ecFileFault, FInput, "the file changed while it was read");
    }

private:
    static bool IsKind(const std::string& Member)
    {
        return Member == "web" || Member == "bank" || Member == "notes";
    }
    static TZembraType KindOf(const std::string& Member)
    {
        return Member == "web" ? ztNetItem : Member == "bank" ? ztBankItem : ztCommItem;
    }

    std::string FInput;
    TJsonReader FReader;
    std::size_t FCount = 0;
    std::vector<std::set<std::string>> FPasses; // the lists each reading of the replay stores
};

} // namespace

std::unique_ptr<TImportReader> NewJsonReader(const std::string& InputName)
{
    return std::make_unique<TJsonImporter>(InputName);
}

TImportData ReadJsonImport(std::string& Text, const std::string& InputName)
{
    return ReadImportText("json", Text, InputName);
}
