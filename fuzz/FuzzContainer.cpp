// The input is a whole container file. It is opened in memory with the seeds' password and,
// when that is refused, with an empty one; then every table is opened without and with its
// indexes, every record is read by position and by id, every blob is read, and every index is
// searched, filtered with each operator and over a range, and asked to sort. The same input is
// also scanned as a damaged file is (every check, every live record and blob read), with the
// codec keyed both ways.
//
// A damaged file may raise an engine, algorithm or platform error (all of them derive from
// Exception); anything else escaping, a sanitizer report or a hang is a finding.
#include "FuzzPassword.h"

#include "dataproc/Exception.h"
#include "dataproc/MemoryStream.h"
#include "storage/Nork.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

void WalkIndex(TNorkIndex& Index, const std::vector<uint8_t>& Key, const std::vector<uint8_t>& OtherKey)
{
    std::vector<int32_t> ids;
    Index.Find(Key.data());
    for (TNorkCompareOpr opr : {coEQ, coNE, coGT, coLT, coGE, coLE})
        Index.Filter(Key.data(), opr, ids);
    Index.Filter(Key.data(), OtherKey.data(), ids);
    Index.Filter(OtherKey.data(), Key.data(), ids);
    ids.push_back(-1);
    ids.push_back(0x7fffffff);
    Index.Sort(ids);
    for (int i = -1; i <= Index.Count(); ++i)
        Index.GetSysRecordID(i);
}

void WalkTable(TNorkDatabase& Db, const std::string& Name, bool WithIndexes, int64_t FileSize)
{
    TNorkTable table(&Db);
    try {
        table.Open(Name, WithIndexes);
    } catch (const Exception&) {
        return;
    }
    const TTableHeader& header = table.TableHeader();
    // An empty table may claim any record size; buffers of that size are the caller's to make,
    // so only sizes a record in this file could have are walked.
    if (header.RecordSize > FileSize)
        return;
    std::vector<uint8_t> record(static_cast<std::size_t>(header.RecordSize) + 1);
    std::vector<uint8_t> first(record.size());
    std::vector<uint8_t> last(record.size());
    TMemoryStream blob;
    for (int i = 0; i < table.RecordCount(); ++i) {
        try {
            int32_t id = 0;
            if (!table.ReadRecord(i, id, record.data()))
                continue;
            (i == 0 ? first : last) = record;
            table.ReadRecord(id, record.data());
            for (int b = 0; b < header.BlobCount; ++b)
                table.ReadBlob(id, b, blob);
        } catch (const Exception&) {
        }
    }
    try {
        table.ReadRecord(int32_t(-1), record.data());
    } catch (const Exception&) {
    }
    for (int k = 0; k < table.IndexObjectCount() && k < header.IndexCount; ++k) {
        try {
            TNorkIndex* index = table.GetIndex(std::string(header.IndexHeader[k].IndexName,
                                                           strnlen(header.IndexHeader[k].IndexName, kNameSize)));
            WalkIndex(*index, first, last);
        } catch (const Exception&) {
        }
    }
}

void WalkDatabase(TMemoryStream& Stream, const std::string& Password)
{
    TNorkDatabase db;
    db.SetReadOnly(true);
    if (!db.Open(&Stream, Password))
        return;
    const std::vector<std::string> names = db.TableNames();
    for (const std::string& name : names) {
        WalkTable(db, name, false, Stream.Size());
        WalkTable(db, name, true, Stream.Size());
    }
    std::string text;
    db.GetComments();
    db.GetPwdQuestion(text);
}

void ScanDatabase(TMemoryStream& Stream)
{
    TNorkFileScan scan(&Stream);
    scan.PasswordMatches(kFuzzPassword);
    for (const bool encrypt : {true, false}) {
        scan.SetCodec(true, "Zlib", encrypt, "Blowfish", kFuzzPassword);
        scan.CheckContent();
        scan.ReadComments();
        TMemoryStream blob;
        std::string reason;
        for (const TNorkScanTable& t : scan.Tables()) {
            if (!t.Usable || t.Header.RecordSize > Stream.Size())
                continue;
            std::vector<uint8_t> record(static_cast<std::size_t>(t.Header.RecordSize) + 1);
            for (const int64_t slot : t.LiveSlots) {
                scan.ReadData(t, slot, record.data());
                for (int b = 0; b < t.Header.BlobCount; ++b)
                    scan.ReadBlob(t, slot, b, blob, reason);
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    TMemoryStream stream;
    stream.Write(Data, static_cast<int64_t>(Size));
    for (const char* password : {kFuzzPassword, ""}) {
        try {
            WalkDatabase(stream, password);
        } catch (const Exception&) {
        }
    }
    try {
        ScanDatabase(stream);
    } catch (const Exception&) {
    }
    return 0;
}
