#include "cli/transfer/FormatKeePassXml.h"

#include "cli/CliError.h"
#include "cli/transfer/Base64.h"
#include "cli/transfer/Gzip.h"
#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace {

const char* const kTitle = "Title";
const char* const kUserName = "UserName";
const char* const kPassword = "Password";
const char* const kURL = "URL";
const char* const kNotes = "Notes";

// ---- writing ----

// Text as XML character data. The library's own escaping leaves a carriage return raw, which
// every reader turns into a line break; written as a reference it survives.
class TXmlText {
public:
    explicit TXmlText(std::vector<std::string>& Warnings) : FWarnings(Warnings) {}

    std::string Escape(std::string_view Text, const std::string& Where)
    {
        std::string out;
        out.reserve(Text.size() + 16);
        for (const char ch : Text) {
            const auto c = static_cast<unsigned char>(ch);
            switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\r':
                out += "&#13;";
                break;
            case '\t':
            case '\n':
                out += ch;
                break;
            default:
                if (c < 0x20) {
                    // Not allowed in XML 1.0 even as a reference; our reader takes it back,
                    // other programs may refuse the file.
                    out += "&#" + std::to_string(c) + ";";
                    if (FControlWarned.insert(Where).second)
                        FWarnings.push_back(Where + " holds control characters that XML 1.0 does not allow; other "
                                                    "programs may refuse the file");
                } else
                    out += ch;
            }
        }
        return out;
    }

private:
    std::vector<std::string>& FWarnings;
    std::set<std::string> FControlWarned;
};

class TXmlExporter {
public:
    TXmlExporter(const TBoxSnapshot& Snap, std::vector<std::string>& Warnings)
        : FSnap(Snap), FWarnings(Warnings), FText(Warnings)
    {
    }

    void Write(TSecretText& Out)
    {
        pugi::xml_node decl = FDoc.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "UTF-8";
        decl.append_attribute("standalone") = "yes";
        pugi::xml_node file = FDoc.append_child("KeePassFile");
        pugi::xml_node meta = file.append_child("Meta");
        Element(meta, "Generator", "zembrix-cli", "the file");
        Element(meta, "DatabaseName", FSnap.Name, "the file");
        FBinaries = meta.append_child("Binaries");
        pugi::xml_node top = file.append_child("Root").append_child("Group");
        Element(top, "UUID", NewUuid(), "the file");
        Element(top, "Name", FSnap.Name, "the file");
        for (const std::size_t c : FSnap.Categories)
            Group(top, FSnap.Folders[c]);

        struct TWriter : pugi::xml_writer {
            TSecretText* Out;
            void write(const void* Data, std::size_t Size) override
            {
                Out->Append(std::string_view(static_cast<const char*>(Data), Size));
            }
        } writer;
        writer.Out = &Out;
        FDoc.save(writer, "\t", pugi::format_default | pugi::format_no_escapes | pugi::format_no_declaration);
    }

private:
    void Element(pugi::xml_node Parent, const char* Name, std::string_view Text, const std::string& Where)
    {
        std::string escaped = FText.Escape(Text, Where);
        Parent.append_child(Name).text().set(escaped.c_str());
        WipeString(escaped);
    }

    void String(pugi::xml_node Entry, const char* Key, std::string_view Value, const std::string& Where,
                bool Protect = false)
    {
        pugi::xml_node s = Entry.append_child("String");
        Element(s, "Key", Key, Where);
        Element(s, "Value", Value, Where);
        if (Protect)
            s.child("Value").append_attribute("ProtectInMemory") = "True";
    }

    pugi::xml_node NewEntry(pugi::xml_node Group)
    {
        pugi::xml_node e = Group.append_child("Entry");
        Element(e, "UUID", NewUuid(), "");
        return e;
    }

