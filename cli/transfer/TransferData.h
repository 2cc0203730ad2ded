// What moves between a box and an export file. Export reads the whole box into a TBoxSnapshot
// and each format writes it. Import reads a file twice (ImportReader.h): a check of all of it
// before the box is opened gives the TImportData without its entries, then TImportWriter stores
// the entries one by one as the second reading hands them over.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// ---- export ----

struct TSnapshotNote {
    TZmbCommItem Item;
    std::vector<TAttachData> Attachments; // content included, in the order of adding
};

struct TSnapshotFolder {
    TZembraFolder Folder;
    std::string Path;                  // names from the category down, joined by "/"
    std::vector<std::size_t> Children; // indexes into TBoxSnapshot::Folders, sibling order
    // Entries filed here, in the default order (sort code, then id).
    TZmbNetItems Web;
    TZmbBankItems Bank;
    std::vector<TSnapshotNote> Notes;
};

struct TBoxSnapshot {
    std::string Name;                    // the box file's name without folder and extension
    std::vector<TSnapshotFolder> Folders; // depth first in sibling order, categories first of all
    std::vector<std::size_t> Categories;  // indexes of the three category folders
    std::size_t WebCount = 0, BankCount = 0, NoteCount = 0, AttachmentCount = 0;
};

// ---- import ----

// A folder below one of the three categories, given by its names.
struct TImportFolderRef {
    int32_t Category = 1;           // 1 web, 2 bank, 3 general (the category folders' ids)
    std::vector<std::string> Names; // below the category; empty for the category itself
};

struct TImportFolder {
    TImportFolderRef Ref;
    std::optional<int32_t> SortCode; // for a folder the import creates; else it goes last
};

// A field the entry has no place for, or the full text of one the box cuts: kept in the
// comments (the body of a general entry) as a line "Label: value".
using TLabelledLine = std::pair<std::string, std::string>;

struct TImportEntry {
    TZembraType Kind = ztNetItem;
    TImportFolderRef Folder;
    std::optional<int32_t> SortCode; // relative to the folder's entries before the import
    std::string Source;              // where it was read, for messages ("line 12", "notes[3]")
    std::string How;                 // how it was mapped when that is not plain
    TZmbNetItem Web;
    TZmbBankItem Bank;
    TZmbCommItem Note;
    std::vector<TAttachData> Attachments; // OwnerID is set when stored
    std::vector<TLabelledLine> Extra;

    const std::string& Caption() const;
};

struct TImportData {
    std::string Format;                 // "json", "csv", "keepass-xml"
    std::vector<TImportFolder> Folders; // created when missing, in this order (parents first)
    std::vector<TImportEntry> Entries; // only when read into memory whole (ReadImportText)
    std::vector<std::string> Notices; // what the reader skipped or decided, for the report
};

// ---- labelled lines ----

// The labels the formats use for fields that a format has no column or string for.
inline constexpr std::string_view kLabelEmail = "E-mail";
inline constexpr std::string_view kLabelAccType = "Account type";
inline constexpr std::string_view kLabelAccount = "Account number";
inline constexpr std::string_view kLabelComments = "Comments";
// The line an import adds to the comments when it cuts a password to the field.
inline constexpr std::string_view kLabelPassword = "Password";

// Text followed by one "Label: value" line per element (a line break first when Text does not
// end with one).
std::string AppendLabelled(std::string Text, const std::vector<TLabelledLine>& Lines);

// Notes written as labelled lines: single-line fields first, then "Comments: " and the rest of
// the text. Notes that do not start with one of the single-line labels or "Comments: " are all
// comments.
struct TLabelledNotes {
    std::vector<TLabelledLine> Fields; // in the order found
    std::string Comments;
    bool Labelled = false;
};
TLabelledNotes ParseLabelledNotes(std::string_view Notes, const std::vector<std::string_view>& Labels);
// The inverse: Fields with non-empty values, then "Comments: " and the comments. Plain comments
// when there are no such fields and the comments could not be taken for labelled notes.
std::string FormatLabelledNotes(const std::vector<TLabelledLine>& Fields, const std::string& Comments,
                                const std::vector<std::string_view>& Labels);

// The three category folders' names by id (1..3), and the id of a name (0 when none).
std::string_view CategoryName(int32_t Category);
int32_t CategoryOfName(std::string_view Name);

// Whether Text is valid UTF-8.
bool IsUtf8(std::string_view Text);
