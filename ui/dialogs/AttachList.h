// The attachments of one general entry while it is edited: independent copies of the stored
// files, changed in memory only. The editor renames, deletes and adds; the caller then stores the
// whole list for a new entry (AddToDb) or brings the stored attachments in line with it
// (ApplyToDb). File content is overwritten with zeros whenever an entry leaves the list.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <memory>
#include <vector>

class TAttachList {
public:
    TAttachList() = default;
    // Clear.
    ~TAttachList();
    TAttachList(const TAttachList&) = delete;
    TAttachList& operator=(const TAttachList&) = delete;

    // Appends a copy of Item.
    void Add(const TAttachData& Item);
    // Wipes and removes the entry at Index; raises std::out_of_range for an index not in the list.
    void Delete(int Index);
    // Wipes and removes every entry.
    void Clear();
    // The index of the first entry with ID, or -1.
    int IndexOfID(int32_t ID) const;
    int GetCount() const { return static_cast<int>(FItems.size()); }
    // The stored entry itself, so that edits change the list; raises std::out_of_range.
    TAttachData* GetItemPtr(int Index);

    // Clear, then a copy of every stored attachment of OwnerID with its content, in stored order.
    // Raises what the password box raises.
    void LoadFromDb(int32_t OwnerID);
    // Stores every entry as a new attachment of OwnerID, in list order; each entry takes OwnerID
    // and its new id. One change of the box: on an error none is stored (the entries' ids may
    // then be stale). Raises what the password box raises.
    void AddToDb(int32_t OwnerID);
    // After an edit: deletes each stored attachment of OwnerID whose id is no longer listed,
    // gives every listed stored one its listed name, and stores the new ones (id 0) as in
    // AddToDb. One change of the box, taken back whole on an error. Raises what the password box
    // raises.
    void ApplyToDb(int32_t OwnerID);

private:
    // Overwrites the entry's file content with zeros.
    static void WipeItemData(TAttachData& Item);
    void CheckIndex(int Index) const;
    void StoreNew(TAttachData& Item, int32_t OwnerID);

    std::vector<std::unique_ptr<TAttachData>> FItems;
};
