// A thorough read of a box for tools: every table, record, blob and index, and the links
// between folders, entries and attachments. Problems are collected, not raised.
#include "boxdata/DbFileMgr.h"

#include "boxdata/BoxSchema.h"
#include "boxdata/StoredRecords.h"
#include "dataproc/AnsiText.h"
#include "dataproc/Exception.h"
#include "dataproc/Wipe.h"
#include "storage/Nork.h"

#include <cstring>
#include <map>
#include <set>

namespace {

struct TVerifier {
    TNorkDatabase& Db;
    std::vector<std::string>& Problems;
    // First field (folder, parent or owner id) of every readable record, per table.
    std::map<std::string, std::map<int32_t, int32_t>> FirstFields;

    void Report(const std::string& Table, const std::string& What) { Problems.push_back(Table + ": " + What); }

    void CheckIdentification()
    {
        uint8_t ext[BoxSchema::kExtDataSize] = {};
        Db.GetExtData(ext, BoxSchema::kExtDataSize);
        if (AnsiFieldBytes(ext, 8) != BoxSchema::kAppIdent || AnsiFieldBytes(ext + 8, 4) != BoxSchema::kAppVersion)
            Problems.push_back("the file does not carry the password-box identification");
        for (const auto& t : BoxSchema::kTables)
            if (!Db.TableExists(t.Name))
                Report(t.Name, "the table is missing");
    }

    void CheckIndexOrder(TNorkTable& Table, int IndexNo)
    {
        const TIndexHeaderItem& header = Table.TableHeader().IndexHeader[IndexNo];
        const std::string name = AnsiFieldToStr(header.IndexName, sizeof(header.IndexName));
        TNorkIndex* index = Table.GetIndex(name);
        if (index->Count() != Table.RecordCount()) {
            Report(Table.TableName(), "index " + name + " lists " + std::to_string(index->Count()) + " of " +
                                          std::to_string(Table.RecordCount()) + " records");
            return;
        }
        const TIndexFieldItem& field = header.FieldItems[0];
        if (header.FieldCount != 1 || field.IndexType != itLongint)
            return; // a box's own indexes are all one 32-bit field
        std::vector<uint8_t> rec(static_cast<std::size_t>(Table.TableHeader().RecordSize));
        bool first = true;
        int64_t prevKey = 0;
        int32_t prevId = 0;
        for (int i = 0; i < index->Count(); ++i) {
            const int32_t id = index->GetSysRecordID(i);
            if (!Table.ReadRecord(id, rec.data())) {
                Report(Table.TableName(), "index " + name + " lists id " + std::to_string(id) + ", which is not live");
                return;
            }
            const int64_t key = GetInt32(rec.data(), field.FieldOffset);
            if (!first && (key < prevKey || (key == prevKey && id < prevId))) {
                Report(Table.TableName(), "index " + name + " is out of order at id " + std::to_string(id));
                return;
            }
            first = false;
            prevKey = key;
            prevId = id;
        }
        SecureZero(rec.data(), rec.size());
    }

    void CheckTable(const std::string& Name)
    {
        TNorkTable table(&Db);
        bool withIndexes = true;
        try {
            table.Open(Name, true);
        } catch (const Exception& e) {
            Report(Name, std::string("its indexes cannot be loaded: ") + e.what());
            withIndexes = false;
            try {
                table.Open(Name, false);
            } catch (const Exception& e2) {
                Report(Name, std::string("the table cannot be opened: ") + e2.what());
                return;
            }
        }
        table.SetCheckSignature(true);
        const TTableHeader& header = table.TableHeader();
        std::vector<uint8_t> rec(static_cast<std::size_t>(header.RecordSize));
        TMemoryStream blob;
        auto& firstFields = FirstFields[Name];
        table.BeginUpdate();
        try {
            for (int pos = 0; pos < table.RecordCount(); ++pos) {
                int32_t id = table.GetSysRecordID(pos);
                try {
                    table.ReadRecord(pos, id, rec.data());
                } catch (const Exception& e) {
                    Report(Name, "record id " + std::to_string(id) + ": " + e.what());
                    continue;
                }
                if (rec.size() >= 4)
                    firstFields[id] = GetInt32(rec.data(), 0);
                for (int b = 0; b < header.BlobCount; ++b) {
                    try {
                        table.ReadBlob(id, b, blob);
                    } catch (const Exception& e) {
                        Report(Name, "blob " + std::to_string(b) + " of record id " + std::to_string(id) + ": " + e.what());
                    }
                }
            }
            if (withIndexes)
                for (int k = 0; k < header.IndexCount; ++k) {
                    try {
                        CheckIndexOrder(table, k);
                    } catch (const Exception& e) {
                        Report(Name, std::string("an index cannot be walked: ") + e.what());
                    }
                }
        } catch (...) {
            table.EndUpdate();
            throw;
        }
        table.EndUpdate();
        SecureZero(rec.data(), rec.size());
    }

    // Every folder hangs below an existing folder (categories below none), every entry lies in
    // an existing folder and every attachment belongs to an existing general entry.
    void CheckLinks()
    {
        using namespace BoxSchema;
        const auto& folders = FirstFields[kFolderTable];
        for (const auto& [id, parent] : folders)
            if (parent != 0 && folders.count(parent) == 0)
                Report(kFolderTable, "folder id " + std::to_string(id) + " has no parent folder " + std::to_string(parent));
        for (const char* table : {kNetItemTable, kBankItemTable, kCommItemTable})
            for (const auto& [id, folder] : FirstFields[table])
                if (folders.count(folder) == 0)
                    Report(table, "entry id " + std::to_string(id) + " lies in missing folder " + std::to_string(folder));
        const auto& notes = FirstFields[kCommItemTable];
        for (const auto& [id, owner] : FirstFields[kAttachTable])
            if (notes.count(owner) == 0)
                Report(kAttachTable, "attachment id " + std::to_string(id) + " belongs to missing entry " +
                                         std::to_string(owner));
    }
};

} // namespace

std::vector<std::string> TDbFileMgr::Verify(const std::string& FileName, const std::string& Password)
{
    std::vector<std::string> problems;
    TNorkDatabase db;
    db.SetMaxCache(0);
    if (!db.Open(FileName, Password))
        throw Exception("The password is not correct");
    TVerifier verifier{db, problems, {}};
    verifier.CheckIdentification();
    for (const std::string& name : db.TableNames())
        verifier.CheckTable(name);
    if (problems.empty())
        verifier.CheckLinks();
    db.Close();
    return problems;
}
