// Search over every entry of the box. Fields are tested as stored (code page 936, cut at their
// limits); passwords are never searched. The comments blob is read only when no field matched.
// Also the same texts read ahead for searches answered from memory.
#include "boxdata/DbFileMgr.h"

#include "boxdata/RecordBlob.h"
#include "boxdata/SearchText.h"
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
    TNorkTable* Table;
    int DeletedOffset;
    TStoredText CaptionField;        // what the result list shows
    std::vector<TStoredText> Fields; // the fields searched besides the comments
};

// The one statement of what is searched: per kind, its table and its fields (never a password).
std::vector<TSearchKind> SearchKinds(TNorkTable& NetItems, TNorkTable& BankItems, TNorkTable& CommItems)
{
    using namespace NetItemRec;
    return {
        {ztNetItem, &NetItems, kDeleted, kCaption, {kCaption, kUserName, kHyperlink, kEmail}},
        {ztBankItem, &BankItems, BankItemRec::kDeleted, BankItemRec::kBankName,
         {BankItemRec::kBankName, BankItemRec::kAccType, BankItemRec::kAccount, BankItemRec::kUserName}},
        {ztCommItem, &CommItems, CommItemRec::kDeleted, CommItemRec::kCaption, {CommItemRec::kCaption}},
    };
}

std::string_view AsText(const TMemoryStream& Stream)
{
    return {reinterpret_cast<const char*>(Stream.Memory()), static_cast<std::size_t>(Stream.Size())};
}

// Records are decoded and tested on every core; the answers come back in record order.
void SearchTable(const TSearchKind& Kind, const TTextMatcher& Matcher, TSearchResultItems& ResultItems)
{
    TUpdateBracket bracket(*Kind.Table);
    ScanTable<TSearchResultItem>(
        *Kind.Table, 0,
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
                ReadRecordBlob(*Kind.Table, Record, Codec, comments);
                found = Matcher.FoundInAnsi(AsText(comments));
            }
            if (!found)
                return std::nullopt;
            return TSearchResultItem{Kind.Type, Record.ID(), GetText(rec, Kind.CaptionField)};
        },
        [&](TSearchResultItem&& Item) { ResultItems.push_back(std::move(Item)); });
}

// The searched texts of the live records of Scan, in its order, decoded on every core.
void ReadSearchTexts(const TSearchKind& Kind, TNorkRecordScan& Scan, TSearchTexts& Texts)
{
    TUpdateBracket bracket(*Kind.Table);
    ScanRecords<TSearchText>(
        Scan,
        [&](TScannedRecord& Record, TNorkCodec& Codec) -> std::optional<TSearchText> {
            if (!Record.Live())
                return std::nullopt;
            const uint8_t* rec = Record.Data(Codec);
            if (rec[Kind.DeletedOffset] != 0)
                return std::nullopt;
            TSearchText text(TSearchResultItem{Kind.Type, Record.ID(), GetText(rec, Kind.CaptionField)});
            for (const TStoredText& field : Kind.Fields)
                text.AddField(GetAnsi(rec, field));
            TMemoryStream comments;
            ReadRecordBlob(*Kind.Table, Record, Codec, comments);
            text.AddField(AsText(comments));
            return text;
        },
        [&](TSearchText&& Text) { Texts.push_back(std::move(Text)); });
}

} // namespace

void TDbFileMgr::Search(const std::string& SearchText, TSearchResultItems& ResultItems)
{
    const TTextMatcher matcher(SearchText);
    if (matcher.Empty())
        return;
    for (const TSearchKind& kind : SearchKinds(*FNetItemTable, *FBankItemTable, *FCommItemTable))
        SearchTable(kind, matcher, ResultItems);
}

void TDbFileMgr::GetSearchTexts(TSearchTexts& Texts)
{
    for (const TSearchKind& kind : SearchKinds(*FNetItemTable, *FBankItemTable, *FCommItemTable)) {
        TNorkRecordScan scan(*kind.Table, 0);
        ReadSearchTexts(kind, scan, Texts);
    }
}

void TDbFileMgr::GetSearchTexts(TZembraType Kind, const TIntegerAry& IDs, TSearchTexts& Texts)
{
    for (const TSearchKind& kind : SearchKinds(*FNetItemTable, *FBankItemTable, *FCommItemTable))
        if (kind.Type == Kind) {
            TNorkRecordScan scan(*kind.Table, 0, IDs);
            ReadSearchTexts(kind, scan, Texts);
        }
}
