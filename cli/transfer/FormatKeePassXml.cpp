#include "cli/transfer/FormatKeePassXml.h"

#include "cli/CliError.h"
#include "cli/transfer/Base64.h"
#include "cli/transfer/Gzip.h"
#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <expat.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <tuple>

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

bool IsTrue(std::string_view Text)
{
    std::string t(Text);
    std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return t == "true" || t == "1";
}

const char* Attribute(const XML_Char** Attrs, const char* Name)
{
    for (; Attrs[0] != nullptr; Attrs += 2)
        if (std::strcmp(Attrs[0], Name) == 0)
            return Attrs[1];
    return nullptr;
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
    void Wipe()
    {
        for (auto& [key, value] : Strings)
            WipeString(value);
        Strings.clear();
        Binaries.clear();
        WipeString(Tags);
    }
};

// The elements the reader looks at; everything else (and all below it) is xeOther.
enum TXmlElement {
    xeOther, xeFile, xeMeta, xeBinaries, xePoolBinary, xeRecycleUuid, xeRecycleEnabled, xeRoot, xeGroup,
    xeGroupName, xeGroupUuid, xeEntry, xeString, xeBinary, xeKey, xeValue, xeTags, xeHistory, xeHistoryEntry
};

struct TXmlFrame {
    TXmlElement Kind = xeOther;
    std::string Name;
    int Line = 0;
    unsigned Seen = 0; // the children met already, as bits of TXmlElement: the first one counts
    // A <Value>'s attributes.
    bool Protected = false, Compressed = false;
    std::optional<std::string> Ref;
};

// What the check keeps of a group, to walk the tree as nested once the whole file is read.
struct TXmlGroup {
    int Parent = -1; // -1 for a group directly in <Root>
    int Line = 0;
    std::string Name, Uuid;
    std::vector<int> Children;
    std::vector<uint32_t> Entries; // document indexes of its own entries
    std::size_t History = 0;       // older versions its entries keep
    std::optional<std::pair<uint32_t, std::string>> Error; // the first of its entries' faults
    // Found by the walk.
    bool Skipped = true;
    int32_t Category = 0;
    std::vector<std::string> Names;
};

constexpr uint32_t kLeftOut = std::numeric_limits<uint32_t>::max();

// Our export writes control characters as references ("&#1;"), which XML 1.0 forbids and the
// parser refuses. They are handed to it as the 32 noncharacters U+FDD0..U+FDEF, kept for such
// internal use, and turned back in the text read: the same length in lines, so lines stay right.
class TControlReferences {
public:
    // Piece with the references rewritten; a reference cut at its end waits for the next piece.
    std::string_view Rewrite(std::string_view Piece, bool Last)
    {
        WipeString(FOut);
        AppendWiped(FOut, FCarry);
        WipeString(FCarry);
        AppendWiped(FOut, Piece);
        std::string out;
        out.reserve(FOut.size() + 16);
        std::size_t i = 0;
        while (i < FOut.size()) {
            const std::size_t amp = FOut.find("&#", i);
            if (amp == std::string::npos) {
                out.append(FOut, i, std::string::npos);
                break;
            }
            out.append(FOut, i, amp - i);
            const std::size_t semi = FOut.find(';', amp);
            if (semi == std::string::npos && !Last && FOut.size() - amp < 12) {
                FCarry.assign(FOut, amp, std::string::npos);
                break;
            }
            int code = -1;
            if (semi != std::string::npos && semi - amp <= 6) {
                const bool hex = FOut[amp + 2] == 'x';
                const std::string digits = FOut.substr(amp + (hex ? 3 : 2), semi - amp - (hex ? 3 : 2));
                if (!digits.empty() && digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") ==
                                           std::string::npos)
                    code = std::stoi(digits, nullptr, hex ? 16 : 10);
            }
            if (code >= 0 && code < 0x20 && code != '\t' && code != '\n' && code != '\r') {
                out += "&#" + std::to_string(0xFDD0 + code) + ";";
                i = semi + 1;
            } else {
                out += "&#";
                i = amp + 2;
            }
        }
        WipeString(FOut);
        FOut = std::move(out);
        return FOut;
    }

