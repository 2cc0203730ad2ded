// Our own export format: the box as it is, folders with their ids and sort codes, entries of the
// three kinds, attachments with their bytes in base64. README.md documents it.
#pragma once

#include "cli/transfer/ImportReader.h"
#include "cli/transfer/TransferData.h"

#include <string>

class TSecretText;

// The whole document, UTF-8, ending with a line break.
void WriteJsonExport(const TBoxSnapshot& Snap, TSecretText& Out);

// Raises ECliError (code 1) naming InputName and the line or element when Text is not such a
// document. Text is wiped.
std::unique_ptr<TImportReader> NewJsonReader(const std::string& InputName);
TImportData ReadJsonImport(std::string& Text, const std::string& InputName);
