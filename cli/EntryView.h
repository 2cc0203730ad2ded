// How entries look: their JSON objects (shared by ls, show and search) and their text for people.
#pragma once

#include "boxdata/ZembraTypes.h"
#include "cli/FolderTree.h"
#include "cli/Output.h"

#include <algorithm>
#include <iosfwd>

TJson FolderRefJson(const TFolderTree& Tree, int32_t FolderID);

TJson EntryJson(const TZmbNetItem& Item, const TFolderTree& Tree, bool ShowPassword);
TJson EntryJson(const TZmbBankItem& Item, const TFolderTree& Tree, bool ShowPassword);
TJson EntryJson(const TZmbCommItem& Item, const TFolderTree& Tree);
TJson AttachmentsJson(const TAttachDataHeaderAry& List);

// Every field, one per line, comments and body indented below their label.
void PrintEntry(std::ostream& Out, const TZmbNetItem& Item, const TFolderTree& Tree, bool ShowPassword);
void PrintEntry(std::ostream& Out, const TZmbBankItem& Item, const TFolderTree& Tree, bool ShowPassword);
void PrintEntry(std::ostream& Out, const TZmbCommItem& Item, const TFolderTree& Tree,
                const TAttachDataHeaderAry& Attachments);

// The default order of a folder's entries: sort code, then id.
template <class TItems>
void SortBySortCode(TItems& Items)
{
    std::stable_sort(Items.begin(), Items.end(), [](const auto& A, const auto& B) {
        return A.SortCode != B.SortCode ? A.SortCode < B.SortCode : A.ID < B.ID;
    });
}
