// Indexes: creating them, the order of the six comparisons and the range, key types, keeping
// the on-disk chain equal to the order through appends, deletions, modifications and emptying,
// and chains that a damaged file breaks.
#include "StorageTestUtil.h"

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <set>

namespace {

constexpr int kRecSize = 16;

std::vector<uint8_t> KeyRecord(int32_t Key, uint8_t Payload = 0)
{
    std::vector<uint8_t> r(kRecSize, Payload);
    std::memcpy(r.data(), &Key, 4);
    return r;
}

class Index : public TStorageTest {
protected:
    // A table "T" with one blob and an index "ByKey" on the 32-bit value at offset 0.
    void MakeIndexedTable(const std::string& Password = std::string())
    {
        FPassword = Password;
        FFile = MakeDatabase("index.zmb", {"T"}, kRecSize, 4, Password);
        ASSERT_TRUE(FDb.Open(FFile, Password));
        ASSERT_TRUE(FDb.CreateIndex("T", "ByKey", 0, itLongint));
        FTable.Open("T", true);
    }
    void Reopen(bool WithIndexes = true)
    {
        FTable.Close();
        ASSERT_TRUE(FDb.Open(FFile, FPassword));
        FTable.Open("T", WithIndexes);
    }
    int32_t Append(int32_t Key, int32_t Id = 0) { return FTable.AppendRecord(KeyRecord(Key).data(), kRecSize, Id); }
    TNorkIndex& ByKey() { return *FTable.GetIndex("ByKey"); }
    std::vector<int32_t> Filter(int32_t Key, TNorkCompareOpr Opr)
    {
        std::vector<int32_t> ids{-99};
        const int n = ByKey().Filter(KeyRecord(Key).data(), Opr, ids);
        EXPECT_EQ(n, int(ids.size()));
        return ids;
    }
    // The chain in the file must list exactly the in-memory order.
    void ExpectChainInStep()
    {
        EXPECT_EQ(ChainInFile(FFile, 0, 0), IndexOrder(ByKey()));
    }

    std::string FFile;
    std::string FPassword;
    TNorkDatabase FDb;
    TNorkTable FTable{&FDb};
};

using Ids = std::vector<int32_t>;

TEST_F(Index, FilterByEveryOperatorAndByRange)
{
    MakeIndexedTable();
    // Appended out of order; ids 1..4 get keys 30, 10, 20, 20.
    Append(30);
    Append(10);
    Append(20);
    Append(20);
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{2, 3, 4, 1}));
    ExpectChainInStep();

    struct TCase {
        int32_t Key;
        TNorkCompareOpr Opr;
        Ids Expected;
    };
    const TCase cases[] = {
        {20, coEQ, {3, 4}}, {20, coNE, {2, 1}}, {20, coGT, {1}},     {20, coLT, {2}},
        {20, coGE, {3, 4, 1}}, {20, coLE, {2, 3, 4}}, {25, coEQ, {}}, {25, coNE, {2, 3, 4, 1}},
        {5, coLT, {}},       {5, coGE, {2, 3, 4, 1}}, {40, coGT, {}}, {40, coLE, {2, 3, 4, 1}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.Key) + " operator " + std::to_string(int(c.Opr)));
        EXPECT_EQ(Filter(c.Key, c.Opr), c.Expected);
    }
    EXPECT_EQ(Filter(20, static_cast<TNorkCompareOpr>(6)), Ids{}) << "an unknown operator selects nothing";

    Ids ids;
    EXPECT_EQ(ByKey().Filter(KeyRecord(15).data(), KeyRecord(25).data(), ids), 2);
    EXPECT_EQ(ids, (Ids{3, 4}));
    EXPECT_EQ(ByKey().Filter(KeyRecord(25).data(), KeyRecord(15).data(), ids), 0) << "an inverted range";
    EXPECT_EQ(ids, Ids{});
    EXPECT_EQ(ByKey().Filter(KeyRecord(10).data(), KeyRecord(30).data(), ids), 4);

    EXPECT_EQ(ByKey().Find(KeyRecord(10).data()), 2);
    EXPECT_TRUE(ByKey().Find(KeyRecord(20).data()) == 3 || ByKey().Find(KeyRecord(20).data()) == 4);
    EXPECT_EQ(ByKey().Find(KeyRecord(11).data()), -1);
    EXPECT_EQ(ByKey().Count(), 4);
    EXPECT_EQ(ByKey().GetSysRecordID(0), 2);
    EXPECT_EQ(ByKey().GetSysRecordID(4), 0) << "unlike the table's, the index answers 0 out of range";
    EXPECT_EQ(ByKey().GetSysRecordID(-1), 0);

    Ids some{1, 9, 2, 4};
    ByKey().Sort(some);
    EXPECT_EQ(some, (Ids{2, 4, 1})) << "index order, ids the index does not hold dropped";

    // The same answers after the order is loaded back from the chain.
    Reopen();
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{2, 3, 4, 1}));
    EXPECT_EQ(Filter(20, coGE), (Ids{3, 4, 1}));
}

