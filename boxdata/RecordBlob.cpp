#include "boxdata/RecordBlob.h"

#include "boxdata/RecordLayouts.h"
#include "dataproc/AnsiText.h"
#include "storage/Nork.h"

namespace {

[[noreturn]] void RaiseUnfinished(const TNorkTable& Table, int32_t ID)
{
    std::string who = Table.TableName() + " record " + std::to_string(ID);
    std::string what = "its blob was";
    for (const TBoxRecordLayout& layout : BoxRecordLayouts()) {
        if (Table.TableName() != layout.Table)
            continue;
        what = layout.BlobWas;
        if (layout.Kind != ztNone)
            who = std::string(KindName(layout.Kind)) + ":" + std::to_string(ID);
        else if (&layout == &AttachLayout())
            who = "attachment " + std::to_string(ID);
    }
    throw ENorkFileCorrupt(who + " is unfinished: " + what +
                           " never stored, as the change that added it was interrupted; a repair of the box removes it");
}

} // namespace

void ReadRecordBlob(TNorkTable& Table, int32_t ID, TMemoryStream& Content)
{
    if (Table.ReadBlob(ID, 0, Content) == 0 && Table.Database()->Compressed())
        RaiseUnfinished(Table, ID);
}

void ReadRecordBlob(TNorkTable& Table, int32_t ID, std::string& Text)
{
    TMemoryStream content;
    ReadRecordBlob(Table, ID, content);
    Text = AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(content.Memory()),
                                       static_cast<std::size_t>(content.Size())));
}
