#include "cli/transfer/TransferData.h"

#include <unicode/utf8.h>

namespace {

bool StartsWith(std::string_view Text, std::string_view Prefix)
{
    return Text.substr(0, Prefix.size()) == Prefix;
}

std::string Prefix(std::string_view Label)
{
    return std::string(Label) + ": ";
}

// The single-line label Text starts with ("" when none).
std::string_view LeadingLabel(std::string_view Text, const std::vector<std::string_view>& Labels)
{
    for (std::string_view l : Labels)
        if (StartsWith(Text, Prefix(l)))
            return l;
    return {};
}

} // namespace

const std::string& TImportEntry::Caption() const
{
    switch (Kind) {
    case ztBankItem:
        return Bank.BankName;
    case ztCommItem:
        return Note.Caption;
    default:
        return Web.Caption;
    }
}

std::string AppendLabelled(std::string Text, const std::vector<TLabelledLine>& Lines)
{
    for (const auto& [label, value] : Lines) {
        if (!Text.empty() && Text.back() != '\n')
            Text += '\n';
        Text += Prefix(label);
        Text += value;
    }
    return Text;
}

TLabelledNotes ParseLabelledNotes(std::string_view Notes, const std::vector<std::string_view>& Labels)
{
    TLabelledNotes out;
    const std::string comments = Prefix(kLabelComments);
    std::size_t pos = 0;
    for (;;) {
        const std::string_view rest = Notes.substr(pos);
        if (StartsWith(rest, comments)) {
            out.Labelled = true;
            out.Comments = std::string(rest.substr(comments.size()));
            return out;
        }
        const std::string_view label = LeadingLabel(rest, Labels);
        if (label.empty()) {
            out.Comments = std::string(rest);
            return out;
        }
        out.Labelled = true;
        const std::size_t start = label.size() + 2;
        const std::size_t end = rest.find('\n');
        const std::string_view value = end == std::string_view::npos ? rest.substr(start) : rest.substr(start, end - start);
        out.Fields.emplace_back(std::string(label), std::string(value));
        if (end == std::string_view::npos)
            return out;
        pos += end + 1;
    }
}

std::string FormatLabelledNotes(const std::vector<TLabelledLine>& Fields, const std::string& Comments,
                                const std::vector<std::string_view>& Labels)
{
    std::string out;
    for (const auto& [label, value] : Fields)
        if (!value.empty())
            out += Prefix(label) + value + '\n';
    if (out.empty() && !StartsWith(Comments, Prefix(kLabelComments)) && LeadingLabel(Comments, Labels).empty())
        return Comments;
    return out + Prefix(kLabelComments) + Comments;
}

std::string_view CategoryName(int32_t Category)
{
    switch (Category) {
    case 1:
        return "<网上信息>";
    case 2:
        return "<银行账号>";
    case 3:
        return "<通用数据>";
    default:
        return {};
    }
}

int32_t CategoryOfName(std::string_view Name)
{
    for (int32_t c = 1; c <= 3; ++c)
        if (Name == CategoryName(c))
            return c;
    return 0;
}

bool IsUtf8(std::string_view Text)
{
    const auto* s = reinterpret_cast<const uint8_t*>(Text.data());
    const int64_t len = static_cast<int64_t>(Text.size());
    int64_t i = 0;
    while (i < len) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        // U8_NEXT takes 32-bit lengths; a character is at most 4 bytes.
        int32_t j = 0;
        const int32_t window = static_cast<int32_t>(std::min<int64_t>(len - i, 4));
        UChar32 c;
        U8_NEXT(s + i, j, window, c);
        if (c < 0)
            return false;
        i += j;
    }
    return true;
}