TEST_F(Index, EmptyIndexAndLookupByName)
{
    MakeIndexedTable();
    EXPECT_EQ(Filter(1, coNE), Ids{});
    EXPECT_EQ(ByKey().Find(KeyRecord(1).data()), -1);
    EXPECT_EQ(FTable.GetIndex("bykey"), &ByKey()) << "A-Z compared without case";
    EXPECT_RAISES(FTable.GetIndex("Other"), ENorkError, "Index 'Other' not found");
    EXPECT_EQ(int32_t(HeaderInFile(FFile, 0).IndexHeader[0].FirstSlot), -1);
    Reopen(false);
    EXPECT_RAISES(FTable.GetIndex("ByKey"), ENorkError, "Index 'ByKey' not found");
}

TEST_F(Index, EqualKeysAreOrderedByIdWhateverTheAppendOrder)
{
    MakeIndexedTable();
    Append(7, 9);
    Append(7, 3);
    Append(7, 5);
    Append(6, 8);
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{8, 3, 5, 9}));
    ExpectChainInStep();
}

TEST_F(Index, ChainHeadFollowsTheSmallestKey)
{
    MakeIndexedTable();
    Append(50); // id 1, slot 0
    EXPECT_EQ(int32_t(HeaderInFile(FFile, 0).IndexHeader[0].FirstSlot), 0);
    Append(60); // id 2, slot 1
    Append(40); // id 3, slot 2
    EXPECT_EQ(int32_t(HeaderInFile(FFile, 0).IndexHeader[0].FirstSlot), 2) << "the smallest key heads the chain";
    ExpectChainInStep();

    FTable.DeleteRecord(3);
    EXPECT_EQ(int32_t(HeaderInFile(FFile, 0).IndexHeader[0].FirstSlot), 0) << "the second becomes the head";
    FTable.DeleteRecord(2); // the last of the chain
    ExpectChainInStep();
    FTable.DeleteRecord(1);
    EXPECT_EQ(int32_t(HeaderInFile(FFile, 0).IndexHeader[0].FirstSlot), -1);
    EXPECT_EQ(ByKey().Count(), 0);
    Reopen();
    EXPECT_EQ(ByKey().Count(), 0);
}

TEST_F(Index, ModifyMovesTheRecordToItsNewPlace)
{
    MakeIndexedTable();
    for (int32_t key : {10, 20, 30, 40})
        Append(key);
    FTable.ModifyRecord(1, KeyRecord(35).data(), kRecSize);
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{2, 3, 1, 4}));
    FTable.ModifyRecord(4, KeyRecord(0).data(), kRecSize);
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{4, 2, 3, 1}));
    ExpectChainInStep();
    EXPECT_EQ(Filter(35, coEQ), Ids{1});
    Reopen();
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{4, 2, 3, 1}));
}

TEST_F(Index, EmptyTableEmptiesTheChain)
{
    MakeIndexedTable();
    Append(3);
    Append(1);
    FTable.EmptyTable();
    EXPECT_EQ(ByKey().Count(), 0);
    EXPECT_EQ(int32_t(HeaderInFile(FFile, 0).IndexHeader[0].FirstSlot), -1);
    Append(5);
    Append(4);
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{2, 1}));
    Reopen();
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{2, 1}));
    ExpectChainInStep();
}

