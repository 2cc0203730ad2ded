// Salvage: what can be read of a damaged box, written as a new box that holds together.
//
// Every live record whose bytes the file holds is kept, with its id. Within a record, a text
// field that cannot be read is left empty, comments that cannot be decoded are dropped and the
// entry kept; an attachment whose content cannot be decoded is dropped. What an interrupted
// change left behind (an entry or attachment whose blob was never written, entries and folders
// of a deletion that did not finish) is removed. What lost its place is given one: entries in a
// folder that is gone or of another category go to their category folder, folders whose parent
// is gone go below the category of what they hold, attachments whose note is gone get an empty
// note of that id, and a lost category folder is made anew. The new box gets fresh indexes,
// headers and catalogue, the same password and encryption, and the recovery question when it
// can be read. Every such decision is one line of the report.
#pragma once

#include "boxdata/BoxScan.h"

#include <string>
#include <vector>

struct TSalvageReport {
    // One line per decision, each starting with "Removed: " (an unfinished change taken out),
    // "Dropped: " (content that could not be read and is not in the new box) or "Mended: "
    // (changed so that the box holds together; nothing lost).
    std::vector<std::string> Lines;
    // What the new box holds.
    int Folders = 0;
    int Entries = 0;
    int Attachments = 0;
};

// Writes what Scan reads of the box as a new box at NewFileName (created, or replaced when it
// exists). Answers the report; raises EFileError and the engine's errors when the new file
// cannot be written. Main thread.
TSalvageReport SalvageBox(TBoxScan& Scan, const std::string& Password, const std::string& NewFileName);