    // The control characters back in Text (U+FDD0..U+FDEF are EF B7 90..AF in UTF-8).
    static void Restore(std::string& Text)
    {
        std::size_t to = 0;
        for (std::size_t i = 0; i < Text.size(); ++i) {
            const auto c = [&](std::size_t k) { return static_cast<unsigned char>(Text[k]); };
            if (c(i) == 0xEF && i + 2 < Text.size() && c(i + 1) == 0xB7 && c(i + 2) >= 0x90 && c(i + 2) <= 0xAF) {
                Text[to++] = static_cast<char>(c(i + 2) - 0x90);
                i += 2;
            } else
                Text[to++] = Text[i];
        }
        std::fill(Text.begin() + static_cast<std::ptrdiff_t>(to), Text.end(), '\0');
        Text.resize(to);
    }

    ~TControlReferences()
    {
        WipeString(FOut);
        WipeString(FCarry);
    }

private:
    std::string FOut, FCarry;
};

class TXmlImporter : public TImportReader {
public:
    explicit TXmlImporter(const std::string& InputName) : FInput(InputName) {}

    void Check(TImportSource& In, TImportData& Data, std::size_t& Count) override
    {
        FReplay = false;
        Parse(In);
        if (FDocumentError)
            RaiseFileError(ecRejected, FInput, *FDocumentError);
        if (FMetaError)
            RaiseFileError(ecRejected, FInput, *FMetaError);
        if (FRootLine == 0)
            Fail(FFileLine, "<KeePassFile> has no <Root>");
        if (FTopGroups.empty())
            Fail(FRootLine, "<Root> has no <Group>");
        for (const auto& [group, entry, line, ref] : FPendingRefs)
            if (!FPool.count(ref))
                NoteError(group, entry, LineText(line) + ": the binary " + ref + " is not in <Meta><Binaries>");
        FPendingRefs.clear();

        Data = TImportData();
        Data.Format = "keepass-xml";
        std::vector<uint32_t> order;
        for (const int top : FTopGroups)
            Walk(top, 0, {}, true, Data, order);
        if (FHistory > 0)
            Data.Notices.push_back(std::to_string(FHistory) +
                                   " older versions of entries (their history) were left out; each entry is imported as it is now");
        FRank.assign(FEntryCount, kLeftOut);
        for (std::size_t i = 0; i < order.size(); ++i)
            FRank[order[i]] = static_cast<uint32_t>(i);
        Count = order.size();
    }

    void Replay(TImportSource& In, const TImportTake& Take) override
    {
        FReplay = true;
        FTake = &Take;
        FNextRank = 0;
        FWaiting.clear();
        Parse(In);
        if (FDocumentError)
            RaiseFileError(ecRejected, FInput, *FDocumentError);
        if (FFailure)
            std::rethrow_exception(std::exchange(FFailure, nullptr));
        if (FNextRank != std::count_if(FRank.begin(), FRank.end(), [](uint32_t r) { return r != kLeftOut; }))
            RaiseFileError(ecFileFault, FInput, "the file changed while it was read");
    }

private:
    static std::string LineText(int Line) { return "line " + std::to_string(Line); }

    [[noreturn]] void Fail(int Line, const std::string& What) const
    {
        RaiseFileError(ecRejected, FInput, LineText(Line) + ": " + What);
    }

    // ---- the parse, both passes ----

