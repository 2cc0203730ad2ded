// Blob 0 of a box record, the one blob a box gives each record: an entry's comments (a general
// entry's text) or an attachment's content.
//
// A box compresses its blobs, and a compressed blob always holds stored bytes, so a blob with
// none was never written: the record was added and the change was interrupted before its blob
// followed. Such a blob is refused here rather than read as empty, so that nobody takes an
// unfinished attachment for an empty file or an unfinished entry for one without comments.
#pragma once

#include "dataproc/MemoryStream.h"

#include <cstdint>
#include <string>

class TNorkCodec;
class TNorkTable;
class TScannedRecord;

// Raise ENorkFileCorrupt naming the record when the blob was never written; engine errors pass
// on. The text form converts code page 936 to UTF-8. Main thread.
void ReadRecordBlob(TNorkTable& Table, int32_t ID, TMemoryStream& Content);
void ReadRecordBlob(TNorkTable& Table, int32_t ID, std::string& Text);

// The same for a record of a table scan (see TNorkRecordScan), on any decode thread with its
// codec.
void ReadRecordBlob(const TNorkTable& Table, TScannedRecord& Record, TNorkCodec& Codec, TMemoryStream& Content);
void ReadRecordBlob(const TNorkTable& Table, TScannedRecord& Record, TNorkCodec& Codec, std::string& Text);
