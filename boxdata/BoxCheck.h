// The complete check of a box: every problem the storage engine's scan found, named by table,
// record and entry, and every rule of the box itself (identification, schema, record fields,
// unfinished changes, the folder tree, entries and attachments in their places).
#pragma once

#include "boxdata/BoxScan.h"

#include <string>
#include <vector>

// One line per problem, in the order: the file, the tables, the records, the tree. Empty when
// the box is sound. Answers a status; raises only what reading the file raises.
std::vector<std::string> CheckBox(TBoxScan& Scan);

// How a finding of the engine's scan is named: "NetItem record 5 (web:5 "Mail"): ...".
std::string DescribeFinding(const TBoxScan& Scan, const TNorkFinding& Finding);