    void Group(pugi::xml_node Parent, const TSnapshotFolder& F)
    {
        pugi::xml_node g = Parent.append_child("Group");
        Element(g, "UUID", NewUuid(), "");
        Element(g, "Name", F.Folder.Name, "folder " + F.Path);
        for (const TZmbNetItem& e : F.Web) {
            const std::string where = "web:" + std::to_string(e.ID);
            pugi::xml_node n = NewEntry(g);
            String(n, kTitle, e.Caption, where);
            String(n, kUserName, e.UserName, where);
            String(n, kPassword, e.Password.str(), where, true);
            String(n, kURL, e.Hyperlink, where);
            String(n, kNotes, e.Comments, where);
            if (!e.Email.empty())
                String(n, std::string(kLabelEmail).c_str(), e.Email, where);
        }
        for (const TZmbBankItem& e : F.Bank) {
            const std::string where = "bank:" + std::to_string(e.ID);
            pugi::xml_node n = NewEntry(g);
            String(n, kTitle, e.BankName, where);
            String(n, kUserName, e.UserName, where);
            String(n, kPassword, e.Password.str(), where, true);
            String(n, kURL, "", where);
            String(n, kNotes, e.Comments, where);
            if (!e.AccType.empty())
                String(n, std::string(kLabelAccType).c_str(), e.AccType, where);
            if (!e.Account.empty())
                String(n, std::string(kLabelAccount).c_str(), e.Account, where);
        }
        for (const TSnapshotNote& note : F.Notes) {
            const std::string where = "note:" + std::to_string(note.Item.ID);
            pugi::xml_node n = NewEntry(g);
            String(n, kTitle, note.Item.Caption, where);
            String(n, kUserName, "", where);
            String(n, kPassword, "", where, true);
            String(n, kURL, "", where);
            String(n, kNotes, note.Item.Comments, where);
            std::set<std::string> keys;
            for (const TAttachData& a : note.Attachments)
                Binary(n, a, keys, where);
        }
        for (const std::size_t child : F.Children)
            Group(g, FSnap.Folders[child]);
    }

    // An entry's binaries are told apart by name; a box allows two files of one name, so the
    // second is renamed rather than lost.
    void Binary(pugi::xml_node Entry, const TAttachData& A, std::set<std::string>& Keys, const std::string& Where)
    {
        std::string key = A.Name.empty() ? std::string("attachment") : A.Name;
        for (int i = 2; Keys.count(key); ++i)
            key = (A.Name.empty() ? std::string("attachment") : A.Name) + " (" + std::to_string(i) + ")";
        if (key != A.Name)
            FWarnings.push_back(Where + ": attachment " + std::to_string(A.ID) + " \"" + A.Name +
                                "\" is written as \"" + key + "\" (an entry's binaries need distinct names)");
        Keys.insert(key);

        const std::string id = std::to_string(FNextBinary++);
        std::string packed = EncodeBase64(GzipCompress(A.Bin.str()));
        pugi::xml_node pooled = FBinaries.append_child("Binary");
        pooled.append_attribute("ID") = id.c_str();
        pooled.append_attribute("Compressed") = "True";
        pooled.text().set(packed.c_str());
        WipeString(packed);

        pugi::xml_node b = Entry.append_child("Binary");
        Element(b, "Key", key, Where);
        b.append_child("Value").append_attribute("Ref") = id.c_str();
    }

    std::string NewUuid()
    {
        std::string bytes(16, '\0');
        for (std::size_t i = 0; i < 16; i += 4) {
            const uint32_t v = FRandom();
            for (std::size_t k = 0; k < 4; ++k)
                bytes[i + k] = static_cast<char>(v >> (8 * k));
        }
        bytes[6] = static_cast<char>((bytes[6] & 0x0F) | 0x40); // version 4
        bytes[8] = static_cast<char>((bytes[8] & 0x3F) | 0x80);
        return EncodeBase64(bytes);
    }

    const TBoxSnapshot& FSnap;
    std::vector<std::string>& FWarnings;
    TXmlText FText;
    pugi::xml_document FDoc;
    pugi::xml_node FBinaries;
    int FNextBinary = 0;
    std::random_device FRandom;
};

// ---- reading ----

bool IsTrue(const char* Text)
{
    std::string t(Text);
    std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return t == "true" || t == "1";
}