TEST_F(Index, RandomWorkOnAnEncryptedTableMatchesASortedModel)
{
    MakeIndexedTable("index key");
    std::mt19937 random(2024);
    std::map<int32_t, int32_t> keyOf; // id -> key
    const auto expected = [&] {
        std::set<std::pair<int32_t, int32_t>> order;
        for (const auto& [id, key] : keyOf)
            order.emplace(key, id);
        Ids ids;
        for (const auto& [key, id] : order)
            ids.push_back(id);
        return ids;
    };
    FTable.BeginUpdate(); // one handle, one flush, per stretch of work
    for (int step = 0; step < 600; ++step) {
        const int what = int(random() % 10);
        const int32_t key = int32_t(random() % 40) - 20;
        if (what < 5 || keyOf.empty()) {
            keyOf[Append(key)] = key;
        } else {
            auto it = keyOf.begin();
            std::advance(it, random() % keyOf.size());
            if (what < 8) {
                FTable.DeleteRecord(it->first);
                keyOf.erase(it);
            } else {
                FTable.ModifyRecord(it->first, KeyRecord(key).data(), kRecSize);
                it->second = key;
            }
        }
        if (step % 150 == 149) {
            FTable.EndUpdate();
            Reopen(); // the order loads back from the chain, keys are read and deciphered anew
            FTable.BeginUpdate();
        }
    }
    FTable.EndUpdate();
    EXPECT_EQ(IndexOrder(ByKey()), expected());
    ExpectChainInStep();
    for (int32_t key = -21; key <= 20; key += 7) {
        Ids want;
        for (int32_t id : expected())
            if (keyOf[id] >= key)
                want.push_back(id);
        EXPECT_EQ(Filter(key, coGE), want) << "key " << key;
    }
}

