// Search over every entry of the box. Fields are tested as stored (code page 936, cut at their
// limits); passwords are never searched. The comments blob is read only when no field matched.
#include "boxdata/DbFileMgr.h"

#include "boxdata/RecordBlob.h"
#include "boxdata/RecordBuffer.h"
#include "boxdata/StoredRecords.h"
#include "boxdata/TextMatcher.h"
#include "dataproc/UpdateBracket.h"
#include "storage/Nork.h"

#include <string_view>
#include <vector>

namespace {

struct TSearchKind {
    TZembraType Type;
    int DeletedOffset;
    TStoredText CaptionField;                   // what the result list shows
    std::vector<TStoredText> Fields; // the fields searched besides the comments
};

void SearchTable(TNorkTable& Table, const TSearchKind& Kind, const TTextMatcher& Matcher,
                 TSearchResultItems& ResultItems)
{
    TUpdateBracket bracket(Table);
    TRecordBuffer rec;
    TMemoryStream comments;
    const int count = Table.RecordCount();
    for (int pos = 0; pos < count; ++pos) {
        int32_t id = 0;
        if (!Table.ReadRecord(pos, id, rec.Data()) || rec.Data()[Kind.DeletedOffset] != 0)
            continue;
        bool found = false;
        for (const TStoredText& field : Kind.Fields)
            if (Matcher.FoundInAnsi(GetAnsi(rec.Data(), field))) {
                found = true;
                break;
            }
        if (!found) {
            ReadRecordBlob(Table, id, comments);
            found = Matcher.FoundInAnsi(
                std::string_view(reinterpret_cast<const char*>(comments.Memory()), static_cast<std::size_t>(comments.Size())));
        }
        if (found)
            ResultItems.push_back(TSearchResultItem{Kind.Type, id, GetText(rec.Data(), Kind.CaptionField)});
    }
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