    void Parse(TImportSource& In)
    {
        FStack.clear();
        FGroupStack.clear();
        FNextGroup = 0;
        FNextEntry = 0;
        FDocumentError.reset();
        const XML_Memory_Handling_Suite memory{WipingAlloc, WipingRealloc, WipingFree};
        XML_Parser parser = XML_ParserCreate_MM(nullptr, &memory, nullptr);
        if (parser == nullptr)
            throw std::bad_alloc();
        FParser = parser;
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, OnStart, OnEnd);
        XML_SetCharacterDataHandler(parser, OnText);
        bool ok = true;
        TControlReferences references;
        try {
            for (;;) {
                const std::string_view raw = In.Next();
                const std::string_view piece = references.Rewrite(raw, raw.empty());
                if (XML_Parse(parser, piece.data(), static_cast<int>(piece.size()), raw.empty()) != XML_STATUS_OK) {
                    ok = false;
                    break;
                }
                if (raw.empty())
                    break;
            }
        } catch (...) {
            XML_ParserFree(parser);
            WipeText();
            throw;
        }
        if (!ok && !FFailure)
            FDocumentError = ParseError(parser);
        XML_ParserFree(parser);
        FParser = nullptr;
        WipeText();
    }

    std::string ParseError(XML_Parser Parser) const
    {
        const XML_Error code = XML_GetErrorCode(Parser);
        const int line = static_cast<int>(XML_GetCurrentLineNumber(Parser));
        if (code == XML_ERROR_INVALID_TOKEN && !FStack.empty()) {
            // Bytes that are no UTF-8 inside an element: said as before, naming the element.
            int offset = 0, size = 0;
            const char* context = XML_GetInputContext(Parser, &offset, &size);
            if (context != nullptr && offset < size) {
                const std::string_view at(context + offset, static_cast<std::size_t>(std::min(4, size - offset)));
                bool valid = false;
                for (std::size_t n = 1; n <= at.size() && !valid; ++n)
                    valid = IsUtf8(at.substr(0, n));
                if (!valid)
                    return LineText(FStack.back().Line) + ": <" + FStack.back().Name + "> holds text that is not UTF-8";
            }
        }
        return "not XML: " + std::string(XML_ErrorString(code)) + " at line " + std::to_string(line) + ", column " +
               std::to_string(XML_GetCurrentColumnNumber(Parser) + 1);
    }

    static void XMLCALL OnStart(void* Self, const XML_Char* Name, const XML_Char** Attrs)
    {
        static_cast<TXmlImporter*>(Self)->Start(Name, Attrs);
    }
    static void XMLCALL OnEnd(void* Self, const XML_Char*)
    {
        static_cast<TXmlImporter*>(Self)->End();
    }
    static void XMLCALL OnText(void* Self, const XML_Char* Text, int Length)
    {
        auto* me = static_cast<TXmlImporter*>(Self);
        if (me->FCollect)
            AppendWiped(me->FText, std::string_view(Text, static_cast<std::size_t>(Length)));
    }

    // The kind of a child element, given its parent; only the first of the single ones counts.
    static TXmlElement KindOf(TXmlFrame& Parent, std::string_view Name)
    {
        auto first = [&](TXmlElement Kind) {
            const unsigned bit = 1u << Kind;
            if (Parent.Seen & bit)
                return xeOther;
            Parent.Seen |= bit;
            return Kind;
        };
        switch (Parent.Kind) {
        case xeFile:
            return Name == "Meta" ? first(xeMeta) : Name == "Root" ? first(xeRoot) : xeOther;
        case xeMeta:
            return Name == "Binaries"            ? first(xeBinaries)
                   : Name == "RecycleBinUUID"    ? first(xeRecycleUuid)
                   : Name == "RecycleBinEnabled" ? first(xeRecycleEnabled)
                                                 : xeOther;
        case xeBinaries:
            return Name == "Binary" ? xePoolBinary : xeOther;
        case xeRoot:
            return Name == "Group" ? xeGroup : xeOther;
        case xeGroup:
            return Name == "Group"   ? xeGroup
                   : Name == "Entry" ? xeEntry
                   : Name == "Name"  ? first(xeGroupName)
                   : Name == "UUID"  ? first(xeGroupUuid)
                                     : xeOther;
        case xeEntry:
            return Name == "String"    ? xeString
                   : Name == "Binary"  ? xeBinary
                   : Name == "Tags"    ? first(xeTags)
                   : Name == "History" ? first(xeHistory)
                                       : xeOther;
        case xeString:
        case xeBinary:
            return Name == "Key" ? first(xeKey) : Name == "Value" ? first(xeValue) : xeOther;
        case xeHistory:
            return Name == "Entry" ? xeHistoryEntry : xeOther;
        default:
            return xeOther;
        }
    }

    static bool TakesText(TXmlElement Kind)
    {
        switch (Kind) {
        case xePoolBinary:
        case xeRecycleUuid:
        case xeRecycleEnabled:
        case xeGroupName:
        case xeGroupUuid:
        case xeKey:
        case xeValue:
        case xeTags:
            return true;
        default:
            return false;
        }
    }

    void Start(const XML_Char* Name, const XML_Char** Attrs)
    {
        TXmlFrame f;
        f.Name = Name;
        f.Line = static_cast<int>(XML_GetCurrentLineNumber(FParser));
        if (FStack.empty()) {
            f.Kind = f.Name == "KeePassFile" ? xeFile : xeOther;
            FFileLine = f.Line;
            if (f.Kind != xeFile && !FReplay && !FDocumentError)
                FDocumentError = LineText(f.Line) + ": the document is <" + f.Name +
                                 ">, not a KeePass XML file (<KeePassFile>)";
        } else
            f.Kind = KindOf(FStack.back(), f.Name);
        // Text is the element's own: what its children hold is not part of it.
        FCollect = TakesText(f.Kind);
        WipeText();

        switch (f.Kind) {
        case xeRoot:
            FRootLine = f.Line;
            break;
        case xePoolBinary: {
            const char* id = Attribute(Attrs, "ID");
            f.Ref = id ? std::optional<std::string>(id) : std::nullopt;
            const char* compressed = Attribute(Attrs, "Compressed");
            f.Compressed = compressed && IsTrue(compressed);
            break;
        }
        case xeGroup: {
            const int index = FNextGroup++;
            if (!FReplay) {
                TXmlGroup g;
                g.Line = f.Line;
                g.Parent = FGroupStack.empty() ? -1 : FGroupStack.back();
                if (g.Parent < 0)
                    FTopGroups.push_back(index);
                else
                    FGroups[static_cast<std::size_t>(g.Parent)].Children.push_back(index);
                FGroups.push_back(std::move(g));
            }
            FGroupStack.push_back(index);
            break;
        }
        case xeEntry:
            FEntry.Wipe();
            FEntryLine = f.Line;
            FStringFault.reset();
            FBinaryFault.reset();
            break;
        case xeString:
        case xeBinary:
            FKey.reset();
            WipeValue();
            break;
        case xeValue: {
            const char* p = Attribute(Attrs, "Protected");
            f.Protected = p && IsTrue(p);
            const char* c = Attribute(Attrs, "Compressed");
            f.Compressed = c && IsTrue(c);
            const char* r = Attribute(Attrs, "Ref");
            f.Ref = r ? std::optional<std::string>(r) : std::nullopt;
            break;
        }
        case xeHistoryEntry:
            if (!FReplay)
                ++FGroups[static_cast<std::size_t>(FGroupStack.back())].History;
            break;
        default:
            break;
        }
        FStack.push_back(std::move(f));
    }

    void End()
    {
        TXmlFrame f = std::move(FStack.back());
        FStack.pop_back();
        FCollect = false;
        TControlReferences::Restore(FText);
        try {
            Close(f);
        } catch (...) {
            // Nothing may leave through the parser: the fault waits until it returns.
            FFailure = std::current_exception();
            XML_StopParser(FParser, XML_FALSE);
        }
        WipeText();
    }

    void Close(TXmlFrame& F)
    {
        switch (F.Kind) {
        case xePoolBinary:
            if (FReplay)
                return;
            if (!F.Ref) {
                NoteMetaError(F.Line, "a <Binary> in <Meta><Binaries> has no ID");
                return;
            }
            if (std::string bytes; Unpack(FText, F.Compressed, bytes, F.Line, FMetaError))
                FPool[*F.Ref] = TSecretString(std::move(bytes));
            return;
        case xeRecycleUuid:
            FRecycleUuid = FText;
            return;
        case xeRecycleEnabled:
            FRecycleEnabled = IsTrue(FText);
            return;
        case xeMeta:
            FMetaDone = true;
            return;
        case xeGroupName:
        case xeGroupUuid:
            if (!FReplay)
                (F.Kind == xeGroupName ? Group().Name : Group().Uuid) = FText;
            return;
        case xeGroup:
            FGroupStack.pop_back();
            return;
        case xeKey:
            FKey = FText;
            return;
        case xeValue:
            FValue = std::move(FText);
            FText.clear();
            FValueFrame = std::move(F);
            return;
        case xeTags:
            FEntry.Tags = FText;
            return;
        case xeString:
            CloseString();
            return;
        case xeBinary:
            CloseBinary();
            return;
        case xeEntry:
            CloseEntry();
            return;
        default:
            return;
        }
    }

    TXmlGroup& Group() { return FGroups[static_cast<std::size_t>(FGroupStack.back())]; }

    bool Skipping() const { return FReplay && FGroups[static_cast<std::size_t>(FGroupStack.back())].Skipped; }

    void CloseString()
    {
        if (Skipping())
            return;
        const int line = FValueFrame ? FValueFrame->Line : FStack.back().Line;
        if (FValueFrame && FValueFrame->Protected) {
            if (!FStringFault)
                FStringFault = LineText(line) + ": a protected value is enciphered with its database's key; export "
                                                "the database as plain XML instead";
            WipeValue();
            return;
        }
        std::string key = FKey.value_or(std::string());
        bool replaced = false;
        for (auto& [k, old] : FEntry.Strings)
            if (k == key) {
                WipeString(old);
                old = FValue;
                replaced = true;
            }
        if (!replaced)
            FEntry.Strings.emplace_back(std::move(key), FValue);
        WipeValue();
    }

    void CloseBinary()
    {
        if (Skipping())
            return;
        const int line = FValueFrame ? FValueFrame->Line : FStack.back().Line;
        TAttachData a;
        a.Name = FKey.value_or(std::string());
        if (FValueFrame && FValueFrame->Ref) {
            const std::string& ref = *FValueFrame->Ref;
            const auto it = FPool.find(ref);
            if (it != FPool.end())
                a.Bin = it->second;
            else if (!FMetaDone && !FReplay) // the pool may come after the groups
                FPendingRefs.emplace_back(FGroupStack.back(), FNextEntry, line, ref);
            else if (!FBinaryFault)
                FBinaryFault = LineText(line) + ": the binary " + ref + " is not in <Meta><Binaries>";
        } else {
            std::string bytes;
            if (Unpack(FValue, FValueFrame && FValueFrame->Compressed, bytes, line, FBinaryFault))
                a.Bin = TSecretString(std::move(bytes));
        }
        if (a.Bin.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) && !FBinaryFault)
            FBinaryFault = LineText(line) + ": the binary is larger than a box can hold (2 GiB)";
        a.Size = static_cast<int32_t>(std::min<std::size_t>(a.Bin.size(), std::numeric_limits<int32_t>::max()));
        // The check keeps no content: it reads it again when storing.
        if (!FReplay)
            a.Bin = TSecretString();
        FEntry.Binaries.push_back(std::move(a));
        WipeValue();
    }

    // Decodes a binary's text; a fault goes to Fault (the first one kept).
    bool Unpack(const std::string& Encoded, bool Compressed, std::string& Bytes, int Line,
                std::optional<std::string>& Fault) const
    {
        if (!DecodeBase64(Encoded, Bytes)) {
            if (!Fault)
                Fault = LineText(Line) + ": the binary content is not base64";
            return false;
        }
        if (!Compressed)
            return true;
        std::string plain;
        const bool ok = GzipDecompress(Bytes, plain);
        WipeString(Bytes);
        if (!ok) {
            if (!Fault)
                Fault = LineText(Line) + ": the binary content is marked compressed but is no complete gzip stream";
            return false;
        }
        Bytes = std::move(plain);
        return true;
    }

    void CloseEntry()
    {
        const uint32_t index = FNextEntry++;
        if (!FReplay) {
            TXmlGroup& g = Group();
            g.Entries.push_back(index);
            if (FStringFault || FBinaryFault)
                NoteError(FGroupStack.back(), index, FStringFault ? *FStringFault : *FBinaryFault);
            FEntryCount = FNextEntry;
            FEntry.Wipe();
            return;
        }
        if (Skipping() || index >= FRank.size() || FRank[index] == kLeftOut) {
            FEntry.Wipe();
            return;
        }
        if (FStringFault || FBinaryFault)
            RaiseFileError(ecRejected, FInput, FStringFault ? *FStringFault : *FBinaryFault);
        const TXmlGroup& g = FGroups[static_cast<std::size_t>(FGroupStack.back())];
        TImportEntry e = Convert(FEntry, FEntryLine, g.Category, g.Names);
        FEntry.Wipe();
        // Entries are stored group by group, a group's own before its subgroups'; a file that
        // nests them otherwise has its later ones held until their turn.
        const uint32_t rank = FRank[index];
        if (rank != FNextRank) {
            FWaiting.emplace(rank, std::move(e));
            return;
        }
        (*FTake)(e);
        ++FNextRank;
        for (auto it = FWaiting.find(FNextRank); it != FWaiting.end(); it = FWaiting.find(FNextRank)) {
            (*FTake)(it->second);
            FWaiting.erase(it);
            ++FNextRank;
        }
    }

    void NoteError(int Group, uint32_t Entry, const std::string& What)
    {
        auto& error = FGroups[static_cast<std::size_t>(Group)].Error;
        if (!error || Entry < error->first)
            error.emplace(Entry, What);
    }

    void NoteMetaError(int Line, const std::string& What)
    {
        if (!FMetaError)
            FMetaError = LineText(Line) + ": " + What;
    }

    void WipeText()
    {
        WipeString(FText);
    }

    void WipeValue()
    {
        WipeString(FValue);
        FValueFrame.reset();
    }

    // ---- after the check: the tree as the file nests it ----

    static std::string Joined(const std::vector<std::string>& Names)
    {
        std::string s;
        for (const std::string& n : Names)
            s += (s.empty() ? "" : "/") + n;
        return s;
    }

    std::size_t CountEntries(int Group) const
    {
        const TXmlGroup& g = FGroups[static_cast<std::size_t>(Group)];
        std::size_t n = g.Entries.size();
        for (const int c : g.Children)
            n += CountEntries(c);
        return n;
    }

    // A group: its entries, then its groups. Category is ours (1..3) below one of our category
    // groups, else 0.
    void Walk(int Index, int32_t Category, const std::vector<std::string>& Names, bool Top, TImportData& Data,
              std::vector<uint32_t>& Order)
    {
        TXmlGroup& g = FGroups[static_cast<std::size_t>(Index)];
        if (g.Error)
            RaiseFileError(ecRejected, FInput, g.Error->second);
        g.Skipped = false;
        g.Category = Category;
        g.Names = Names;
        Order.insert(Order.end(), g.Entries.begin(), g.Entries.end());
        FHistory += g.History;
        const bool recycling = FRecycleEnabled && !FRecycleUuid.empty() &&
                               FRecycleUuid.find_first_not_of("A=") != std::string::npos;
        for (const int c : g.Children) {
            TXmlGroup& child = FGroups[static_cast<std::size_t>(c)];
            std::string name = child.Name;
            if (recycling && child.Uuid == FRecycleUuid) {
                Data.Notices.push_back("the recycle bin (group \"" + name + "\", " + std::to_string(CountEntries(c)) +
                                       " entries) was left out");
                continue;
            }
            if (Top && Category == 0 && CategoryOfName(name) != 0) {
                Walk(c, CategoryOfName(name), {}, false, Data, Order);
                continue;
            }
            if (name.empty()) {
                name = "(unnamed)";
                Data.Notices.push_back("a group without a name (" + LineText(child.Line) +
                                       ") became the folder \"(unnamed)\"");
            }
            std::vector<std::string> names = Names;
            names.push_back(std::move(name));
            Data.Folders.push_back({{Category == 0 ? 1 : Category, names}, std::nullopt});
            Walk(c, Category, names, false, Data, Order);
        }
    }

    static std::string Labels(const std::vector<TLabelledLine>& Extra)
    {
        std::string s;
        for (const auto& [label, value] : Extra)
            s += (s.empty() ? "" : ", ") + label;
        return s;
    }

    static TImportEntry Convert(TXmlEntryData& D, int Line, int32_t Category, const std::vector<std::string>& Names)
    {
        TImportEntry e;
        const std::string title = D.Take(kTitle);
        e.Source = LineText(Line);
        if (!D.Tags.empty())
            D.Strings.emplace_back("Tags", std::move(D.Tags));
        const std::string group = Names.empty() ? std::string("the root group") : "group \"" + Joined(Names) + "\"";

        if (!D.Binaries.empty() && Category != 3) {
            // A general entry is the only kind that keeps files.
            e.Kind = ztCommItem;
            e.Note.Caption = title;
            e.Note.Comments = D.Take(kNotes);
            for (const char* key : {kUserName, kPassword, kURL}) {
                std::string v = D.Take(key);
                if (!v.empty())
                    e.Extra.emplace_back(key, std::move(v));
            }
            D.MoveRestTo(e.Extra);
            e.Attachments = std::move(D.Binaries);
            e.Folder = {3, Names};
            e.How = std::string(Category == 0 ? "foreign entry" : "entry") + " with " +
                    std::to_string(e.Attachments.size()) + " attachments from " + group +
                    ": a general entry, so no file is lost" +
                    (e.Extra.empty() ? "" : "; " + Labels(e.Extra) + " as labelled lines in the body");
            return e;
        }
        switch (Category) {
        case 2:
            e.Kind = ztBankItem;
            e.Bank.BankName = title;
            e.Bank.UserName = D.Take(kUserName);
            e.Bank.Password = D.Take(kPassword);
            e.Bank.Comments = D.Take(kNotes);
            e.Bank.AccType = D.Take(std::string(kLabelAccType));
            e.Bank.Account = D.Take(std::string(kLabelAccount));
            break;
        case 3:
            e.Kind = ztCommItem;
            e.Note.Caption = title;
            e.Note.Comments = D.Take(kNotes);
            e.Attachments = std::move(D.Binaries);
            break;
        default:
            e.Kind = ztNetItem;
            e.Web.Caption = title;
            e.Web.UserName = D.Take(kUserName);
            e.Web.Password = D.Take(kPassword);
            e.Web.Hyperlink = D.Take(kURL);
            e.Web.Comments = D.Take(kNotes);
            e.Web.Email = D.Take(std::string(kLabelEmail));
            break;
        }
        D.MoveRestTo(e.Extra);
        const std::string where = e.Kind == ztCommItem ? "body" : "comments";
        if (Category == 0)
            e.How = "foreign entry from " + group + ": a web entry" +
                    (e.Extra.empty() ? "" : "; " + Labels(e.Extra) + " as labelled lines in the comments");
        else if (!e.Extra.empty())
            e.How = Labels(e.Extra) + " as labelled lines in the " + where;
        e.Folder = {Category == 0 ? 1 : Category, Names};
        return e;
    }

    std::string FInput;
    bool FReplay = false;
    XML_Parser FParser = nullptr;
    std::optional<std::string> FDocumentError, FMetaError;
    std::exception_ptr FFailure;

    // The element being read.
    std::vector<TXmlFrame> FStack;
    bool FCollect = false;
    std::string FText;
    std::optional<std::string> FKey;
    std::string FValue;
    std::optional<TXmlFrame> FValueFrame;
    TXmlEntryData FEntry;
    int FEntryLine = 0;
    std::optional<std::string> FStringFault, FBinaryFault;
    std::vector<int> FGroupStack;
    int FNextGroup = 0;
    uint32_t FNextEntry = 0;

    // What the check keeps.
    int FFileLine = 1, FRootLine = 0;
    std::vector<int> FTopGroups;
    std::vector<TXmlGroup> FGroups;
    std::map<std::string, TSecretString> FPool;
    bool FMetaDone = false;
    std::vector<std::tuple<int, uint32_t, int, std::string>> FPendingRefs;
    std::string FRecycleUuid;
    bool FRecycleEnabled = true;
    std::size_t FHistory = 0;
    uint32_t FEntryCount = 0;
    std::vector<uint32_t> FRank; // walk order by document index

    // The replay.
    const TImportTake* FTake = nullptr;
    uint32_t FNextRank = 0;
    std::map<uint32_t, TImportEntry> FWaiting;
};

} // namespace

void WriteKeePassXmlExport(const TBoxSnapshot& Snap, TSecretText& Out, std::vector<std::string>& Warnings)
{
    TXmlExporter(Snap, Warnings).Write(Out);
}

std::unique_ptr<TImportReader> NewKeePassXmlReader(const std::string& InputName)
{
    return std::make_unique<TXmlImporter>(InputName);
}

TImportData ReadKeePassXmlImport(std::string& Text, const std::string& InputName)
{
    return ReadImportText("keepass-xml", Text, InputName);
}