struct TXmlEntryData {
    std::vector<std::pair<std::string, std::string>> Strings; // in document order, keys unique
    std::vector<TAttachData> Binaries;
    std::string Tags;

    std::string Take(const std::string& Key)
    {
        for (auto it = Strings.begin(); it != Strings.end(); ++it)
            if (it->first == Key) {
                std::string v = std::move(it->second);
                Strings.erase(it);
                return v;
            }
        return {};
    }
    // The remaining strings with a value, as labelled lines.
    void MoveRestTo(std::vector<TLabelledLine>& Extra)
    {
        for (auto& [key, value] : Strings)
            if (!value.empty())
                Extra.emplace_back(key, std::move(value));
        Strings.clear();
    }
};

class TXmlImporter {
public:
    TXmlImporter(std::string& Text, const std::string& InputName) : FText(Text), FInput(InputName)
    {
        for (std::size_t i = Text.find('\n'); i != std::string::npos; i = Text.find('\n', i + 1))
            FLineEnds.push_back(i);
    }

    TImportData Read()
    {
        const pugi::xml_parse_result parsed = FDoc.load_buffer_inplace(
            FText.data(), FText.size(), pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
        if (!parsed) {
            const auto [line, column] = Position(static_cast<std::size_t>(parsed.offset));
            RaiseFileError(ecRejected, FInput,
                           "not XML: " + std::string(parsed.description()) + " at line " + std::to_string(line) +
                               ", column " + std::to_string(column));
        }
        const pugi::xml_node file = FDoc.document_element();
        if (std::string_view(file.name()) != "KeePassFile")
            Fail(file, "the document is <" + std::string(file.name()) + ">, not a KeePass XML file (<KeePassFile>)");
        FData.Format = "keepass-xml";
        ReadMeta(file.child("Meta"));
        const pugi::xml_node root = file.child("Root");
        if (!root)
            Fail(file, "<KeePassFile> has no <Root>");
        if (!root.child("Group"))
            Fail(root, "<Root> has no <Group>");
        for (pugi::xml_node top : root.children("Group"))
            Walk(top, 0, {}, true);
        if (FHistory > 0)
            FData.Notices.push_back(std::to_string(FHistory) +
                                    " older versions of entries (their history) were left out; each entry is imported as it is now");
        return std::move(FData);
    }

private:
    std::pair<std::size_t, std::size_t> Position(std::size_t Offset) const
    {
        const auto it = std::lower_bound(FLineEnds.begin(), FLineEnds.end(), Offset);
        const std::size_t line = static_cast<std::size_t>(it - FLineEnds.begin()) + 1;
        const std::size_t start = it == FLineEnds.begin() ? 0 : *(it - 1) + 1;
        return {line, Offset - start + 1};
    }

    std::string LineOf(pugi::xml_node Node) const
    {
        const std::ptrdiff_t off = Node.offset_debug();
        return off < 0 ? std::string() : "line " + std::to_string(Position(static_cast<std::size_t>(off)).first);
    }

    [[noreturn]] void Fail(pugi::xml_node Node, const std::string& What) const
    {
        const std::string line = LineOf(Node);
        RaiseFileError(ecRejected, FInput, (line.empty() ? std::string() : line + ": ") + What);
    }

    // Text of a value element, checked.
    std::string TextOf(pugi::xml_node Node) const
    {
        const char* t = Node.text().get();
        if (!IsUtf8(t))
            Fail(Node, "<" + std::string(Node.name()) + "> holds text that is not UTF-8");
        return t;
    }

    std::string Unpack(pugi::xml_node Node, const std::string& Encoded, bool Compressed) const
    {
        std::string bytes;
        if (!DecodeBase64(Encoded, bytes))
            Fail(Node, "the binary content is not base64");
        if (!Compressed)
            return bytes;
        std::string plain;
        const bool ok = GzipDecompress(bytes, plain);
        WipeString(bytes);
        if (!ok)
            Fail(Node, "the binary content is marked compressed but is no complete gzip stream");
        return plain;
    }

    void ReadMeta(pugi::xml_node Meta)
    {
        for (pugi::xml_node b : Meta.child("Binaries").children("Binary")) {
            const pugi::xml_attribute id = b.attribute("ID");
            if (!id)
                Fail(b, "a <Binary> in <Meta><Binaries> has no ID");
            FPool[id.value()] = TSecretString(Unpack(b, b.text().get(), IsTrue(b.attribute("Compressed").value())));
        }
        const std::string recycle = Meta.child("RecycleBinUUID").text().get();
        if (!IsTrue(Meta.child("RecycleBinEnabled").text().as_string("True")) || recycle.empty() ||
            recycle.find_first_not_of("A=") == std::string::npos)
            return; // no recycle bin (all-zero id)
        FRecycleBin = recycle;
    }

    static std::string Joined(const std::vector<std::string>& Names)
    {
        std::string s;
        for (const std::string& n : Names)
            s += (s.empty() ? "" : "/") + n;
        return s;
    }

    // Group: its entries, then its groups. Category is ours (1..3) below one of our category
    // groups, else 0.
    void Walk(pugi::xml_node Group, int32_t Category, const std::vector<std::string>& Names, bool Top)
    {
        for (pugi::xml_node e : Group.children("Entry"))
            Entry(e, Category, Names);
        for (pugi::xml_node g : Group.children("Group")) {
            std::string name = TextOf(g.child("Name"));
            if (!FRecycleBin.empty() && g.child("UUID").text().get() == FRecycleBin) {
                FData.Notices.push_back("the recycle bin (group \"" + name + "\", " + std::to_string(CountEntries(g)) +
                                        " entries) was left out");
                continue;
            }
            if (Top && Category == 0 && CategoryOfName(name) != 0) {
                Walk(g, CategoryOfName(name), {}, false);
                continue;
            }
            if (name.empty()) {
                name = "(unnamed)";
                FData.Notices.push_back("a group without a name (" + LineOf(g) + ") became the folder \"(unnamed)\"");
            }
            std::vector<std::string> names = Names;
            names.push_back(std::move(name));
            FData.Folders.push_back({{Category == 0 ? 1 : Category, names}, std::nullopt});
            Walk(g, Category, names, false);
        }
    }

    static std::size_t CountEntries(pugi::xml_node Group)
    {
        std::size_t n = 0;
        for (pugi::xml_node e : Group.children("Entry")) {
            (void)e;
            ++n;
        }
        for (pugi::xml_node g : Group.children("Group"))
            n += CountEntries(g);
        return n;
    }

    TXmlEntryData EntryData(pugi::xml_node Entry)
    {
        TXmlEntryData d;
        for (pugi::xml_node s : Entry.children("String")) {
            const pugi::xml_node value = s.child("Value");
            if (IsTrue(value.attribute("Protected").value()))
                Fail(value, "a protected value is enciphered with its database's key; export the database "
                            "as plain XML instead");
            std::string key = TextOf(s.child("Key"));
            std::string v = TextOf(value);
            bool replaced = false;
            for (auto& [k, old] : d.Strings)
                if (k == key) {
                    WipeString(old);
                    old = std::move(v);
                    replaced = true;
                }
            if (!replaced)
                d.Strings.emplace_back(std::move(key), std::move(v));
        }
        for (pugi::xml_node b : Entry.children("Binary")) {
            const pugi::xml_node value = b.child("Value");
            TAttachData a;
            a.Name = TextOf(b.child("Key"));
            if (const pugi::xml_attribute ref = value.attribute("Ref")) {
                const auto it = FPool.find(ref.value());
                if (it == FPool.end())
                    Fail(value, std::string("the binary ") + ref.value() + " is not in <Meta><Binaries>");
                a.Bin = it->second;
            } else
                a.Bin = TSecretString(Unpack(value, value.text().get(), IsTrue(value.attribute("Compressed").value())));
            if (a.Bin.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
                Fail(value, "the binary is larger than a box can hold (2 GiB)");
            a.Size = static_cast<int32_t>(a.Bin.size());
            d.Binaries.push_back(std::move(a));
        }
        d.Tags = TextOf(Entry.child("Tags"));
        for (pugi::xml_node h : Entry.child("History").children("Entry")) {
            (void)h;
            ++FHistory;
        }
        return d;
    }

    static std::string Labels(const std::vector<TLabelledLine>& Extra)
    {
        std::string s;
        for (const auto& [label, value] : Extra)
            s += (s.empty() ? "" : ", ") + label;
        return s;
    }

    void Entry(pugi::xml_node Node, int32_t Category, const std::vector<std::string>& Names)
    {
        TXmlEntryData d = EntryData(Node);
        TImportEntry e;
        const std::string title = d.Take(kTitle);
        e.Source = LineOf(Node);
        if (!d.Tags.empty())
            d.Strings.emplace_back("Tags", std::move(d.Tags));
        const std::string group = Names.empty() ? std::string("the root group") : "group \"" + Joined(Names) + "\"";

        if (!d.Binaries.empty() && Category != 3) {
            // A general entry is the only kind that keeps files.
            e.Kind = ztCommItem;
            e.Note.Caption = title;
            e.Note.Comments = d.Take(kNotes);
            for (const char* key : {kUserName, kPassword, kURL}) {
                std::string v = d.Take(key);
                if (!v.empty())
                    e.Extra.emplace_back(key, std::move(v));
            }
            d.MoveRestTo(e.Extra);
            e.Attachments = std::move(d.Binaries);
            e.Folder = {3, Names};
            e.How = std::string(Category == 0 ? "foreign entry" : "entry") + " with " +
                    std::to_string(e.Attachments.size()) + " attachments from " + group +
                    ": a general entry, so no file is lost" +
                    (e.Extra.empty() ? "" : "; " + Labels(e.Extra) + " as labelled lines in the body");
            FData.Entries.push_back(std::move(e));
            return;
        }
        switch (Category) {
        case 2:
            e.Kind = ztBankItem;
            e.Bank.BankName = title;
            e.Bank.UserName = d.Take(kUserName);
            e.Bank.Password = d.Take(kPassword);
            e.Bank.Comments = d.Take(kNotes);
            e.Bank.AccType = d.Take(std::string(kLabelAccType));
            e.Bank.Account = d.Take(std::string(kLabelAccount));
            break;
        case 3:
            e.Kind = ztCommItem;
            e.Note.Caption = title;
            e.Note.Comments = d.Take(kNotes);
            e.Attachments = std::move(d.Binaries);
            break;
        default:
            e.Kind = ztNetItem;
            e.Web.Caption = title;
            e.Web.UserName = d.Take(kUserName);
            e.Web.Password = d.Take(kPassword);
            e.Web.Hyperlink = d.Take(kURL);
            e.Web.Comments = d.Take(kNotes);
            e.Web.Email = d.Take(std::string(kLabelEmail));
            break;
        }
        d.MoveRestTo(e.Extra);
        const std::string where = e.Kind == ztCommItem ? "body" : "comments";
        if (Category == 0)
            e.How = "foreign entry from " + group + ": a web entry" +
                    (e.Extra.empty() ? "" : "; " + Labels(e.Extra) + " as labelled lines in the comments");
        else if (!e.Extra.empty())
            e.How = Labels(e.Extra) + " as labelled lines in the " + where;
        e.Folder = {Category == 0 ? 1 : Category, Names};
        FData.Entries.push_back(std::move(e));
    }

    std::string& FText;
    std::string FInput;
    std::vector<std::size_t> FLineEnds;
    pugi::xml_document FDoc;
    std::map<std::string, TSecretString> FPool;
    std::string FRecycleBin;
    std::size_t FHistory = 0;
    TImportData FData;
};

} // namespace

void WriteKeePassXmlExport(const TBoxSnapshot& Snap, TSecretText& Out, std::vector<std::string>& Warnings)
{
    TXmlExporter(Snap, Warnings).Write(Out);
}

TImportData ReadKeePassXmlImport(std::string& Text, const std::string& InputName)
{
    TImportData data;
    {
        TXmlImporter importer(Text, InputName);
        try {
            data = importer.Read();
        } catch (...) {
            WipeString(Text);
            throw;
        }
    }
    WipeString(Text);
    return data;
}
