// Reading an import in two passes over its input, so that neither holds the whole document: the
// check reads all of it and keeps only what storing needs (folders, notices, the count, what
// entries refer to), failing before the box is touched; the replay reads it again and hands the
// entries over one by one, in the order they are stored.
#pragma once

#include "cli/transfer/ImportSource.h"
#include "cli/transfer/TransferData.h"

#include <functional>
#include <memory>

using TImportTake = std::function<void(TImportEntry&)>;

class TImportReader {
public:
    virtual ~TImportReader() = default;
    // Raises ECliError (code 1) naming the input and the line or element when it is no such
    // file; Data gets the format, folders and notices, and Count the entries.
    virtual void Check(TImportSource& In, TImportData& Data, std::size_t& Count) = 0;
    // Only after Check, on the same input. Raises ECliError when the input no longer reads as
    // it did, and whatever Take raises.
    virtual void Replay(TImportSource& In, const TImportTake& Take) = 0;
};

// Format: "json", "csv" or "keepass-xml". InputName is what messages call the input.
std::unique_ptr<TImportReader> NewImportReader(const std::string& Format, const std::string& InputName);

// Both passes over text in memory, the entries collected. Raises as Check. Text is wiped.
TImportData ReadImportText(const std::string& Format, std::string& Text, const std::string& InputName,
                           std::size_t PieceBytes = TImportSource::kPieceBytes);
