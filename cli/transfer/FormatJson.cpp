#include "cli/transfer/FormatJson.h"

#include "cli/CliError.h"
#include "cli/Output.h"
#include "cli/transfer/Base64.h"
#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <iomanip>
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

    void Folders(const TJson& Doc, TImportData& Data)
    {
        const TJson& list = Array(Doc, "folders");
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

    template <class TFill>
    void Entries(const TJson& Doc, const char* Name, TZembraType Kind, TImportData& Data, TFill Fill)
    {
        const TJson& list = Array(Doc, Name);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string where = std::string(Name) + "[" + std::to_string(i) + "]";
            const TJson& e = list[i];
            if (!e.is_object())
                Fail(where, "an object expected");
            TImportEntry entry;
            entry.Kind = Kind;
            entry.Source = where;
            entry.Folder = EntryFolder(e, where);
            entry.SortCode = OptionalInt(e, where, "sort");
            Fill(e, where, entry);
            Data.Entries.push_back(std::move(entry));
        }
    }

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
std::string ParseMessage(const std::exception& E)
{
    std::string m = E.what();
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

TImportData ReadJsonDocument(std::string& Text, const std::string& InputName)
{
    TJson doc;
    try {
        doc = TJson::parse(Text);
    } catch (const TJson::parse_error& e) {
        WipeString(Text);
        RaiseFileError(ecRejected, InputName, "not JSON: " + ParseMessage(e));
    }
    WipeString(Text);
    TJsonWiper wiper(doc);

    TJsonReader r(InputName);
    if (!doc.is_object())
        r.Fail("the document", "an object expected");
    const TJson& format = r.Member(doc, "the document", "format", true);
    if (format != kFormatName)
        r.Fail("format", "\"zembrix-export\" expected");
    const TJson& version = r.Member(doc, "the document", "version", true);
    if (version != kVersion)
        r.Fail("version", "version " + version.dump() + " is not known (this is version 1)");

    TImportData data;
    data.Format = "json";
    r.Folders(doc, data);
    r.Entries(doc, "web", ztNetItem, data, [&](const TJson& e, const std::string& w, TImportEntry& out) {
        out.Web.Caption = r.Text(e, w, "title");
        out.Web.UserName = r.Text(e, w, "user");
        out.Web.Password = r.Text(e, w, "password");
        out.Web.Hyperlink = r.Text(e, w, "link");
        out.Web.Email = r.Text(e, w, "email");
        out.Web.Comments = r.Text(e, w, "comments");
    });
    r.Entries(doc, "bank", ztBankItem, data, [&](const TJson& e, const std::string& w, TImportEntry& out) {
        out.Bank.BankName = r.Text(e, w, "bank");
        out.Bank.AccType = r.Text(e, w, "type");
        out.Bank.UserName = r.Text(e, w, "holder");
        out.Bank.Account = r.Text(e, w, "account");
        out.Bank.Password = r.Text(e, w, "password");
        out.Bank.Comments = r.Text(e, w, "comments");
    });
    r.Entries(doc, "notes", ztCommItem, data, [&](const TJson& e, const std::string& w, TImportEntry& out) {
        out.Note.Caption = r.Text(e, w, "title");
        out.Note.Comments = r.Text(e, w, "body");
        r.Attachments(e, w, out);
    });
    return data;
}

// The document is parsed whole: the check keeps the entries it read for the replay.
class TJsonImporter : public TImportReader {
public:
    explicit TJsonImporter(const std::string& InputName) : FInput(InputName) {}

    void Check(TImportSource& In, TImportData& Data, std::size_t& Count) override
    {
        std::string text;
        for (std::string_view piece = In.Next(); !piece.empty(); piece = In.Next())
            AppendWiped(text, piece);
        FData = ReadJsonDocument(text, FInput);
        Data.Format = FData.Format;
        Data.Folders = FData.Folders;
        Data.Notices = FData.Notices;
        Count = FData.Entries.size();
    }

    void Replay(TImportSource&, const TImportTake& Take) override
    {
        for (TImportEntry& e : FData.Entries)
            Take(e);
        FData.Entries.clear();
    }

private:
    std::string FInput;
    TImportData FData;
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
