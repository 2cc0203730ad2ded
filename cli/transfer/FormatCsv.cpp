#include "cli/transfer/FormatCsv.h"

#include "cli/CliError.h"
#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <csv.h>

#include <algorithm>
#include <array>
#include <exception>
#include <functional>
#include <map>
#include <optional>

namespace {

enum TColumn { clGroup, clTitle, clUsername, clPassword, clURL, clNotes, clTOTP, clIcon, clModified, clCreated, clCount };
const std::array<const char*, clCount> kColumns = {"Group", "Title", "Username", "Password", "URL",
                                                   "Notes", "TOTP", "Icon", "Last Modified", "Created"};

const std::vector<std::string_view> kWebLabels = {kLabelEmail};
const std::vector<std::string_view> kBankLabels = {kLabelAccType, kLabelAccount};

// ---- writing ----

void Field(TSecretText& Out, std::string_view Value, bool Last)
{
    // The library quotes every field and doubles the quotes inside.
    std::string quoted(csv_write(nullptr, 0, Value.data(), Value.size()), '\0');
    csv_write(quoted.data(), quoted.size(), Value.data(), Value.size());
    Out.Append(quoted);
    Out.Append(Last ? "\r\n" : ",");
    WipeString(quoted);
}

void Row(TSecretText& Out, const std::array<std::string_view, clCount>& Fields)
{
    for (std::size_t i = 0; i < Fields.size(); ++i)
        Field(Out, Fields[i], i + 1 == Fields.size());
}

// ---- reading ----

struct TCsvRow {
    int Line = 0; // where the row starts
    std::vector<std::string> Fields;

