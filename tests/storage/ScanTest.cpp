// The scan of a container file beyond what a password box uses: a file that has been through every
// kind of change the engine makes (tables emptied, deleted and renamed, alive areas grown and
// moved, blobs grown in place and moved, records deleted and rewritten, keys of several fields
// and types) holds no problem; a chain out of the order of such keys is found.
#include "StorageTestUtil.h"

#include "storage/NorkScan.h"

#include <gtest/gtest.h>

namespace {

class ScanTest : public TStorageTest {
protected:
    static std::string Joined(const std::vector<TNorkFinding>& Findings)
    {
        std::string out;
        for (const TNorkFinding& f : Findings)
            out += "  " + f.Table + " " + std::to_string(f.RecordID) + ": " + f.Text + "\n";
        return out;
    }

    static std::vector<TNorkFinding> Scan(const std::string& File, const std::string& Password)
    {
        TNorkFileScan scan(File);
        EXPECT_TRUE(scan.PasswordMatches(Password));
        scan.SetCodec(true, "Zlib", true, "Blowfish", Password);
        scan.CheckContent();
        return scan.Findings();
    }

    // A new encrypted file opened in Db, with a table Name keyed by a text and then a number.
    std::string NewFile(TNorkDatabase& Db, const std::string& Name, int BlobCount, int Capacity)
    {
        const std::string file = FTemp.File(Name + ".nork");
        EXPECT_TRUE(Db.CreateDatabase(file, true, "Zlib", true, "Blowfish", kPassword));
        EXPECT_TRUE(Db.Open(file, kPassword));
        Db.CreateTable(Name, 24, BlobCount, Capacity);
        Db.CreateIndex(Name, "ByText", {TIndexFieldItem{0, itString}, TIndexFieldItem{12, itLongint}});
        return file;
    }

    static inline const std::string kPassword = "pw";
};

// A record of 24 bytes: a text key (12 bytes) and a signed 32-bit key, then filler.
std::vector<uint8_t> Keyed(const char* Text, int32_t Number)
{
    std::vector<uint8_t> r(24, 0);
    std::memcpy(r.data(), Text, std::strlen(Text));
    std::memcpy(r.data() + 12, &Number, 4);
    r[20] = 0x5A;
    return r;
}

TEST_F(ScanTest, EveryChangeTheEngineMakesLeavesAFileWithoutProblems)
{
    TNorkDatabase db;
    const std::string file = NewFile(db, "Keys", 2, 4);
    db.CreateIndex("Keys", "ByNumber", 12, itLongint);
    db.CreateTable("Plain", 8, 1, 2);
    db.CreateTable("Gone", 8, 0, 1);
    ASSERT_TRUE(db.DeleteTable("Gone")); // leaves a stale catalogue entry and dead space
    ASSERT_TRUE(db.RenameTable("Keys", "K")); // leaves the old name's bytes after the new one
    {
        TNorkTable keys(&db);
        TNorkTable plain(&db);
        keys.Open("K", true);
        plain.Open("Plain", true);
        TMemoryStream blob;
        for (int i = 0; i < 40; ++i) {
            const std::string text = "key" + std::to_string(i % 7);
            const int32_t id = keys.AppendRecord(Keyed(text.c_str(), 100 - i).data(), 24, 0);
            // Blobs written between appends make the alive area move when it grows.
            blob.Clear();
            const std::string content(std::size_t(i * 13), char('a' + i % 26));
            blob.Write(content.data(), int64_t(content.size()));
            keys.WriteBlob(id, i % 2, blob);
            plain.AppendRecord(Record(8, uint8_t(i)).data(), 8, 0);
        }
        for (const int32_t id : {3, 17, 40})
            keys.DeleteRecord(id);
        keys.ModifyRecord(5, Keyed("aaa", -7).data(), 24);
        keys.WriteBlob(6, 0, std::string(2000, 'x')); // grows: moves to the end
        keys.WriteBlob(6, 0, std::string(2100, 'y')); // grows where it is, at the end
        keys.WriteBlob(7, 1, std::string()); // shrinks in place
        plain.EmptyTable();
        plain.AppendRecord(Record(8, 9).data(), 8, 0);
    }
    db.Close();
    const std::vector<TNorkFinding> found = Scan(file, kPassword);
    EXPECT_TRUE(found.empty()) << Joined(found);

    // The same after a rebuild.
    ASSERT_TRUE(db.Open(file, kPassword));
    ASSERT_TRUE(db.Compact());
    db.Close();
    const std::vector<TNorkFinding> rebuilt = Scan(file, kPassword);
    EXPECT_TRUE(rebuilt.empty()) << Joined(rebuilt);
}

TEST_F(ScanTest, AChainOutOfTheOrderOfItsKeysIsFound)
{
    TNorkDatabase db;
    const std::string file = NewFile(db, "K", 0, 8);
    {
        TNorkTable keys(&db);
        keys.Open("K", true);
        keys.AppendRecord(Keyed("b", 1).data(), 24, 0);
        keys.AppendRecord(Keyed("a", 2).data(), 24, 0);
        keys.AppendRecord(Keyed("a", 1).data(), 24, 0);
        // Rewritten through a table without its indexes: the chain keeps the old order.
        keys.Close();
        keys.Open("K", false);
        keys.ModifyRecord(3, Keyed("c", 0).data(), 24);
    }
    db.Close();
    const std::vector<TNorkFinding> found = Scan(file, kPassword);
    ASSERT_EQ(found.size(), 1u) << Joined(found);
    EXPECT_EQ(found[0].Table, "K");
    EXPECT_EQ(found[0].RecordID, 2);
    EXPECT_EQ(found[0].Text, "index ByText: the record is out of key order in the chain");
}

} // namespace
