// Entries on the command line are KIND:ID, KIND being web, bank or note (the three kinds of
// entries) and ID the entry's id in its kind's table.
#pragma once

#include "boxdata/ZembraTypes.h"

class TDbFileMgr;

#include <cstdint>
#include <string>

struct TEntryRef {
    TZembraType Kind = ztNone;
    int32_t ID = 0;
};

// The kind of a name, ztNone when it is none of the three.
TZembraType KindOfName(const std::string& Name);
std::string FormatEntryRef(TZembraType Kind, int32_t ID);

// A positive 32-bit id written in decimal digits only; false otherwise.
bool ParseId(const std::string& Text, int32_t& ID);
// Raises a usage error naming Text when it is no KIND:ID.
TEntryRef ParseEntryRef(const std::string& Text);

// Whether the open box holds the entry.
bool EntryExists(TDbFileMgr& Box, const TEntryRef& Ref);
