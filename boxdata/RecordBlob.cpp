#include "boxdata/RecordBlob.h"

#include "boxdata/RecordLayouts.h"
#include "dataproc/AnsiText.h"
#include "storage/Nork.h"
#include "storage/NorkRecordScan.h"

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

void ReadRecordBlob(const TNorkTable& Table, TScannedRecord& Record, TNorkCodec& Codec, TMemoryStream& Content)
{
    if (Record.ReadBlob(Codec, Content) == 0 && Table.Database()->Compressed())
        RaiseUnfinished(Table, Record.ID());
}

namespace {

std::string ContentText(const TMemoryStream& Content)
{
    return AnsiToUtf8(
        std::string_view(reinterpret_cast<const char*>(Content.Memory()), static_cast<std::size_t>(Content.Size())));
}

} // namespace

void ReadRecordBlob(TNorkTable& Table, int32_t ID, std::string& Text)
{
    TMemoryStream content;
    ReadRecordBlob(Table, ID, content);
    Text = ContentText(content);
}

void ReadRecordBlob(const TNorkTable& Table, TScannedRecord& Record, TNorkCodec& Codec, std::string& Text)
{
    TMemoryStream content;
    ReadRecordBlob(Table, Record, Codec, content);
    Text = ContentText(content);
}
