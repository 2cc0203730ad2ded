// An ordered map from a 32-bit key to a pointer-sized value, held as two parallel arrays sorted
// by key. A table keeps one from record id to slot; an id's position is its record index.
// Lookups are binary searches; insertion and removal move the later pairs. Nothing here raises
// but memory exhaustion. One thread per map.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

using TMapValue = std::intptr_t;

class TMap {
public:
    int Count() const { return static_cast<int>(FKeyList.size()); }

    // Inserts at the sorted position; false, and no change, when the key exists.
    bool Add(int32_t Key, TMapValue Value);
    // The value, or 0 when the key is absent.
    TMapValue Get(int32_t Key) const;
    // Replaces the value of an existing key; nothing when absent.
    void Put(int32_t Key, TMapValue Value);
    bool Find(int32_t Key, TMapValue& Value) const;
    // Removes the pair and answers its value; 0 when absent.
    TMapValue Delete(int32_t Key);
    TMapValue DeleteByIndex(int Index);
    int IndexOfKey(int32_t Key) const;
    bool KeyExists(int32_t Key) const { return IndexOfKey(Key) >= 0; }
    // Smallest and largest key; 0 when empty.
    int32_t FirstKey() const { return FKeyList.empty() ? 0 : FKeyList.front(); }
    int32_t LastKey() const { return FKeyList.empty() ? 0 : FKeyList.back(); }
    bool GetItem(int Index, int32_t& Key, TMapValue& Value) const;
    // Key and value at a position the caller knows to be inside 0..Count-1.
    int32_t KeyAt(int Index) const { return FKeyList[static_cast<std::size_t>(Index)]; }
    TMapValue ValueAt(int Index) const { return FValueList[static_cast<std::size_t>(Index)]; }
    void Clear();

    // Replaces the content with Pairs in one go (O(n log n), O(n) when already sorted); of
    // pairs with equal keys the first one given stays.
    void Assign(std::vector<std::pair<int32_t, TMapValue>>& Pairs);
    void Reserve(int Capacity);

private:
    // Position of Key, or -(insertion position) - 1 when absent.
    int Search(int32_t Key) const;

    std::vector<int32_t> FKeyList;
    std::vector<TMapValue> FValueList;
};
