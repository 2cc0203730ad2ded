// The attachments of one general entry while its editor runs: independent copies of the files
// with their content, in the order shown. An attachment added in the editor has id 0 until it is
// stored. Content is overwritten with zeros whenever an attachment leaves the list.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <memory>
#include <vector>

class TAttachList {
public:
    TAttachList() = default;
    ~TAttachList();
    TAttachList(const TAttachList&) = delete;
    TAttachList& operator=(const TAttachList&) = delete;

    // Appends a copy of Item.
    void Add(const TAttachData& Item);
    // Wipes and removes the attachment at Index. Raises "Out of bounds".
    void Delete(int Index);
    // Wipes and removes every attachment.
    void Clear();
    // Index of the first attachment with ID, or −1.
    int IndexOfID(int32_t ID) const;
    // Clear, then every stored attachment of OwnerID with its content, in the order of adding.
    // Raises what reading the box raises.
    void LoadFromDb(int32_t OwnerID);
    int GetCount() const { return static_cast<int>(FItems.size()); }
    // The attachment itself, so that edits change the list. Raises "Out of bounds".
    TAttachData* GetItemPtr(int Index);
    const TAttachData* GetItemPtr(int Index) const;

private:
    void CheckIndex(int Index) const;

    std::vector<std::unique_ptr<TAttachData>> FItems;
};
