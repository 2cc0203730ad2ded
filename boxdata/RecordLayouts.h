// The five record layouts of a box described as data, field by field, so that the check and the
// salvage of a box treat every table the same way. The offsets are those of StoredRecords.h.
#pragma once

#include "boxdata/StoredRecords.h"
#include "boxdata/ZembraTypes.h"

#include <vector>

struct TNamedText {
    const char* Name;
    TStoredText Field;
};

struct TBoxRecordLayout {
    const char* Table;
    TZembraType Kind; // the entry kind; ztNone for folders and attachments
    int Size;
    // Every record starts with the id it hangs on: the parent folder, the entry's folder, or the
    // general entry an attachment belongs to.
    const char* LinkName;
    std::vector<TNamedText> Texts;
    std::vector<int> Ints;  // further 32-bit fields besides the link (sort code, file size)
    int DeletedOffset = -1; // the entry's deleted flag; -1 when the record has none
    // The text that names a record in messages (caption, bank, folder or file name).
    TStoredText NameField;
    // What blob 0 holds, as messages say it was or were something ("its comments were").
    const char* BlobWas;

    // Whether byte Offset belongs to no field (such bytes are always zero).
    bool IsLoose(int Offset) const;
};

// In the order of the tables in the file: Folder, NetItem, BankItem, CommItem, Attach.
const std::vector<TBoxRecordLayout>& BoxRecordLayouts();
const TBoxRecordLayout& FolderLayout();
const TBoxRecordLayout& AttachLayout();
// The layout of an entry kind's table.
const TBoxRecordLayout& EntryLayout(TZembraType Kind);
