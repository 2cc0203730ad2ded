// Output for people (aligned text tables) and for programs (JSON). Stored names and texts are
// printed as they are, in UTF-8; only the tool's own words are English.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

using TJson = nlohmann::ordered_json;

// As many "*" as the password has characters (what the main window shows when masking).
std::string MaskPassword(std::string_view Password);
// Password as shown: itself when Show, else masked.
std::string ShownPassword(std::string_view Password, bool Show);

// Columns a terminal uses for Text: wide and full-width characters take two, combining marks none.
int DisplayWidth(std::string_view Text);

// A body text on one line: its first 100 characters followed by "..." when longer, every
// character below U+0020 (line breaks, tabs) turned into a space.
std::string ShortenBody(std::string_view Body);

// The text of a one-line cell: control characters shown as spaces so a row stays a row.
std::string OneLine(std::string_view Text);

// Rows printed with columns aligned by display width, the last column not padded.
class TTextTable {
public:
    explicit TTextTable(std::vector<std::string> Header) : FHeader(std::move(Header)) {}
    void AddRow(std::vector<std::string> Row) { FRows.push_back(std::move(Row)); }
    bool Empty() const { return FRows.empty(); }
    void Print(std::ostream& Out) const;

private:
    std::vector<std::string> FHeader;
    std::vector<std::vector<std::string>> FRows;
};

// Pretty-printed JSON with a final line break; text stays UTF-8 (not \u-escaped).
void PrintJson(std::ostream& Out, const TJson& Value);

// Byte count for people: "12,345 bytes".
std::string FormatBytes(int64_t Size);

// A count with its noun: "1 entry", "3 entries".
std::string Counted(std::size_t N, const char* One, const char* Many);
