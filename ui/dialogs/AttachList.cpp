#include "ui/dialogs/AttachList.h"

#include "boxdata/DbFileMgr.h"
#include "dataproc/Exception.h"
#include "dataproc/Wipe.h"

namespace {

// The content goes with the record (TSecretString wipes it); the stream is wiped here.
void WipeStream(TMemoryStream& Stream)
{
    if (Stream.Size() > 0)
        SecureZero(Stream.Memory(), static_cast<std::size_t>(Stream.Size()));
    Stream.Clear();
}

} // namespace

TAttachList::~TAttachList()
{
    Clear();
}

void TAttachList::Add(const TAttachData& Item)
{
    FItems.push_back(std::make_unique<TAttachData>(Item));
}

void TAttachList::Delete(int Index)
{
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
}

void TAttachList::Clear()
{
    FItems.clear();
}

int TAttachList::IndexOfID(int32_t ID) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->ID == ID)
            return static_cast<int>(i);
    return -1;
}

void TAttachList::LoadFromDb(int32_t OwnerID)
{
    Clear();
    TAttachDataHeaderAry headers;
    DbFileMgr.GetAttachmentList(headers, OwnerID);
    for (const TAttachDataHeader& header : headers) {
        TMemoryStream stream;
        DbFileMgr.GetAttachment(header.ID, stream);
        TAttachData item;
        item.ID = header.ID;
        item.Name = header.Name;
        item.Size = header.Size;
        item.OwnerID = OwnerID;
        item.Bin = std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
        WipeStream(stream);
        FItems.push_back(std::make_unique<TAttachData>(std::move(item)));
    }
}

TAttachData* TAttachList::GetItemPtr(int Index)
{
    CheckIndex(Index);
    return FItems[Index].get();
}

const TAttachData* TAttachList::GetItemPtr(int Index) const
{
    CheckIndex(Index);
    return FItems[Index].get();
}

void TAttachList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw Exception("Out of bounds");
}
