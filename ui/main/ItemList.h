// The records of the entries the main window lists, in display order. The window loads one list
// when a folder is selected and frees it at the next; the list view draws its rows from it.
//
// Orders: the default order (sort code, then id) and one per list column, each made of a primary
// and a secondary key. Texts compare ordinally by their UTF-16 code units (a capital B before a
// small a, Latin before Chinese), independent of the locale. A sort gives exactly the order of
// the exchange sort below, ties included:
//
//   for i in 0 .. n-2: for j in i+1 .. n-1: if CompareItems(i, j) == 1: exchange i and j
//
// Index errors raise Exception("Out of bounds").
#pragma once

#include "boxdata/ZembraTypes.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

enum TSortMode { smInc = 0, smDesc = 1 };

// What one row is ordered by for one column: Number1, Text1, Number2, Text2 in this order (the
// default order fills the numbers, a column its texts; an unused part is equal everywhere).
struct TSortKey {
    int64_t Number1 = 0;
    QString Text1;
    int64_t Number2 = 0;
    QString Text2;
};

// −1, 0 or 1.
int CompareSortKeys(const TSortKey& A, const TSortKey& B);

// Whether Text begins with Prefix, ASCII letters compared without case (an empty Prefix never).
bool StartsWithIgnoringAsciiCase(const QString& Text, const QString& Prefix);

class TItemList {
public:
    virtual ~TItemList() = default;

    virtual int Count() const = 0;
    // Raises "Out of bounds" when Index is below 0 or not below Count.
    void CheckIndex(int Index) const;
    // Raises "Out of bounds".
    void Delete(int Index);
    virtual void Clear() = 0;

    // Sort(smInc, -1).
    void SortBySortCode();
    // ColIndex −1 is the default order, 0 and up the list view's columns; a column the list
    // does not have compares equal everywhere and leaves the order alone.
    void Sort(TSortMode SortMode, int ColIndex);
    // Takes the record out at CurIndex and inserts it at NewIndex. Raises "Out of bounds".
    void Move(int CurIndex, int NewIndex);

    // First index with that id, or −1.
    int IndexOfID(int32_t ID) const;
    // First index whose caption begins with Caption, ASCII letters compared without case; −1
    // for an empty Caption or no match.
    int IndexOfCaption(const QString& Caption) const;

    // −1, 0 or 1 for the records at Index1 and Index2 by ColIndex's keys, negated for smDesc.
    int CompareItems(TSortMode SortMode, int ColIndex, int Index1, int Index2) const;
    virtual int32_t GetID(int Index) const = 0;
    virtual QString GetCaption(int Index) const = 0;
    // Raises "Out of bounds".
    virtual void SetSortCode(int Index, int32_t SortCode) = 0;
    // The keys of the record at Index for ColIndex.
    virtual TSortKey GetSortKey(int ColIndex, int Index) const = 0;

protected:
    virtual void DoDelete(int Index) = 0;
    virtual void DoMove(int CurIndex, int NewIndex) = 0;
    // The record at position k becomes the one at Order[k] before.
    virtual void DoPermute(const std::vector<int>& Order) = 0;
};

// Heap copies of records of one kind; the list owns them, and records holding passwords wipe
// them when they go.
template <class TItem>
class TItemListOf : public TItemList {
public:
    int Count() const override { return static_cast<int>(FItems.size()); }
    void Clear() override { FItems.clear(); }

    // Appends a copy of Item.
    void Add(const TItem& Item) { FItems.push_back(std::make_unique<TItem>(Item)); }
    // A copy of the record at Index. Raises "Out of bounds".
    TItem GetItems(int Index) const { return Items(Index); }
    // Overwrites the record at Index with a copy of Value. Raises "Out of bounds".
    void SetItems(int Index, const TItem& Value)
    {
        CheckIndex(Index);
        *FItems[Index] = Value;
    }
    // The record itself, for drawing rows without a copy. Raises "Out of bounds".
    const TItem& Items(int Index) const
    {
        CheckIndex(Index);
        return *FItems[Index];
    }

    int32_t GetID(int Index) const override { return Items(Index).ID; }
    void SetSortCode(int Index, int32_t SortCode) override
    {
        CheckIndex(Index);
        FItems[Index]->SortCode = SortCode;
    }

protected:
    void DoDelete(int Index) override { FItems.erase(FItems.begin() + Index); }
    void DoMove(int CurIndex, int NewIndex) override
    {
        auto item = std::move(FItems[CurIndex]);
        FItems.erase(FItems.begin() + CurIndex);
        FItems.insert(FItems.begin() + NewIndex, std::move(item));
    }
    void DoPermute(const std::vector<int>& Order) override
    {
        std::vector<std::unique_ptr<TItem>> sorted;
        sorted.reserve(FItems.size());
        for (int from : Order)
            sorted.push_back(std::move(FItems[from]));
        FItems = std::move(sorted);
    }

    std::vector<std::unique_ptr<TItem>> FItems;
};

// Web entries: columns title (by user name), user name (by password), password (by user name).
class TNetItemList : public TItemListOf<TZmbNetItem> {
public:
    QString GetCaption(int Index) const override;
    TSortKey GetSortKey(int ColIndex, int Index) const override;
    // Like IndexOfCaption, on the e-mail address.
    int IndexOfEmail(const QString& Email) const;
};

// Bank entries: columns bank, account type, account number (all by account number, the number
// by password) and password (by account number).
class TBankItemList : public TItemListOf<TZmbBankItem> {
public:
    QString GetCaption(int Index) const override;
    TSortKey GetSortKey(int ColIndex, int Index) const override;
};

// General entries: columns title and body (the whole body, not the shortened text shown).
class TCommItemList : public TItemListOf<TZmbCommItem> {
public:
    QString GetCaption(int Index) const override;
    TSortKey GetSortKey(int ColIndex, int Index) const override;
};

// A new, empty list of the class for Kind (null for ztNone).
std::unique_ptr<TItemList> NewItemList(TZembraType Kind);
