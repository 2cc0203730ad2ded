#include "ui/main/ItemList.h"

#include "dataproc/Exception.h"
#include "ui/components/SecretEdit.h"

#include <algorithm>
#include <numeric>

namespace {

int Sign(int Value)
{
    return Value < 0 ? -1 : (Value > 0 ? 1 : 0);
}

QChar AsciiUpper(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ? QChar(c.unicode() - 'a' + 'A') : c;
}

QString Q(const std::string& Utf8)
{
    return QString::fromStdString(Utf8);
}

// Keys from texts: the primary and, when the column has one, the secondary key.
TSortKey TextKey(const std::string& Primary, const std::string& Secondary = std::string())
{
    return TSortKey{0, Q(Primary), 0, Q(Secondary)};
}

TSortKey DefaultKey(int32_t SortCode, int32_t ID)
{
    return TSortKey{SortCode, QString(), ID, QString()};
}

// Sort keys may hold passwords; they are overwritten before they go.
void WipeKey(TSortKey& Key)
{
    WipeQString(Key.Text1);
    WipeQString(Key.Text2);
}

// The positions of the exchange sort's result, by ranks: two records compare as their ranks do,
// so the procedure runs on integers instead of on the records' texts. Ranks[k] is the rank of
// the record at position k; answers, for each position, the position it takes its record from.
std::vector<int> ExchangeSortOrder(std::vector<int> Ranks)
{
    const int n = static_cast<int>(Ranks.size());
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    for (int i = 0; i < n - 1; ++i) {
        int ri = Ranks[i];
        for (int j = i + 1; j < n; ++j) {
            if (ri > Ranks[j]) {
                std::swap(Ranks[i], Ranks[j]);
                std::swap(order[i], order[j]);
                ri = Ranks[i];
            }
        }
    }
    return order;
}

} // namespace

int CompareSortKeys(const TSortKey& A, const TSortKey& B)
{
    if (A.Number1 != B.Number1)
        return A.Number1 < B.Number1 ? -1 : 1;
    if (int c = Sign(QString::compare(A.Text1, B.Text1, Qt::CaseSensitive)))
        return c;
    if (A.Number2 != B.Number2)
        return A.Number2 < B.Number2 ? -1 : 1;
    return Sign(QString::compare(A.Text2, B.Text2, Qt::CaseSensitive));
}

bool StartsWithIgnoringAsciiCase(const QString& Text, const QString& Prefix)
{
    if (Prefix.isEmpty() || Text.size() < Prefix.size())
        return false;
    for (qsizetype k = 0; k < Prefix.size(); ++k)
        if (AsciiUpper(Text[k]) != AsciiUpper(Prefix[k]))
            return false;
    return true;
}

void TItemList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw Exception("Out of bounds");
}

void TItemList::Delete(int Index)
{
    CheckIndex(Index);
    DoDelete(Index);
}

void TItemList::SortBySortCode()
{
    Sort(smInc, -1);
}

void TItemList::Sort(TSortMode SortMode, int ColIndex)
{
    const int n = Count();
    if (n < 2)
        return;
    std::vector<TSortKey> keys;
    keys.reserve(n);
    for (int i = 0; i < n; ++i)
        keys.push_back(GetSortKey(ColIndex, i));

    // Rank the records: equal keys share a rank, and ranks ascend with the keys.
    std::vector<int> byKey(n);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::stable_sort(byKey.begin(), byKey.end(),
                     [&keys](int a, int b) { return CompareSortKeys(keys[a], keys[b]) < 0; });
    std::vector<int> ranks(n);
    int rank = 0;
    for (int k = 0; k < n; ++k) {
        if (k > 0 && CompareSortKeys(keys[byKey[k - 1]], keys[byKey[k]]) != 0)
            ++rank;
        ranks[byKey[k]] = SortMode == smDesc ? -rank : rank;
    }
    for (TSortKey& key : keys)
        WipeKey(key);
    if (rank == 0)
        return; // all equal: the exchange sort exchanges nothing

    // Without ties any correct sort gives the exchange sort's result; with ties only the
    // procedure itself says where equal records end up.
    std::vector<int> order;
    if (rank == n - 1) {
        order = std::move(byKey);
        if (SortMode == smDesc)
            std::reverse(order.begin(), order.end());
    } else {
        order = ExchangeSortOrder(std::move(ranks));
    }
    DoPermute(order);
}

void TItemList::Move(int CurIndex, int NewIndex)
{
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    if (CurIndex != NewIndex)
        DoMove(CurIndex, NewIndex);
}

int TItemList::IndexOfID(int32_t ID) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetID(i) == ID)
            return i;
    return -1;
}

int TItemList::IndexOfCaption(const QString& Caption) const
{
    if (Caption.isEmpty())
        return -1;
    for (int i = 0; i < Count(); ++i)
        if (StartsWithIgnoringAsciiCase(GetCaption(i), Caption))
            return i;
    return -1;
}

int TItemList::CompareItems(TSortMode SortMode, int ColIndex, int Index1, int Index2) const
{
    TSortKey a = GetSortKey(ColIndex, Index1);
    TSortKey b = GetSortKey(ColIndex, Index2);
    const int result = CompareSortKeys(a, b);
    WipeKey(a);
    WipeKey(b);
    return SortMode == smDesc ? -result : result;
}

QString TNetItemList::GetCaption(int Index) const
{
    return Q(Items(Index).Caption);
}

TSortKey TNetItemList::GetSortKey(int ColIndex, int Index) const
{
    const TZmbNetItem& item = Items(Index);
    switch (ColIndex) {
    case -1: return DefaultKey(item.SortCode, item.ID);
    case 0: return TextKey(item.Caption, item.UserName);
    case 1: return TextKey(item.UserName, item.Password);
    case 2: return TextKey(item.Password, item.UserName);
    default: return TSortKey();
    }
}

int TNetItemList::IndexOfEmail(const QString& Email) const
{
    if (Email.isEmpty())
        return -1;
    for (int i = 0; i < Count(); ++i)
        if (StartsWithIgnoringAsciiCase(Q(Items(i).Email), Email))
            return i;
    return -1;
}

QString TBankItemList::GetCaption(int Index) const
{
    return Q(Items(Index).BankName);
}

TSortKey TBankItemList::GetSortKey(int ColIndex, int Index) const
{
    const TZmbBankItem& item = Items(Index);
    switch (ColIndex) {
    case -1: return DefaultKey(item.SortCode, item.ID);
    case 0: return TextKey(item.BankName, item.Account);
    case 1: return TextKey(item.AccType, item.Account);
    case 2: return TextKey(item.Account, item.Password);
    case 3: return TextKey(item.Password, item.Account);
    default: return TSortKey();
    }
}

QString TCommItemList::GetCaption(int Index) const
{
    return Q(Items(Index).Caption);
}

TSortKey TCommItemList::GetSortKey(int ColIndex, int Index) const
{
    const TZmbCommItem& item = Items(Index);
    switch (ColIndex) {
    case -1: return DefaultKey(item.SortCode, item.ID);
    case 0: return TextKey(item.Caption);
    case 1: return TextKey(item.Comments);
    default: return TSortKey();
    }
}

std::unique_ptr<TItemList> NewItemList(TZembraType Kind)
{
    switch (Kind) {
    case ztNetItem: return std::make_unique<TNetItemList>();
    case ztBankItem: return std::make_unique<TBankItemList>();
    case ztCommItem: return std::make_unique<TCommItemList>();
    default: return nullptr;
    }
}
