#include "cli/transfer/FormatCsv.h"

#include "cli/CliError.h"
#include "cli/transfer/SecretMemory.h"
#include "dataproc/Wipe.h"

#include <csv.h>

#include <algorithm>
#include <array>
#include <map>

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
};

struct TCsvState {
    std::vector<TCsvRow> Rows;
    TCsvRow Current;
    int Line = 1;        // line being fed to the parser
    int NextStart = 1;   // where the next row starts
    bool InRow = false;
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
    s->Rows.push_back(std::move(s->Current));
    s->Current = TCsvRow();
    s->InRow = false;
    s->NextStart = s->Line + 1;
}

int NoSpace(unsigned char)
{
    return 0; // RFC 4180: spaces are part of a field
}

void WipeRows(std::vector<TCsvRow>& Rows)
{
    for (TCsvRow& r : Rows)
        for (std::string& f : r.Fields)
            WipeString(f);
}

class TRowWiper {
public:
    explicit TRowWiper(TCsvState& State) : FState(State) {}
    ~TRowWiper()
    {
        WipeRows(FState.Rows);
        for (std::string& f : FState.Current.Fields)
            WipeString(f);
    }
    TRowWiper(const TRowWiper&) = delete;
    TRowWiper& operator=(const TRowWiper&) = delete;

private:
    TCsvState& FState;
};

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

TImportData ReadCsvImport(std::string& Text, const std::string& InputName)
{
    TCsvState state;
    TRowWiper wiper(state);
    {
        csv_parser parser{};
        csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_space_func(&parser, NoSpace);
        csv_set_realloc_func(&parser, WipingRealloc);
        csv_set_free_func(&parser, WipingFree);
        std::size_t pos = Text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        bool failed = false;
        // Line by line, so that an error names its line.
        while (pos < Text.size() && !failed) {
            std::size_t end = Text.find('\n', pos);
            end = end == std::string::npos ? Text.size() : end + 1;
            if (csv_parse(&parser, Text.data() + pos, end - pos, OnField, OnRowEnd, &state) != end - pos)
                failed = true;
            else {
                pos = end;
                if (Text[end - 1] == '\n')
                    ++state.Line;
            }
        }
        const bool open = !failed && csv_fini(&parser, OnField, OnRowEnd, &state) != 0;
        csv_free(&parser);
        WipeString(Text);
        if (failed)
            RaiseFileError(ecRejected, InputName,
                           "not CSV: line " + std::to_string(state.Line) +
                               ": a quote inside a field that does not start with one, or text after a closing quote");
        if (open)
            RaiseFileError(ecRejected, InputName,
                           "not CSV: line " + std::to_string(state.NextStart) +
                               ": a quoted field in the row that starts here is never closed");
    }

    auto fail = [&](int Line, const std::string& What) {
        RaiseFileError(ecRejected, InputName, "line " + std::to_string(Line) + ": " + What);
    };
    if (state.Rows.empty())
        fail(1, "the file holds no header row");
    std::array<int, clCount> column;
    column.fill(-1);
    const TCsvRow& header = state.Rows.front();
    for (std::size_t i = 0; i < header.Fields.size(); ++i)
        for (std::size_t c = 0; c < clCount; ++c)
            if (column[c] < 0 && Lower(header.Fields[i]) == Lower(kColumns[c]))
                column[c] = static_cast<int>(i);
    if (column[clTitle] < 0 && column[clUsername] < 0 && column[clPassword] < 0 && column[clURL] < 0 &&
        column[clNotes] < 0)
        fail(header.Line, "the first row does not name the columns (\"Group\",\"Title\",\"Username\",\"Password\","
                          "\"URL\",\"Notes\",...)");

    TImportData data;
    data.Format = "csv";
    auto cell = [&](const TCsvRow& R, TColumn C) -> const std::string& {
        static const std::string kEmpty;
        const int i = column[C];
        return i >= 0 && static_cast<std::size_t>(i) < R.Fields.size() ? R.Fields[static_cast<std::size_t>(i)] : kEmpty;
    };

    auto blankRow = [&](const TCsvRow& R) {
        for (TColumn c : {clGroup, clTitle, clUsername, clPassword, clURL, clNotes, clTOTP})
            if (!cell(R, c).empty())
                return false;
        return true;
    };

    // A database of the common managers exports every group below its root group, whose name
    // starts every path; its entries mirror the groups below that root.
    std::string root;
    bool oneRoot = true, anyForeign = false;
    for (std::size_t r = 1; r < state.Rows.size(); ++r) {
        for (const std::string& f : state.Rows[r].Fields)
            if (!IsUtf8(f))
                fail(state.Rows[r].Line, "the text is not UTF-8");
        if (blankRow(state.Rows[r]))
            continue;
        const std::vector<std::string> names = SplitGroup(cell(state.Rows[r], clGroup));
        if (!names.empty() && CategoryOfName(names[0]) != 0)
            continue;
        const std::string first = names.empty() ? std::string() : names[0];
        if (!anyForeign)
            root = first;
        else if (first != root)
            oneRoot = false;
        anyForeign = true;
    }
    const bool stripRoot = anyForeign && oneRoot && !root.empty();
    if (stripRoot)
        data.Notices.push_back("\"" + root + "\", the first group name of every foreign entry, was taken for the "
                               "exporting database's root group: its entries go to <网上信息> itself");

    std::size_t blank = 0;
    for (std::size_t r = 1; r < state.Rows.size(); ++r) {
        const TCsvRow& row = state.Rows[r];
        if (blankRow(row)) {
            ++blank;
            continue;
        }
        std::vector<std::string> names = SplitGroup(cell(row, clGroup));
        TImportEntry e;
        e.Source = "line " + std::to_string(row.Line);
        int32_t category = names.empty() ? 0 : CategoryOfName(names[0]);
        if (category != 0)
            names.erase(names.begin());
        else if (stripRoot)
            names.erase(names.begin());
        const std::string& title = cell(row, clTitle);
        const std::string& user = cell(row, clUsername);
        const std::string& password = cell(row, clPassword);
        const std::string& url = cell(row, clURL);
        const std::string& notes = cell(row, clNotes);
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
        if (!cell(row, clTOTP).empty())
            e.Extra.emplace_back("TOTP", cell(row, clTOTP));
        e.Folder = {category, std::move(names)};
        data.Entries.push_back(std::move(e));
    }
    if (blank > 0)
        data.Notices.push_back(std::to_string(blank) + " rows without any text were skipped");
    return data;
}
