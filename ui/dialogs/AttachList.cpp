#include "ui/dialogs/AttachList.h"

#include "boxdata/DbFileMgr.h"
#include "dataproc/UpdateBracket.h"

#include <stdexcept>
#include <string>

TAttachList::~TAttachList()
{
    Clear();
}

void TAttachList::WipeItemData(TAttachData& Item)
{
    Item.Bin = TSecretString(); // the assignment overwrites the old content
}

void TAttachList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
}

void TAttachList::Add(const TAttachData& Item)
{
    FItems.push_back(std::make_unique<TAttachData>(Item));
}

void TAttachList::Delete(int Index)
{
    CheckIndex(Index);
    WipeItemData(*FItems[static_cast<std::size_t>(Index)]);
    FItems.erase(FItems.begin() + Index);
}

void TAttachList::Clear()
{
    for (auto& item : FItems)
        WipeItemData(*item);
    FItems.clear();
}

int TAttachList::IndexOfID(int32_t ID) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->ID == ID)
            return static_cast<int>(i);
    return -1;
}

TAttachData* TAttachList::GetItemPtr(int Index)
{
    CheckIndex(Index);
    return FItems[static_cast<std::size_t>(Index)].get();
}

void TAttachList::LoadFromDb(int32_t OwnerID)
{
    Clear();
    TAttachDataHeaderAry headers;
    DbFileMgr.GetAttachmentList(headers, OwnerID);
    for (const TAttachDataHeader& h : headers) {
        TMemoryStream content; // wiped when released
        DbFileMgr.GetAttachment(h.ID, content);
        auto item = std::make_unique<TAttachData>();
        item->ID = h.ID;
        item->Name = h.Name;
        item->Size = h.Size;
        item->OwnerID = OwnerID;
        item->Bin = TSecretString(std::string(reinterpret_cast<const char*>(content.Memory()),
                                              static_cast<std::size_t>(content.Size())));
        FItems.push_back(std::move(item));
    }
}

void TAttachList::StoreNew(TAttachData& Item, int32_t OwnerID)
{
    Item.OwnerID = OwnerID;
    int32_t id = 0;
    DbFileMgr.AddAttachment(Item, id);
    Item.ID = id;
}

void TAttachList::AddToDb(int32_t OwnerID)
{
    TUpdateBracket bracket(DbFileMgr);
    for (auto& item : FItems)
        StoreNew(*item, OwnerID);
}

void TAttachList::ApplyToDb(int32_t OwnerID)
{
    TUpdateBracket bracket(DbFileMgr);
    TAttachDataHeaderAry stored;
    DbFileMgr.GetAttachmentList(stored, OwnerID);
    for (const TAttachDataHeader& h : stored)
        if (IndexOfID(h.ID) < 0)
            DbFileMgr.DeleteAttachment(h.ID);
    for (auto& item : FItems) {
        if (item->ID != 0)
            DbFileMgr.RenameAttachment(item->ID, item->Name);
        else
            StoreNew(*item, OwnerID);
    }
}