TEST_F(Index, CreateIndexChecksInOrder)
{
    FFile = MakeDatabase("checks.zmb", {"T", "Used", "Deleted", "Full"}, kRecSize);
    TNorkDatabase closed;
    EXPECT_RAISES(closed.CreateIndex("T", "I", 0, itLongint), ENorkError,
                  "Cannot perform this operation on a closed database");
    ASSERT_TRUE(FDb.Open(FFile, ""));
    ASSERT_TRUE(FDb.CreateIndex("Used", "A", 0, itLongint));
    for (int k = 0; k < 8; ++k)
        ASSERT_TRUE(FDb.CreateIndex("Full", "I" + std::to_string(k), k, itByte));
    {
        TNorkTable t(&FDb);
        t.Open("Used", true);
        t.AppendRecord(KeyRecord(1).data(), kRecSize, 0);
        t.Open("Deleted", false);
        t.AppendRecord(KeyRecord(1).data(), kRecSize, 0);
        t.DeleteRecord(1);
    }
    const std::vector<uint8_t> before = ReadFileBytes(FFile);

    using Items = std::vector<TIndexFieldItem>;
    struct TCase {
        const char* Table;
        const char* Name;
        Items Fields;
        const char* Message;
    };
    const TCase cases[] = {
        {"", "", {{0, itLongint}}, "Invalid table name ''"},
        {"Missing", "Bad\tName", {{0, itLongint}}, "Invalid index name 'Bad\tName'"},
        {"Missing", "I", {{0, itLongint}}, "Table 'Missing' not found"},
        {"Full", "I0", {{0, itLongint}}, "Too many indexes"},
        {"Used", "a", {{0, itLongint}}, "Duplicate index name 'a'"},
        {"Used", "B", {{0, itLongint}}, "Fail to create index"},
        {"Deleted", "B", {{0, itLongint}}, "Fail to create index"},
        {"T", "B", {}, "Fail to create index"},
        {"T", "B", Items(9, TIndexFieldItem{0, itByte}), "Fail to create index"},
        {"T", "B", {{-1, itByte}, {4, itByte}, {4, itLongint}}, "Duplicate index field offset '4'"},
        {"T", "B", {{kRecSize - 3, itLongint}}, "Invalid index field offset '13'"},
        {"T", "B", {{0, itByte}, {-1, itByte}}, "Invalid index field offset '-1'"},
        {"T", "B", {{kRecSize - 4, itDate}}, "Invalid index field offset '12'"},
        {"T", "B", {{kRecSize - 7, itDouble}}, "Invalid index field offset '9'"},
        {"T", "B", {{kRecSize + 1, itString}}, "Invalid index field offset '17'"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        EXPECT_RAISES(FDb.CreateIndex(c.Table, c.Name, c.Fields), ENorkError, c.Message);
    }
    EXPECT_EQ(ReadFileBytes(FFile), before) << "a refused index writes nothing";

    // The widest valid fields, and the entry as stored.
    EXPECT_TRUE(FDb.CreateIndex("T", "Last", kRecSize - 4, itLongint));
    EXPECT_TRUE(FDb.CreateIndex("T", "When", {{kRecSize - 8, itDate}, {0, itString}, {kRecSize, itString}}));
    const TTableHeader h = HeaderInFile(FFile, 0);
    EXPECT_EQ(int32_t(h.IndexCount), 2);
    const TIndexHeaderItem& when = h.IndexHeader[1];
    EXPECT_STREQ(when.IndexName, "When");
    EXPECT_EQ(int32_t(when.FirstSlot), -1);
    EXPECT_EQ(int32_t(when.FieldCount), 3);
    EXPECT_EQ(int32_t(when.FieldItems[0].FieldOffset), kRecSize - 8);
    EXPECT_EQ(int(when.FieldItems[0].IndexType), int(itDate));
    EXPECT_EQ(int32_t(when.FieldItems[2].FieldOffset), kRecSize);
    for (int j = 3; j < 8; ++j) {
        EXPECT_EQ(int32_t(when.FieldItems[j].FieldOffset), -1);
        EXPECT_EQ(int(when.FieldItems[j].IndexType), 0);
    }
}

TEST_F(Index, IndexOnAnEmptiedTableGetsANewAliveArea)
{
    // Emptying keeps the alive area, sized for records without the new link. Appending after the
    // index exists must not write those larger records over what follows the old area.
    FFile = MakeDatabase("emptied.zmb", {"T"}, kRecSize, 4);
    ASSERT_TRUE(FDb.Open(FFile, ""));
    FTable.Open("T", false);
    for (int i = 0; i < 4; ++i)
        Append(i);
    FTable.EmptyTable();
    FTable.Close();
    ASSERT_TRUE(FDb.CreateTable("After", kRecSize, 0, 1));
    TNorkTable after(&FDb);
    after.Open("After", false);
    after.AppendRecord(KeyRecord(77, 0x5A).data(), kRecSize, 0);
    after.Close();

    ASSERT_TRUE(FDb.CreateIndex("T", "ByKey", 0, itLongint));
    EXPECT_EQ(int32_t(HeaderInFile(FFile, 0).AliveCapacity), 0);
    FTable.Open("T", true);
    for (int i = 0; i < 4; ++i)
        Append(40 - i);
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{4, 3, 2, 1}));
    Reopen();
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{4, 3, 2, 1}));
    FTable.Close();
    after.Open("After", false);
    std::vector<uint8_t> out(kRecSize);
    ASSERT_TRUE(after.ReadRecord(int32_t(1), out.data()));
    EXPECT_EQ(out, KeyRecord(77, 0x5A)) << "the record after the old area is intact";
}

