// CSV in the column order the common password managers exchange: "Group","Title","Username",
// "Password","URL","Notes","TOTP","Icon","Last Modified","Created" (RFC 4180 quoting, UTF-8).
// Group is the folder path joined with "/". Fields without a column go into Notes as labelled
// lines; attachments have no place in CSV.
#pragma once

#include "cli/transfer/ImportReader.h"
#include "cli/transfer/TransferData.h"

#include <string>

class TSecretText;

void WriteCsvExport(const TBoxSnapshot& Snap, TSecretText& Out);

// Reads the columns of the same names (any order, letter case ignored; others ignored, missing
// ones empty). Raises ECliError (code 1) naming InputName and the line when Text is no such
// CSV. Text is wiped.
// Row by row, twice (see ImportReader.h).
std::unique_ptr<TImportReader> NewCsvReader(const std::string& InputName);
TImportData ReadCsvImport(std::string& Text, const std::string& InputName);
