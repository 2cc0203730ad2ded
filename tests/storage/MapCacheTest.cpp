// The id map and the record cache: ordering, read-ahead within one area, eviction.
#include "StorageTestUtil.h"

namespace {

std::vector<int32_t> Keys(const TMap& Map)
{
    std::vector<int32_t> keys;
    int32_t key = 0;
    TMapValue value = 0;
    for (int i = 0; Map.GetItem(i, key, value); ++i)
        keys.push_back(key);
    return keys;
}

TEST(Map, KeepsKeysInSignedOrder)
{
    TMap map;
    EXPECT_EQ(map.FirstKey(), 0);
    EXPECT_EQ(map.LastKey(), 0);
    EXPECT_EQ(map.Get(1), 0);

    EXPECT_TRUE(map.Add(7, 70));
    EXPECT_TRUE(map.Add(-5, -50));
    EXPECT_TRUE(map.Add(0, 1));
    EXPECT_FALSE(map.Add(7, 99));
    EXPECT_EQ(map.Get(7), 70) << "adding an existing key keeps the old value";
    EXPECT_EQ(Keys(map), (std::vector<int32_t>{-5, 0, 7}));
    EXPECT_EQ(map.FirstKey(), -5);
    EXPECT_EQ(map.LastKey(), 7);
    EXPECT_EQ(map.IndexOfKey(0), 1);
    EXPECT_EQ(map.IndexOfKey(3), -1);

    map.Put(3, 33);
    EXPECT_FALSE(map.KeyExists(3));
    map.Put(0, 2);
    TMapValue value = 0;
    EXPECT_TRUE(map.Find(0, value));
    EXPECT_EQ(value, 2);
    EXPECT_EQ(map.Delete(-5), -50);
    EXPECT_EQ(map.Delete(-5), 0);
    EXPECT_EQ(map.DeleteByIndex(5), 0);
    EXPECT_EQ(map.DeleteByIndex(1), 70);
    EXPECT_EQ(Keys(map), (std::vector<int32_t>{0}));

    std::vector<std::pair<int32_t, TMapValue>> pairs{{9, 1}, {3, 2}, {9, 3}, {-1, 4}, {3, 5}};
    map.Assign(pairs);
    EXPECT_EQ(Keys(map), (std::vector<int32_t>{-1, 3, 9}));
    EXPECT_EQ(map.Get(9), 1) << "of equal keys the first given stays";
    EXPECT_EQ(map.Get(3), 2);
}

class RecordCache : public TStorageTest {
protected:
    // A table of Count records with ids 1..Count, opened afresh so that nothing is cached.
    void MakeTable(int Count, int MaxCache = 0)
    {
        FFile = MakeDatabase("cache.zmb", {"T"}, 20, 8);
        FDb.SetMaxCache(MaxCache);
        ASSERT_TRUE(FDb.Open(FFile, ""));
        FTable.Open("T", false);
        for (int i = 1; i <= Count; ++i) {
            const auto rec = Record(20, uint8_t(i));
            FTable.AppendRecord(rec.data(), 20, 0);
        }
        FTable.Open("T", false);
    }
    bool Read(int32_t Id)
    {
        std::vector<uint8_t> out(20);
        return FTable.ReadRecord(Id, out.data()) && out == Record(20, uint8_t(Id));
    }
    const TRecordCache& Cache() const { return FTable.RecordCache(); }

