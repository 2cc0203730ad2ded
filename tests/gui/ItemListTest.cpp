// The entry lists: the orders and their exact tie order, finding rows, moving and deleting them.
#include "dataproc/Exception.h"
#include "ui/main/ItemList.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TZmbNetItem Web(int32_t ID, const std::string& Caption, const std::string& User = "", const std::string& Password = "",
                int32_t SortCode = 0)
{
    TZmbNetItem item;
    item.ID = ID;
    item.Caption = Caption;
    item.UserName = User;
    item.Password = Password;
    item.SortCode = SortCode;
    return item;
}

std::vector<int32_t> Ids(const TItemList& List)
{
    std::vector<int32_t> ids;
    for (int i = 0; i < List.Count(); ++i)
        ids.push_back(List.GetID(i));
    return ids;
}

// The exchange sort exactly as written: compare i with every j after it, exchange on 1.
void ReferenceSort(TItemList& List, TSortMode Mode, int Column)
{
    for (int i = 0; i + 1 < List.Count(); ++i)
        for (int j = i + 1; j < List.Count(); ++j)
            if (List.CompareItems(Mode, Column, i, j) == 1) {
                List.Move(j, i);     // record j to i, i .. j-1 one down
                List.Move(i + 1, j); // the former record i to j
            }
}

TEST(ItemListTest, DefaultOrderIsSortCodeThenId)
{
    TNetItemList list;
    list.Add(Web(7, "x", "", "", 10));
    list.Add(Web(3, "y", "", "", 10));
    list.Add(Web(5, "z", "", "", 20));
    list.SortBySortCode();
    EXPECT_EQ(Ids(list), (std::vector<int32_t>{3, 7, 5}));
}

TEST(ItemListTest, TextsCompareByUtf16CodeUnits)
{
    // Capital before small, Latin before Chinese, and a character beyond U+FFFF (stored as a
    // surrogate pair, U+D83D…) before U+FF5A, which code-point order would put the other way.
    TNetItemList list;
    list.Add(Web(1, "中"));
    list.Add(Web(2, "a"));
    list.Add(Web(3, "ｚ"));
    list.Add(Web(4, "B"));
    list.Add(Web(5, "\xF0\x9F\x98\x80"));
    list.Sort(smInc, 0);
    EXPECT_EQ(Ids(list), (std::vector<int32_t>{4, 2, 1, 5, 3}));
}

TEST(ItemListTest, ColumnKeysAndDirections)
{
    TNetItemList web;
    web.Add(Web(1, "t", "bob", "2"));
    web.Add(Web(2, "t", "amy", "9"));
    web.Add(Web(3, "t", "bob", "1"));
    web.Sort(smInc, 1); // user name, then password
    EXPECT_EQ(Ids(web), (std::vector<int32_t>{2, 3, 1}));
    web.Sort(smDesc, 1); // both keys reversed
    EXPECT_EQ(Ids(web), (std::vector<int32_t>{1, 3, 2}));

    TBankItemList bank;
    for (const auto& [id, type] : std::vector<std::pair<int32_t, std::string>>{{1, "信用卡"}, {2, "存折"}, {3, "借记卡"}}) {
        TZmbBankItem item;
        item.ID = id;
        item.BankName = "同一银行";
        item.AccType = type;
        bank.Add(item);
    }
    bank.Sort(smInc, 1); // the account type shown in that column
    EXPECT_EQ(Ids(bank), (std::vector<int32_t>{1, 3, 2})) << "信 U+4FE1, 借 U+501F, 存 U+5B58";

    TCommItemList notes;
    for (int32_t id : {1, 2}) {
        TZmbCommItem item;
        item.ID = id;
        item.Caption = "n";
        // The same first 100 characters: only the whole body tells them apart.
        item.Comments = std::string(100, 'x') + (id == 1 ? "b" : "a");
        notes.Add(item);
    }
    notes.Sort(smInc, 1);
    EXPECT_EQ(Ids(notes), (std::vector<int32_t>{2, 1}));

    web.Sort(smInc, 7); // no such column: all equal, nothing moves
    EXPECT_EQ(Ids(web), (std::vector<int32_t>{1, 3, 2}));
}

// Lists full of ties, sorted by every column both ways, come out exactly as the exchange sort
// leaves them.
TEST(ItemListTest, SortGivesTheExchangeSortsOrderTiesIncluded)
{
    std::mt19937 random(20261210);
    const std::vector<std::string> texts = {"", "a", "B", "b", "中", "ab"};
    auto pick = [&](int n) { return texts[random() % n]; };
    int cases = 0;
    for (int round = 0; round < 60; ++round) {
        const int n = 2 + static_cast<int>(random() % 40);
        TNetItemList base;
        for (int i = 0; i < n; ++i)
            base.Add(Web(i + 1, pick(3), pick(4), pick(6), static_cast<int32_t>(random() % 4) * 10));
        for (int column = -1; column <= 3; ++column)
            for (TSortMode mode : {smInc, smDesc}) {
                TNetItemList fast;
                TNetItemList reference;
                for (int i = 0; i < n; ++i) {
                    fast.Add(base.GetItems(i));
                    reference.Add(base.GetItems(i));
                }
                fast.Sort(mode, column);
                ReferenceSort(reference, mode, column);
                ASSERT_EQ(Ids(fast), Ids(reference)) << "round " << round << " column " << column << " mode " << mode;
                ++cases;
            }
    }
    EXPECT_EQ(cases, 60 * 5 * 2);
}

TEST(ItemListTest, FindingRows)
{
    TNetItemList list;
    list.Add(Web(1, "xyz"));
    list.Add(Web(2, "ABC"));
    list.Add(Web(3, "abd"));
    EXPECT_EQ(list.IndexOfCaption("ab"), 1);
    EXPECT_EQ(list.IndexOfCaption("ABD"), 2);
    EXPECT_EQ(list.IndexOfCaption(""), -1);
    EXPECT_EQ(list.IndexOfCaption("abcd"), -1);
    EXPECT_EQ(list.IndexOfID(3), 2);
    TZmbNetItem mail = Web(4, "m");
    mail.Email = "Bob@Example.com";
    list.Add(mail);
    EXPECT_EQ(list.IndexOfEmail("bob@"), 3);
    EXPECT_EQ(list.IndexOfEmail(""), -1);
    EXPECT_EQ(list.IndexOfID(9), -1);
}

TEST(ItemListTest, MoveDeleteAndBounds)
{
    TNetItemList list;
    list.Add(Web(1, "A"));
    list.Add(Web(2, "B"));
    list.Add(Web(3, "C"));
    list.Move(0, 2);
    EXPECT_EQ(Ids(list), (std::vector<int32_t>{2, 3, 1}));
    list.Delete(1);
    EXPECT_EQ(Ids(list), (std::vector<int32_t>{2, 1}));
    for (const auto& fails : std::vector<std::function<void()>>{
             [&] { list.Delete(-1); }, [&] { list.GetItems(list.Count()); },
             [&] { list.SetItems(2, Web(4, "D")); }, [&] { list.Move(0, 2); }}) {
        try {
            fails();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Out of bounds");
        }
    }
    EXPECT_EQ(Ids(list), (std::vector<int32_t>{2, 1}));
}

} // namespace
