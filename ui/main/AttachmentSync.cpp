#include "ui/main/AttachmentSync.h"

#include "boxdata/DbFileMgr.h"
#include "ui/dialogs/AttachList.h"

void StoreNewAttachments(int32_t OwnerID, TAttachList& List)
{
    for (int i = 0; i < List.GetCount(); ++i) {
        TAttachData* item = List.GetItemPtr(i);
        item->OwnerID = OwnerID;
        DbFileMgr.AddAttachment(*item, item->ID);
    }
}

void StoreAttachmentChanges(int32_t OwnerID, const TAttachList& Edited)
{
    TAttachDataHeaderAry stored;
    DbFileMgr.GetAttachmentList(stored, OwnerID);
    for (const TAttachDataHeader& header : stored)
        if (Edited.IndexOfID(header.ID) < 0)
            DbFileMgr.DeleteAttachment(header.ID);
    for (int i = 0; i < Edited.GetCount(); ++i) {
        const TAttachData& item = *Edited.GetItemPtr(i);
        if (item.ID != 0) {
            DbFileMgr.RenameAttachment(item.ID, item.Name);
        } else {
            // The owner is the entry being edited, whatever the editor left in the record.
            TAttachData added = item;
            added.OwnerID = OwnerID;
            int32_t id = 0;
            DbFileMgr.AddAttachment(added, id);
        }
    }
}