    std::string FFile;
    TNorkDatabase FDb;
    TNorkTable FTable{&FDb};
};

TEST_F(RecordCache, NeedsATable)
{
    EXPECT_RAISES(TRecordCache(nullptr), ENorkError, "Table is nil");
}

TEST_F(RecordCache, ReadsAheadToTheEndOfTheArea)
{
    MakeTable(5);
    EXPECT_EQ(Cache().Count(), 0);
    ASSERT_TRUE(Read(5));
    EXPECT_EQ(Cache().Count(), 1) << "the last record of an area is a batch of one";
    ASSERT_TRUE(Read(3));
    EXPECT_EQ(Cache().Count(), 3);
    EXPECT_TRUE(Cache().Cached(4));
    EXPECT_FALSE(Cache().Cached(2));
}

TEST_F(RecordCache, BatchStopsAtTheEndOfTheBaseArea)
{
    MakeTable(5);
    FTable.Close();
    // Split the alive area as a rebuild leaves it: slots 0..2 in the base area, 3..4 alive.
    TTableHeader h = HeaderInFile(FFile, 0);
    const int32_t recSize = 6 + 20 + 20;
    h.BaseDataOfs = h.AliveDataOfs;
    h.BaseUseSpace = 3;
    h.AliveDataOfs += 3 * recSize;
    h.AliveUseSpace = 2;
    h.AliveCapacity -= 3;
    const int64_t at = HeaderOffsetInFile(FFile, 0);
    PatchFile(FFile, at, h);
    PatchFile(FFile, at + 725, h);

    FTable.Open("T", false);
    ASSERT_TRUE(Read(1));
    EXPECT_EQ(Cache().Count(), 3);
    EXPECT_FALSE(Cache().Cached(4));
    ASSERT_TRUE(Read(4));
    EXPECT_EQ(Cache().Count(), 5);
    const auto rec = Record(20, 6);
    EXPECT_EQ(FTable.AppendRecord(rec.data(), 20, 0), 6);
    ASSERT_TRUE(Read(6));
    ASSERT_TRUE(Read(2));
}

TEST_F(RecordCache, DeletedRecordsInABatchAreSkipped)
{
    MakeTable(5);
    FTable.DeleteRecord(3);
    FTable.Open("T", false);
    ASSERT_TRUE(Read(1));
    EXPECT_EQ(Cache().Count(), 4);
    EXPECT_FALSE(Cache().Cached(3));
    for (const int32_t id : {2, 4, 5})
        EXPECT_TRUE(Cache().Cached(id));
    EXPECT_TRUE(Read(4));
}

TEST_F(RecordCache, EvictsOneEntryPerAdditionAtTheLimit)
{
    MakeTable(6, 3);
    TRecordCache cache(&FTable);
    std::vector<uint8_t> phy(static_cast<std::size_t>(FTable.PhyRecSize()), 0xAA);
    for (int32_t id = 1; id <= 3; ++id)
        cache.Add(id, phy.data());
    EXPECT_EQ(cache.Count(), 3);
    cache.Add(4, phy.data());
    EXPECT_EQ(cache.Count(), 3);
    EXPECT_TRUE(cache.Cached(4));
    cache.Add(4, phy.data());
    EXPECT_EQ(cache.Count(), 3) << "overwriting a cached id evicts nothing";

    // A batch of six under a limit of three still answers every read.
    for (int32_t id = 1; id <= 6; ++id)
        EXPECT_TRUE(Read(id));
    EXPECT_LE(Cache().Count(), 3);
}

TEST_F(RecordCache, NoLimitMeansNoEviction)
{
    MakeTable(6, 0);
    TRecordCache cache(&FTable);
    std::vector<uint8_t> phy(static_cast<std::size_t>(FTable.PhyRecSize()), 0xAA);
    for (int32_t id = 1; id <= 1000; ++id)
        cache.Add(id, phy.data());
    EXPECT_EQ(cache.Count(), 1000);
    cache.Delete(500);
    cache.Delete(500);
    EXPECT_EQ(cache.Count(), 999);
    EXPECT_FALSE(cache.Cached(500));
    EXPECT_TRUE(cache.Cached(1000));
}

TEST_F(RecordCache, DuplicateIdInADamagedFileNeverShadowsTheMappedRecord)
{
    MakeTable(3);
    FTable.Close();
    // Give slot 2 the id of slot 0; the id map keeps slot 0 for id 1.
    const int64_t slot2 = HeaderInFile(FFile, 0).AliveDataOfs + 2 * (6 + 20 + 20);
    PatchFile(FFile, slot2 + 2, int32_t(1));

    FTable.Open("T", false);
    EXPECT_EQ(FTable.RecordCount(), 2);
    ASSERT_TRUE(Read(2)) << "the batch from slot 1 also holds slot 2, claiming id 1";
    EXPECT_TRUE(Read(1)) << "id 1 still reads slot 0";
}

} // namespace
