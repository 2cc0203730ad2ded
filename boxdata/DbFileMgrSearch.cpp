// Search over every entry of the box. Fields are tested as stored (code page 936, cut at their
// limits); passwords are never searched. The comments blob is read only when no field matched.
#include "boxdata/DbFileMgr.h"

#include "boxdata/RecordBlob.h"
#include "boxdata/StoredRecords.h"
#include "boxdata/TextMatcher.h"
#include "dataproc/UpdateBracket.h"
#include "storage/Nork.h"
#include "storage/NorkRecordScan.h"

#include <string_view>
#include <vector>

namespace {

struct TSearchKind {
    TZembraType Type;
    int DeletedOffset;
    TStoredText CaptionField;                   // what the result list shows
    std::vector<TStoredText> Fields; // the fields searched besides the comments
};

// Records are decoded and tested on every core; the answers come back in record order.
void SearchTable(TNorkTable& Table, const TSearchKind& Kind, const TTextMatcher& Matcher,
                 TSearchResultItems& ResultItems)
{
    TUpdateBracket bracket(Table);
    ScanTable<TSearchResultItem>(
        Table, 0,
        [&](TScannedRecord& Record, TNorkCodec& Codec) -> std::optional<TSearchResultItem> {
            const uint8_t* rec = Record.Data(Codec);
            if (rec[Kind.DeletedOffset] != 0)
                return std::nullopt;
            bool found = false;
            for (const TStoredText& field : Kind.Fields)
                if (Matcher.FoundInAnsi(GetAnsi(rec, field))) {
                    found = true;
                    break;
                }
            if (!found) {
                TMemoryStream comments;
                ReadRecordBlob(Table, Record, Codec, comments);
                found = Matcher.FoundInAnsi(std::string_view(reinterpret_cast<const char*>(comments.Memory()),
                                                             static_cast<std::size_t>(comments.Size())));
            }
            if (!found)
                return std::nullopt;
            return TSearchResultItem{Kind.Type, Record.ID(), GetText(rec, Kind.CaptionField)};
        },
        [&](TSearchResultItem&& Item) { ResultItems.push_back(std::move(Item)); });
}

} // namespace

void TDbFileMgr::Search(const std::string& SearchText, TSearchResultItems& ResultItems)
{
    const TTextMatcher matcher(SearchText);
    if (matcher.Empty())
        return;
    using namespace NetItemRec;
    SearchTable(*FNetItemTable,
                {ztNetItem, kDeleted, kCaption, {kCaption, kUserName, kHyperlink, kEmail}}, matcher, ResultItems);
    SearchTable(*FBankItemTable,
                {ztBankItem, BankItemRec::kDeleted, BankItemRec::kBankName,
                 {BankItemRec::kBankName, BankItemRec::kAccType, BankItemRec::kAccount, BankItemRec::kUserName}},
                matcher, ResultItems);
    SearchTable(*FCommItemTable, {ztCommItem, CommItemRec::kDeleted, CommItemRec::kCaption, {CommItemRec::kCaption}},
                matcher, ResultItems);
}
