#include "storage/NorkMap.h"

#include <algorithm>

int TMap::Search(int32_t Key) const
{
    int lo = 0;
    int hi = Count() - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int32_t k = FKeyList[static_cast<std::size_t>(mid)];
        if (k < Key)
            lo = mid + 1;
        else if (k > Key)
            hi = mid - 1;
        else
            return mid;
    }
    return -lo - 1;
}

bool TMap::Add(int32_t Key, TMapValue Value)
{
    // Ascending keys are the common case (new ids are the largest + 1): append without a search.
    if (FKeyList.empty() || Key > FKeyList.back()) {
        FKeyList.push_back(Key);
        FValueList.push_back(Value);
        return true;
    }
    const int at = Search(Key);
    if (at >= 0)
        return false;
    const auto pos = static_cast<std::ptrdiff_t>(-at - 1);
    FKeyList.insert(FKeyList.begin() + pos, Key);
    FValueList.insert(FValueList.begin() + pos, Value);
    return true;
}

TMapValue TMap::Get(int32_t Key) const
{
    const int at = Search(Key);
    return at >= 0 ? FValueList[static_cast<std::size_t>(at)] : 0;
}

void TMap::Put(int32_t Key, TMapValue Value)
{
    const int at = Search(Key);
    if (at >= 0)
        FValueList[static_cast<std::size_t>(at)] = Value;
}

bool TMap::Find(int32_t Key, TMapValue& Value) const
{
    const int at = Search(Key);
    if (at < 0)
        return false;
    Value = FValueList[static_cast<std::size_t>(at)];
    return true;
}

TMapValue TMap::Delete(int32_t Key)
{
    return DeleteByIndex(Search(Key));
}

TMapValue TMap::DeleteByIndex(int Index)
{
    if (Index < 0 || Index >= Count())
        return 0;
    const TMapValue value = FValueList[static_cast<std::size_t>(Index)];
    FKeyList.erase(FKeyList.begin() + Index);
    FValueList.erase(FValueList.begin() + Index);
    return value;
}

int TMap::IndexOfKey(int32_t Key) const
{
    const int at = Search(Key);
    return at >= 0 ? at : -1;
}

bool TMap::GetItem(int Index, int32_t& Key, TMapValue& Value) const
{
    if (Index < 0 || Index >= Count())
        return false;
    Key = FKeyList[static_cast<std::size_t>(Index)];
    Value = FValueList[static_cast<std::size_t>(Index)];
    return true;
}

void TMap::Clear()
{
    FKeyList.clear();
    FValueList.clear();
}

void TMap::Reserve(int Capacity)
{
    FKeyList.reserve(static_cast<std::size_t>(Capacity));
    FValueList.reserve(static_cast<std::size_t>(Capacity));
}

void TMap::Assign(std::vector<std::pair<int32_t, TMapValue>>& Pairs)
{
    const auto byKey = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (!std::is_sorted(Pairs.begin(), Pairs.end(), byKey))
        std::stable_sort(Pairs.begin(), Pairs.end(), byKey);
    Clear();
    Reserve(static_cast<int>(Pairs.size()));
    for (const auto& [key, value] : Pairs) {
        if (!FKeyList.empty() && FKeyList.back() == key)
            continue;
        FKeyList.push_back(key);
        FValueList.push_back(value);
    }
}
