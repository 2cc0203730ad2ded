// How the attachments a general-entry editor hands back reach the password box.
#pragma once

#include <cstdint>

class TAttachList;

// A new entry's attachments: each gets OwnerID as owner and is stored, in list order; the list
// learns their new ids. Raises what storing raises.
void StoreNewAttachments(int32_t OwnerID, TAttachList& List);

// An edited entry's attachments brought in line with Edited: every stored attachment of OwnerID
// that Edited no longer holds is deleted; every listed one with an id gets its listed name (also
// when unchanged); every listed one without an id is stored as OwnerID's. Raises what the box
// raises.
void StoreAttachmentChanges(int32_t OwnerID, const TAttachList& Edited);
