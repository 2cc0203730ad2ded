// KeePass 2 XML (<KeePassFile><Meta>...<Root><Group>...): one group per folder below a root
// group named after the box, entries with the standard strings Title, UserName, Password, URL
// and Notes, other fields as custom strings ("E-mail", "Account type", "Account number"),
// attachments as binaries (gzip-compressed in Meta/Binaries; read compressed or not, pooled or
// inline).
#pragma once

#include "cli/transfer/ImportReader.h"
#include "cli/transfer/TransferData.h"

#include <string>
#include <vector>

class TSecretText;

// Warnings: what another program may read differently (renamed duplicate attachment names,
// characters XML 1.0 cannot carry).
void WriteKeePassXmlExport(const TBoxSnapshot& Snap, TSecretText& Out, std::vector<std::string>& Warnings);

// Reading streams the file twice (see ImportReader.h). Entries below our three category groups
// come back as their kinds; all others are foreign:
// web entries in folders mirroring their groups under "<网上信息>", or, when they carry
// attachments, general entries under "<通用数据>". Raises ECliError (code 1) naming InputName
// and the line or element when Text is not such a file. Text is wiped.
std::unique_ptr<TImportReader> NewKeePassXmlReader(const std::string& InputName);
// Both passes over Text in memory (ReadImportText).
TImportData ReadKeePassXmlImport(std::string& Text, const std::string& InputName);