    void Wipe()
    {
        for (std::string& f : Fields)
            WipeString(f);
        Fields.clear();
    }
};

// The parser's callbacks hand each row over as soon as it ends, so no more than one row is held.
struct TCsvState {
    TCsvRow Current;
    int Line = 1;      // line being fed to the parser
    int NextStart = 1; // where the next row starts
    bool InRow = false;
    std::function<void(TCsvRow&)> OnRow;
    std::exception_ptr Failure; // what OnRow raised; nothing may leave through the parser
};

void OnField(void* Data, std::size_t Size, void* State)
{
    auto* s = static_cast<TCsvState*>(State);
    if (!s->InRow) {
        s->InRow = true;
        s->Current.Line = s->NextStart;
    }
    s->Current.Fields.emplace_back(static_cast<const char*>(Data), Size);
}

void OnRowEnd(int, void* State)
{
    auto* s = static_cast<TCsvState*>(State);
    if (!s->InRow)
        s->Current.Line = s->NextStart;
    if (!s->Failure) {
        try {
            s->OnRow(s->Current);
        } catch (...) {
            s->Failure = std::current_exception();
        }
    }
    s->Current.Wipe();
    s->InRow = false;
    s->NextStart = s->Line + 1;
}

int NoSpace(unsigned char)
{
    return 0; // RFC 4180: spaces are part of a field
}

std::string Lower(std::string_view Text)
{
    std::string out(Text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::vector<std::string> SplitGroup(const std::string& Group)
{
    std::vector<std::string> names;
    std::size_t pos = 0;
    while (pos <= Group.size()) {
        std::size_t end = Group.find('/', pos);
        if (end == std::string::npos)
            end = Group.size();
        if (end > pos)
            names.push_back(Group.substr(pos, end - pos));
        pos = end + 1;
    }
    return names;
}


class TCsvImporter : public TImportReader {
public:
    explicit TCsvImporter(const std::string& InputName) : FInput(InputName) {}

    void Check(TImportSource& In, TImportData& Data, std::size_t& Count) override
    {
        FRows = 0;
        FBlank = 0;
        FCount = 0;
        FAnyForeign = false;
        FOneRoot = true;
        std::optional<std::string> fault;
        Parse(In, [&](TCsvRow& Row) {
            if (fault)
                return;
            if (FRows++ == 0) {
                if (!Header(Row))
                    fault = "line " + std::to_string(Row.Line) +
                            ": the first row does not name the columns (\"Group\",\"Title\",\"Username\","
                            "\"Password\",\"URL\",\"Notes\",...)";
                return;
            }
            for (const std::string& f : Row.Fields)
                if (!IsUtf8(f)) {
                    fault = "line " + std::to_string(Row.Line) + ": the text is not UTF-8";
                    return;
                }
            if (BlankRow(Row)) {
                ++FBlank;
                return;
            }
            ++FCount;
            const std::vector<std::string> names = SplitGroup(Cell(Row, clGroup));
            if (!names.empty() && CategoryOfName(names[0]) != 0)
                return;
            // A database of the common managers exports every group below its root group, whose
            // name starts every path; its entries mirror the groups below that root.
            const std::string first = names.empty() ? std::string() : names[0];
            if (!FAnyForeign)
                FRoot = first;
            else if (first != FRoot)
                FOneRoot = false;
            FAnyForeign = true;
        });
        if (FRows == 0)
            RaiseFileError(ecRejected, FInput, "line 1: the file holds no header row");
        if (fault)
            RaiseFileError(ecRejected, FInput, *fault);
        FStripRoot = FAnyForeign && FOneRoot && !FRoot.empty();
        Data = TImportData();
        Data.Format = "csv";
        if (FStripRoot)
            Data.Notices.push_back("\"" + FRoot + "\", the first group name of every foreign entry, was taken for the "
                                   "exporting database's root group: its entries go to <网上信息> itself");
        if (FBlank > 0)
            Data.Notices.push_back(std::to_string(FBlank) + " rows without any text were skipped");
        Count = FCount;
    }

    void Replay(TImportSource& In, const TImportTake& Take) override
    {
        std::size_t rows = 0, stored = 0;
        Parse(In, [&](TCsvRow& Row) {
            if (rows++ == 0 || BlankRow(Row))
                return;
            for (const std::string& f : Row.Fields)
                if (!IsUtf8(f))
                    RaiseFileError(ecFileFault, FInput, "the file changed while it was read");
            TImportEntry e = Convert(Row);
            ++stored;
            Take(e);
        });
        if (stored != FCount)
            RaiseFileError(ecFileFault, FInput, "the file changed while it was read");
    }

private:
    // Line by line, so that an error names its line; a line may end in another piece than it
    // starts in.
    void Parse(TImportSource& In, std::function<void(TCsvRow&)> OnRow)
    {
        TCsvState state;
        state.OnRow = std::move(OnRow);
        csv_parser parser{};
        csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_space_func(&parser, NoSpace);
        csv_set_realloc_func(&parser, WipingRealloc);
        csv_set_free_func(&parser, WipingFree);
        bool failed = false;
        std::size_t bom = 0; // bytes of a byte-order mark met at the start, which may span pieces
        const std::string_view kBom = "\xEF\xBB\xBF";
        try {
            for (std::string_view piece = In.Next(); !piece.empty() && !failed && !state.Failure; piece = In.Next()) {
                std::size_t pos = 0;
                while (bom < kBom.size() && pos < piece.size() && piece[pos] == kBom[bom]) {
                    ++bom;
                    ++pos;
                }
                if (bom < kBom.size() && pos < piece.size()) {
                    // Not a mark after all: what looked like its start is text.
                    if (csv_parse(&parser, kBom.data(), bom, OnField, OnRowEnd, &state) != bom)
                        failed = true;
                    bom = kBom.size();
                }
                while (pos < piece.size() && !failed && !state.Failure) {
                    std::size_t end = piece.find('\n', pos);
                    end = end == std::string_view::npos ? piece.size() : end + 1;
                    if (csv_parse(&parser, piece.data() + pos, end - pos, OnField, OnRowEnd, &state) != end - pos)
                        failed = true;
                    else {
                        pos = end;
                        if (piece[end - 1] == '\n')
                            ++state.Line;
                    }
                }
            }
        } catch (...) {
            csv_free(&parser);
            state.Current.Wipe();
            throw;
        }
        const bool open = !failed && !state.Failure && csv_fini(&parser, OnField, OnRowEnd, &state) != 0;
        csv_free(&parser);
        state.Current.Wipe();
        if (failed)
            RaiseFileError(ecRejected, FInput,
                           "not CSV: line " + std::to_string(state.Line) +
                               ": a quote inside a field that does not start with one, or text after a closing quote");
        if (open)
            RaiseFileError(ecRejected, FInput,
                           "not CSV: line " + std::to_string(state.NextStart) +
                               ": a quoted field in the row that starts here is never closed");
        if (state.Failure)
            std::rethrow_exception(state.Failure);
    }

    bool Header(const TCsvRow& Row)
    {
        FColumn.fill(-1);
        for (std::size_t i = 0; i < Row.Fields.size(); ++i)
            for (std::size_t c = 0; c < clCount; ++c)
                if (FColumn[c] < 0 && Lower(Row.Fields[i]) == Lower(kColumns[c]))
                    FColumn[c] = static_cast<int>(i);
        return FColumn[clTitle] >= 0 || FColumn[clUsername] >= 0 || FColumn[clPassword] >= 0 ||
               FColumn[clURL] >= 0 || FColumn[clNotes] >= 0;
    }

    const std::string& Cell(const TCsvRow& R, TColumn C) const
    {
        static const std::string kEmpty;
        const int i = FColumn[C];
        return i >= 0 && static_cast<std::size_t>(i) < R.Fields.size() ? R.Fields[static_cast<std::size_t>(i)] : kEmpty;
    }

    bool BlankRow(const TCsvRow& R) const
    {
        for (TColumn c : {clGroup, clTitle, clUsername, clPassword, clURL, clNotes, clTOTP})
            if (!Cell(R, c).empty())
                return false;
        return true;
    }

    TImportEntry Convert(const TCsvRow& Row) const
    {
        std::vector<std::string> names = SplitGroup(Cell(Row, clGroup));
        TImportEntry e;
        e.Source = "line " + std::to_string(Row.Line);
        int32_t category = names.empty() ? 0 : CategoryOfName(names[0]);
        if (category != 0)
            names.erase(names.begin());
        else if (FStripRoot)
            names.erase(names.begin());
        const std::string& title = Cell(Row, clTitle);
        const std::string& user = Cell(Row, clUsername);
        const std::string& password = Cell(Row, clPassword);
        const std::string& url = Cell(Row, clURL);
        const std::string& notes = Cell(Row, clNotes);
        switch (category) {
        case 2: {
            e.Kind = ztBankItem;
            TLabelledNotes parsed = ParseLabelledNotes(notes, kBankLabels);
            e.Bank.BankName = title;
            e.Bank.UserName = user;
            e.Bank.Password = password;
            for (const auto& [label, value] : parsed.Fields)
                (label == kLabelAccType ? e.Bank.AccType : e.Bank.Account) = value;
            e.Bank.Comments = std::move(parsed.Comments);
            if (!url.empty())
                e.Extra.emplace_back("URL", url);
            break;
        }
        case 3:
            e.Kind = ztCommItem;
            e.Note.Caption = title;
            e.Note.Comments = notes;
            for (const auto& [label, value] : std::vector<TLabelledLine>{{"Username", user}, {"Password", password}, {"URL", url}})
                if (!value.empty())
                    e.Extra.emplace_back(label, value);
            break;
        default: {
            e.Kind = ztNetItem;
            e.Web.Caption = title;
            e.Web.UserName = user;
            e.Web.Password = password;
            e.Web.Hyperlink = url;
            if (category == 1) {
                TLabelledNotes parsed = ParseLabelledNotes(notes, kWebLabels);
                for (const auto& [label, value] : parsed.Fields)
                    e.Web.Email = value;
                e.Web.Comments = std::move(parsed.Comments);
            } else {
                e.Web.Comments = notes;
                e.How = "foreign entry: a web entry";
            }
            category = 1;
        }
        }
        if (!Cell(Row, clTOTP).empty())
            e.Extra.emplace_back("TOTP", Cell(Row, clTOTP));
        e.Folder = {category, std::move(names)};
        return e;
    }

    std::string FInput;
    std::array<int, clCount> FColumn{};
    std::size_t FRows = 0, FBlank = 0, FCount = 0;
    std::string FRoot;
    bool FAnyForeign = false, FOneRoot = true, FStripRoot = false;
};

} // namespace

void WriteCsvExport(const TBoxSnapshot& Snap, TSecretText& Out)
{
    std::array<std::string_view, clCount> header;
    for (std::size_t i = 0; i < clCount; ++i)
        header[i] = kColumns[i];
    Row(Out, header);
    for (const TSnapshotFolder& f : Snap.Folders) {
        for (const TZmbNetItem& e : f.Web) {
            std::string notes = FormatLabelledNotes({{std::string(kLabelEmail), e.Email}}, e.Comments, kWebLabels);
            Row(Out, {f.Path, e.Caption, e.UserName, e.Password.str(), e.Hyperlink, notes, "", "0", "", ""});
            WipeString(notes);
        }
        for (const TZmbBankItem& e : f.Bank) {
            std::string notes = FormatLabelledNotes(
                {{std::string(kLabelAccType), e.AccType}, {std::string(kLabelAccount), e.Account}}, e.Comments, kBankLabels);
            Row(Out, {f.Path, e.BankName, e.UserName, e.Password.str(), "", notes, "", "0", "", ""});
            WipeString(notes);
        }
        for (const TSnapshotNote& n : f.Notes)
            Row(Out, {f.Path, n.Item.Caption, "", "", "", n.Item.Comments, "", "0", "", ""});
    }
}

std::unique_ptr<TImportReader> NewCsvReader(const std::string& InputName)
{
    return std::make_unique<TCsvImporter>(InputName);
}

TImportData ReadCsvImport(std::string& Text, const std::string& InputName)
{
    return ReadImportText("csv", Text, InputName);
}