TEST_F(Index, KeysCompareByTheirType)
{
    // One table per case: two records whose keys differ where signedness, width or type matters.
    struct TCase {
        const char* What;
        TNorkIndexType Type;
        int Offset;
        std::vector<uint8_t> Low;  // bytes at Offset of the record that sorts first
        std::vector<uint8_t> High; // ... of the record that sorts second
    };
    const auto bytesOf = [](auto V) {
        std::vector<uint8_t> b(sizeof(V));
        std::memcpy(b.data(), &V, sizeof(V));
        return b;
    };
    const TCase cases[] = {
        {"byte unsigned", itByte, 3, {0x01}, {0xFF}},
        {"boolean", itBoolean, 0, {0}, {1}},
        {"shortint signed", itShortint, 3, {0xFF}, {0x01}},
        {"word unsigned", itWord, 2, bytesOf(uint16_t(2)), bytesOf(uint16_t(0x8000))},
        {"smallint signed", itSmallint, 2, bytesOf(int16_t(-2)), bytesOf(int16_t(1))},
        {"longword unsigned", itLongword, 4, bytesOf(uint32_t(1)), bytesOf(uint32_t(0x80000000))},
        {"longint signed", itLongint, 4, bytesOf(int32_t(-5)), bytesOf(int32_t(3))},
        {"double", itDouble, 8, bytesOf(-1.5), bytesOf(0.25)},
        {"date as double", itDate, 8, bytesOf(45000.0), bytesOf(45001.0)},
        {"time as double", itTime, 8, bytesOf(0.25), bytesOf(0.5)},
        {"date-time", itDateTime, 8, bytesOf(1e-9), bytesOf(2e-9)},
        {"string bytes unsigned", itString, 4, {'a', 0xC4, 0}, {'a', 0xE4, 0}},
        {"shorter string first", itString, 4, {'a', 'b', 0}, {'a', 'b', 'c', 0}},
        {"string ends at the record", itString, 12, {'x', 'y', 'z', 'a'}, {'x', 'y', 'z', 'b'}},
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TNorkDatabase db;
        const std::string file = MakeDatabase("type" + std::to_string(n++) + ".zmb", {"T"}, kRecSize);
        ASSERT_TRUE(db.Open(file, ""));
        ASSERT_TRUE(db.CreateIndex("T", "K", c.Offset, c.Type));
        TNorkTable t(&db);
        t.Open("T", true);
        std::vector<uint8_t> high(kRecSize, 0x11);
        std::vector<uint8_t> low(kRecSize, 0x11);
        std::copy(c.High.begin(), c.High.end(), high.begin() + c.Offset);
        std::copy(c.Low.begin(), c.Low.end(), low.begin() + c.Offset);
        t.AppendRecord(high.data(), kRecSize, 1);
        t.AppendRecord(low.data(), kRecSize, 2);
        TNorkIndex& k = *t.GetIndex("K");
        EXPECT_EQ(IndexOrder(k), (Ids{2, 1}));
        Ids ids;
        k.Filter(low.data(), coGT, ids);
        EXPECT_EQ(ids, Ids{1});
        EXPECT_EQ(k.Find(high.data()), 1);
    }
}

