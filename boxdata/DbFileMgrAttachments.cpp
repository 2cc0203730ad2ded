// Attachments of general entries: one "Attach" row per file, its content in blob 0.
#include "boxdata/DbFileMgr.h"

#include "boxdata/RecordBlob.h"
#include "boxdata/RecordBuffer.h"
#include "boxdata/StoredRecords.h"
#include "dataproc/UpdateBracket.h"
#include "storage/Nork.h"
#include "storage/NorkRecordScan.h"

#include <memory>

// The content goes in with the record: a record that claims a size never stands in the file
// without the content it claims.
void TDbFileMgr::AddAttachment(const TAttachData& AttachData, int32_t& ID)
{
    TRecordBuffer rec;
    PackAttach(AttachData, rec.Data());
    TMemoryStream content; // wipes its copy of the file when released
    const std::string& bin = AttachData.Bin;
    content.Write(bin.data(), static_cast<int64_t>(bin.size()));
    content.SetPosition(0);
    ID = FAttachTable->AppendRecord(rec.Data(), AttachRec::kSize, 0, {&content});
}

void TDbFileMgr::DeleteAttachment(int32_t ID)
{
    FAttachTable->DeleteRecord(ID);
}

void TDbFileMgr::DeleteAttachments(int32_t OwnerID)
{
    TAttachDataHeaderAry list;
    GetAttachmentList(list, OwnerID);
    TUpdateBracket bracket(*FAttachTable);
    for (const TAttachDataHeader& a : list)
        DeleteAttachment(a.ID);
}

void TDbFileMgr::RenameAttachment(int32_t ID, const std::string& NewName)
{
    TUpdateBracket bracket(*FAttachTable);
    TRecordBuffer rec;
    if (!FAttachTable->ReadRecord(ID, rec.Data()))
        return;
    PutText(rec.Data(), AttachRec::kName, NewName);
    FAttachTable->ModifyRecord(ID, rec.Data(), AttachRec::kSize);
}

bool TDbFileMgr::GetAttachment(int32_t ID, TMemoryStream& DataStream)
{
    TRecordBuffer rec;
    if (!FAttachTable->ReadRecord(ID, rec.Data()))
        return false;
    DataStream.Clear();
    ReadRecordBlob(*FAttachTable, ID, DataStream);
    return true;
}

void TDbFileMgr::GetAttachments(const TIntegerAry& IDs,
                                const std::function<void(int32_t ID, const TMemoryStream* Content)>& Take)
{
    struct TRead {
        int32_t ID;
        std::unique_ptr<TMemoryStream> Content; // null: no such attachment
    };
    TUpdateBracket bracket(*FAttachTable);
    TNorkRecordScan scan(*FAttachTable, 0, IDs);
    ScanRecords<TRead>(
        scan,
        [&](TScannedRecord& Record, TNorkCodec& Codec) -> std::optional<TRead> {
            if (!Record.Live())
                return TRead{Record.ID(), nullptr};
            Record.Data(Codec); // raises what reading the record raises
            auto content = std::make_unique<TMemoryStream>();
            ReadRecordBlob(*FAttachTable, Record, Codec, *content);
            return TRead{Record.ID(), std::move(content)};
        },
        [&](TRead&& Read) {
            Take(Read.ID, Read.Content.get());
            Read.Content.reset(); // a batch's contents are not all kept until the next one
        });
}

namespace {

// Every attachment record in ascending id order, which is also the order of adding.
template <class VisitFn>
void ForEachAttachment(TNorkTable& Table, VisitFn Visit)
{
    TRecordBuffer rec;
    const int count = Table.RecordCount();
    for (int pos = 0; pos < count; ++pos) {
        int32_t id = 0;
        if (!Table.ReadRecord(pos, id, rec.Data()))
            continue;
        TAttachDataHeader header;
        UnpackAttach(rec.Data(), header);
        header.ID = id;
        Visit(GetInt32(rec.Data(), AttachRec::kOwnerID), std::move(header));
    }
}

} // namespace

void TDbFileMgr::GetAttachmentList(TAttachDataHeaderAry& List, int32_t OwnerID)
{
    List.clear();
    ForEachAttachment(*FAttachTable, [&](int32_t Owner, TAttachDataHeader&& Header) {
        if (Owner == OwnerID)
            List.push_back(std::move(Header));
    });
}

void TDbFileMgr::GetAttachmentLists(std::map<int32_t, TAttachDataHeaderAry>& ByOwner)
{
    ByOwner.clear();
    ForEachAttachment(*FAttachTable,
                      [&](int32_t Owner, TAttachDataHeader&& Header) { ByOwner[Owner].push_back(std::move(Header)); });
}
