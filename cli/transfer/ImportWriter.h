// Stores checked import data in the open box: folders found by path or created, entries filed
// last in their folders (in file order, or by the file's sort codes), attachments stored with
// their notes. Text the box cuts to its field widths is cut at a character boundary, reported
// (entry and field) and kept whole in the comments. Prints what went where.
#pragma once

#include "boxdata/DbFileMgr.h"
#include "cli/FolderTree.h"
#include "cli/transfer/TransferData.h"

#include <iosfwd>
#include <map>
#include <string>

struct TImportCounts {
    std::size_t Web = 0, Bank = 0, Notes = 0, Attachments = 0;
    std::size_t FoldersCreated = 0, FoldersReused = 0, FieldsCut = 0, TextsAltered = 0;
};

class TImportWriter {
public:
    // Out gets the mapping, Warn the cut and altered fields.
    TImportWriter(TDbFileMgr& Box, std::ostream& Out, std::ostream& Warn);

    // Call inside the box's update bracket: the folders first, then each entry. Raise what the
    // box raises.
    void WriteFolders(const std::vector<TImportFolder>& Folders);
    void Store(TImportEntry& Entry);
    const TImportCounts& Counts() const { return FCounts; }

private:
    struct TFitted {
        std::string Text; // as the box will read it back
        std::size_t Bytes = 0;
        bool Cut = false;
        bool Altered = false; // characters code page 936 lacks became "?"
    };
    static TFitted Fit(const std::string& Text, std::size_t MaxBytes);

    int32_t Folder(const TImportFolderRef& Ref, std::optional<int32_t> SortCode);
    int32_t Child(int32_t Parent, const std::string& Name, std::optional<int32_t> SortCode, const std::string& Path);
    int32_t SortCodeFor(TZembraType Kind, int32_t FolderID, std::optional<int32_t> Relative);
    // Fits Field in place; a cut field's full text goes to Extra.
    void FitField(std::string& Field, int Size, const char* Label, const std::string& Who,
                  std::vector<TLabelledLine>& Extra);
    void FitSecret(TSecretString& Field, int Size, const char* Label, const std::string& Who,
                   std::vector<TLabelledLine>& Extra);
    void CheckComments(const std::string& Text, const char* Label, const std::string& Who);

    TDbFileMgr& FBox;
    TFolderTree FTree;
    std::ostream& FOut;
    std::ostream& FWarn;
    std::map<std::pair<int32_t, std::string>, int32_t> FChildren; // (parent, stored name) -> id
    std::map<int32_t, int32_t> FLastChildSort;                      // parent -> largest child code
    std::map<int32_t, std::string> FPaths;                          // folders the import touched
    std::map<std::pair<int, int32_t>, int64_t> FBaseSort, FLastSort; // (kind, folder)
    TImportCounts FCounts;
};