TEST_F(Index, NotANumberComparesAsSmaller)
{
    FFile = MakeDatabase("nan.zmb", {"T"}, kRecSize);
    ASSERT_TRUE(FDb.Open(FFile, ""));
    ASSERT_TRUE(FDb.CreateIndex("T", "D", 0, itDouble));
    FTable.Open("T", true);
    const auto rec = [](double V) {
        std::vector<uint8_t> r(kRecSize, 0);
        std::memcpy(r.data(), &V, 8);
        return r;
    };
    FTable.AppendRecord(rec(1.0).data(), kRecSize, 0);
    FTable.AppendRecord(rec(2.0).data(), kRecSize, 0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TNorkIndex& d = *FTable.GetIndex("D");
    Ids ids;
    EXPECT_EQ(d.Filter(rec(nan).data(), coEQ, ids), 0);
    EXPECT_EQ(d.Filter(rec(nan).data(), coLT, ids), 0) << "NaN is smaller than every key";
    EXPECT_EQ(d.Filter(rec(nan).data(), coGE, ids), 2);
    EXPECT_EQ(d.Find(rec(nan).data()), -1);
    // A NaN key goes first, as every comparison with it says smaller.
    FTable.AppendRecord(rec(nan).data(), kRecSize, 0);
    EXPECT_EQ(IndexOrder(d), (Ids{3, 1, 2}));
}

TEST_F(Index, TwoFieldKeyBreaksTiesByTheSecondField)
{
    FFile = MakeDatabase("two.zmb", {"T"}, kRecSize);
    ASSERT_TRUE(FDb.Open(FFile, ""));
    ASSERT_TRUE(FDb.CreateIndex("T", "FolderSort", {{0, itLongint}, {4, itLongint}}));
    FTable.Open("T", true);
    const auto rec = [](int32_t Folder, int32_t Sort) {
        std::vector<uint8_t> r(kRecSize, 0);
        std::memcpy(r.data(), &Folder, 4);
        std::memcpy(r.data() + 4, &Sort, 4);
        return r;
    };
    FTable.AppendRecord(rec(2, 10).data(), kRecSize, 0); // 1
    FTable.AppendRecord(rec(1, 30).data(), kRecSize, 0); // 2
    FTable.AppendRecord(rec(1, 20).data(), kRecSize, 0); // 3
    FTable.AppendRecord(rec(2, 5).data(), kRecSize, 0);  // 4
    FTable.AppendRecord(rec(1, 20).data(), kRecSize, 0); // 5
    TNorkIndex& fs = *FTable.GetIndex("FolderSort");
    EXPECT_EQ(IndexOrder(fs), (Ids{3, 5, 2, 4, 1}));
    Ids ids;
    EXPECT_EQ(fs.Filter(rec(1, 20).data(), rec(1, 99).data(), ids), 3);
    EXPECT_EQ(ids, (Ids{3, 5, 2}));
    EXPECT_EQ(ChainInFile(FFile, 0, 0), IndexOrder(fs));
}

TEST_F(Index, BrokenChainsFailTheOpenUntilRepaired)
{
    MakeIndexedTable();
    for (int32_t key : {40, 10, 30, 20, 50})
        Append(key); // order: ids 2, 4, 3, 1, 5
    FTable.DeleteRecord(3); // order: 2, 4, 1, 5
    FTable.Close();
    FDb.Close();
    const std::vector<uint8_t> good = ReadFileBytes(FFile);
    const TTableHeader h = HeaderInFile(FFile, 0);
    const int64_t headerAt = HeaderOffsetInFile(FFile, 0);
    const int64_t recSize = PhyRecSizeOf(h);
    const auto linkAt = [&](int32_t Slot) { return int64_t(h.AliveDataOfs) + Slot * recSize + 6; };

    struct TCase {
        const char* What;
        std::function<void()> Damage;
    };
    const TCase cases[] = {
        {"last link back to the head", [&] { PatchFile(FFile, linkAt(4), int32_t(1)); }},
        {"a link past the last slot", [&] { PatchFile(FFile, linkAt(1), int32_t(5)); }},
        {"a negative link", [&] { PatchFile(FFile, linkAt(1), int32_t(-7)); }},
        {"a chain cut short", [&] { PatchFile(FFile, linkAt(3), int32_t(-1)); }},
        {"a chain through the deleted record",
         [&] { PatchFile(FFile, linkAt(3), int32_t(2)); /* 2 -> 5 afterwards: one extra */ }},
        {"the deleted record in place of a live one",
         [&] { PatchFile(FFile, linkAt(3), int32_t(2)), PatchFile(FFile, linkAt(2), int32_t(-1)); }},
        {"the head beyond the records",
         [&] {
             TTableHeader bad = h;
             bad.IndexHeader[0].FirstSlot = 99;
             PatchFile(FFile, headerAt, bad);
         }},
        {"an empty chain for live records",
         [&] {
             TTableHeader bad = h;
             bad.IndexHeader[0].FirstSlot = -1;
             PatchFile(FFile, headerAt, bad);
         }},
        {"nine key fields",
         [&] {
             TTableHeader bad = h;
             bad.IndexHeader[0].FieldCount = 9;
             PatchFile(FFile, headerAt, bad);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        WriteFileBytes(FFile, good);
        c.Damage();
        ASSERT_TRUE(FDb.Open(FFile, ""));
        EXPECT_RAISES(FTable.Open("T", true), ENorkFileCorrupt, "Database file is corrupt");
        EXPECT_FALSE(FTable.Active());
        FTable.Open("T", false);
        EXPECT_EQ(FTable.RecordCount(), 4) << "the records still read without the indexes";
        FTable.Close();
    }

    // A rebuild lays every chain anew from the records.
    WriteFileBytes(FFile, good);
    PatchFile(FFile, linkAt(4), int32_t(1));
    ASSERT_TRUE(FDb.Open(FFile, ""));
    ASSERT_TRUE(FDb.Repair());
    FTable.Open("T", true);
    EXPECT_EQ(IndexOrder(ByKey()), (Ids{2, 4, 1, 5}));
    ExpectChainInStep();
    EXPECT_EQ(Filter(40, coLE), (Ids{2, 4, 1}));
}

} // namespace
