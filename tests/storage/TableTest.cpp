// Tables: record ids, reading by index and by id, deleting, modifying, emptying, the alive
// area's growth, enciphered records, signatures, damaged headers and interrupted appends.
#include "StorageTestUtil.h"

#include "dataproc/NorkAlgoMgr.h"

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRecSize = 20;
constexpr int kPhySize = 6 + 20 + kRecSize; // one blob, no index

class Table : public TStorageTest {
protected:
    void OpenTable(int RecCapacity = 4, const std::string& Password = std::string())
    {
        FFile = MakeDatabase("table.zmb", {"T"}, kRecSize, RecCapacity, Password);
        ASSERT_TRUE(FDb.Open(FFile, Password));
        FTable.Open("T", false);
    }
    int32_t Append(uint8_t Seed, int32_t Id = 0)
    {
        const auto rec = Record(kRecSize, Seed);
        return FTable.AppendRecord(rec.data(), kRecSize, Id);
    }
    std::vector<uint8_t> Read(int32_t Id)
    {
        std::vector<uint8_t> out(kRecSize, 0xEE);
        EXPECT_TRUE(FTable.ReadRecord(Id, out.data())) << "id " << Id;
        return out;
    }
    void Reopen()
    {
        ASSERT_TRUE(FDb.Open(FFile, FPassword));
        FTable.Open("T", false);
    }

    std::string FFile;
    std::string FPassword;
    TNorkDatabase FDb;
    TNorkTable FTable{&FDb};
};

TEST_F(Table, IdsAreTheLargestLiveIdPlusOneUnlessGiven)
{
    OpenTable();
    EXPECT_EQ(Append(1), 1);
    EXPECT_EQ(Append(2), 2);
    EXPECT_EQ(Append(3), 3);
    FTable.DeleteRecord(3);
    EXPECT_EQ(Append(4), 3) << "the id of a deleted last record is given out again";
    EXPECT_EQ(Append(7, 7), 7);
    EXPECT_EQ(Append(8), 8);
    EXPECT_RAISES(Append(9, 7), ENorkError, "Record id '7' already exists");
    EXPECT_EQ(Append(5, 5), 5);

    Reopen();
    EXPECT_EQ(FTable.RecordCount(), 6);
    const std::vector<int32_t> expected{1, 2, 3, 5, 7, 8};
    std::vector<int32_t> ids;
    for (int i = 0; i < FTable.RecordCount(); ++i)
        ids.push_back(FTable.GetSysRecordID(i));
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(FTable.FindRecord(5), 3);
    EXPECT_EQ(FTable.FindRecord(4), -1);
    EXPECT_EQ(FTable.GetSysRecordID(6), -1);
    EXPECT_EQ(FTable.GetSysRecordID(-1), -1);
    EXPECT_EQ(Read(3), Record(kRecSize, 4));
    EXPECT_EQ(Read(5), Record(kRecSize, 5));
}

TEST_F(Table, IdsAndOffsetsNeverWrapAround)
{
    OpenTable();
    EXPECT_EQ(Append(1, 0x7FFFFFFF), 0x7FFFFFFF);
    EXPECT_RAISES(Append(2), ENorkError, "No record id is left above '2147483647'");
    EXPECT_EQ(FTable.RecordCount(), 1);

    // A capacity whose area would end beyond what 32-bit offsets address is refused before
    // anything is written.
    ASSERT_TRUE(FDb.CreateTable("Huge", 1000, 0, 3000000));
    TNorkTable huge(&FDb);
    huge.Open("Huge", false);
    const std::vector<uint8_t> before = ReadFileBytes(FFile);
    const std::vector<uint8_t> rec(1000, 1);
    EXPECT_RAISES(huge.AppendRecord(rec.data(), 1000, 0), ENorkError,
                  "Database file '" + FFile + "' would exceed 2147483647 bytes");
    EXPECT_EQ(huge.RecordCount(), 0);
    EXPECT_EQ(ReadFileBytes(FFile), before);
}

TEST_F(Table, ReadingOutsideTheTableAnswersFalse)
{
    OpenTable();
    Append(1);
    Append(2);
    int32_t id = -7;
    std::vector<uint8_t> out(kRecSize, 0xEE);
    EXPECT_FALSE(FTable.ReadRecord(-1, id, out.data()));
    EXPECT_FALSE(FTable.ReadRecord(FTable.RecordCount(), id, out.data()));
    EXPECT_FALSE(FTable.ReadRecord(int32_t(9), out.data()));
    EXPECT_EQ(id, -7);
    EXPECT_EQ(out, std::vector<uint8_t>(kRecSize, 0xEE));
    ASSERT_TRUE(FTable.ReadRecord(1, id, out.data()));
    EXPECT_EQ(id, 2);
    EXPECT_EQ(out, Record(kRecSize, 2));
}

TEST_F(Table, DeletedRecordIsGone)
{
    OpenTable();
    for (uint8_t i = 1; i <= 6; ++i)
        Append(i);
    const auto slot4 = FTable.GetRecordOffset(5);
    FTable.DeleteRecord(5);
    std::vector<uint8_t> out(kRecSize);
    EXPECT_FALSE(FTable.ReadRecord(int32_t(5), out.data()));
    EXPECT_RAISES(FTable.DeleteRecord(5), ENorkError, "Record id '5' not found");
    EXPECT_EQ(ReadFileBytes(FFile)[static_cast<std::size_t>(slot4 + 1)], 1) << "only the Deleted byte is set";

    Reopen();
    EXPECT_EQ(FTable.RecordCount(), 5);
    EXPECT_FALSE(FTable.ReadRecord(int32_t(5), out.data()));
    EXPECT_EQ(Read(6), Record(kRecSize, 6));
}

TEST_F(Table, ModifyRewritesTheDataOnly)
{
    OpenTable();
    Append(1);
    Append(2);
    const std::vector<uint8_t> before = ReadFileBytes(FFile);
    const auto rec = Record(kRecSize, 9);
    EXPECT_RAISES(FTable.ModifyRecord(3, rec.data(), kRecSize), ENorkError, "Record id '3' not found");
    EXPECT_EQ(ReadFileBytes(FFile), before) << "a failed modification writes nothing";

    const int64_t offset = FTable.GetRecordOffset(2);
    // Mark the blob descriptor so we can see it is left alone.
    PatchFile(FFile, offset + 6, TBlobInfo{1234, 5, 6, 64, 0});
    FTable.ModifyRecord(2, rec.data(), kRecSize);
    EXPECT_EQ(Read(2), rec);
    const std::vector<uint8_t> after = ReadFileBytes(FFile);
    EXPECT_EQ(int32_t(StructAt<TBlobInfo>(after, offset + 6).DataOfs), 1234);
    EXPECT_EQ(int32_t(StructAt<TPhyRecPrefix>(after, offset).SysRecordID), 2);
    Reopen();
    EXPECT_EQ(Read(2), rec);
    EXPECT_EQ(Read(1), Record(kRecSize, 1));
}

TEST_F(Table, EmptyTableKeepsTheAliveAreaForReuse)
{
    OpenTable(4);
    for (uint8_t i = 1; i <= 3; ++i)
        Append(i);
    const TTableHeader before = HeaderInFile(FFile, 0);
    FTable.EmptyTable();
    EXPECT_EQ(FTable.RecordCount(), 0);
    const TTableHeader h = HeaderInFile(FFile, 0);
    EXPECT_EQ(int32_t(h.BaseDataOfs), 0);
    EXPECT_EQ(int32_t(h.BaseUseSpace), 0);
    EXPECT_EQ(int32_t(h.AliveUseSpace), 0);
    EXPECT_EQ(int32_t(h.AliveDataOfs), int32_t(before.AliveDataOfs));
    EXPECT_EQ(int32_t(h.AliveCapacity), int32_t(before.AliveCapacity));

    EXPECT_EQ(Append(7), 1);
    EXPECT_EQ(FTable.GetRecordOffset(1), int32_t(before.AliveDataOfs)) << "slot 0 is used again";
    Reopen();
    EXPECT_EQ(FTable.RecordCount(), 1);
    EXPECT_EQ(Read(1), Record(kRecSize, 7));
}

TEST_F(Table, AliveAreaDoublesWhereItIs)
{
    OpenTable(256);
    FTable.BeginUpdate();
    for (int i = 0; i < 256; ++i)
        Append(uint8_t(i));
    const TTableHeader full = HeaderInFile(FFile, 0);
    EXPECT_EQ(int32_t(full.AliveCapacity), 256);
    EXPECT_EQ(int32_t(full.AliveDataOfs), 6246);
    Append(0);
    FTable.EndUpdate();

    const TTableHeader h = HeaderInFile(FFile, 0);
    EXPECT_EQ(int32_t(h.AliveCapacity), 512);
    EXPECT_EQ(int32_t(h.AliveUseSpace), 257);
    EXPECT_EQ(int32_t(h.AliveDataOfs), 6246) << "the area ended the file, so it grows in place";
    EXPECT_EQ(ReadFileBytes(FFile).size(), 6246u + 512u * kPhySize);
    Reopen();
    EXPECT_EQ(FTable.RecordCount(), 257);
    EXPECT_EQ(Read(1), Record(kRecSize, 0));
    EXPECT_EQ(Read(256), Record(kRecSize, 255));
    EXPECT_EQ(Read(257), Record(kRecSize, 0));
}

TEST_F(Table, AliveAreaMovesToTheEndWhenSomethingFollowsIt)
{
    OpenTable(2);
    Append(1);
    Append(2);
    const int64_t oldArea = HeaderInFile(FFile, 0).AliveDataOfs;
    ASSERT_TRUE(FDb.CreateTable("After", 8, 0, 1)); // its header now follows the area
    const int64_t size = int64_t(ReadFileBytes(FFile).size());
    EXPECT_EQ(Append(3), 3);

    const TTableHeader h = HeaderInFile(FFile, 0);
    EXPECT_EQ(int32_t(h.AliveDataOfs), size) << "the used records were copied to the end";
    EXPECT_EQ(int32_t(h.AliveCapacity), 4);
    EXPECT_EQ(int32_t(h.AliveUseSpace), 3);
    const std::vector<uint8_t> bytes = ReadFileBytes(FFile);
    EXPECT_EQ(bytes.size(), std::size_t(size + 4 * kPhySize));
    EXPECT_TRUE(std::equal(bytes.begin() + oldArea, bytes.begin() + oldArea + 2 * kPhySize, bytes.begin() + size))
        << "the old place stays behind as it was";
    EXPECT_EQ(FTable.FindRecord(3), 2);
    Reopen();
    for (uint8_t i = 1; i <= 3; ++i)
        EXPECT_EQ(Read(i), Record(kRecSize, i));
}

TEST_F(Table, EncryptedRecordsAreEncipheredOneByOne)
{
    FPassword = "s3cret";
    OpenTable(4, FPassword);
    Append(1);
    Append(2);
    const auto plain = Record(kRecSize, 2);

    // The stored data part is the record enciphered alone: Blowfish, emCTS, keyed by the password.
    std::vector<uint8_t> expected = plain;
    TEncryptMgr mgr;
    mgr.SetAlgoName("Blowfish");
    mgr.SetMode(emCTS);
    mgr.InitKey(FPassword);
    mgr.EncodeBuffer(expected.data(), expected.data(), kRecSize);
    const std::vector<uint8_t> bytes = ReadFileBytes(FFile);
    const int64_t data = FTable.GetRecordOffset(2) + 6 + 20;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin() + data));

    Reopen();
    EXPECT_EQ(Read(2), plain);
    EXPECT_EQ(Read(1), Record(kRecSize, 1));

    // A record shorter than the table's reads back padded with zeros.
    const uint8_t shortRec[5] = {1, 2, 3, 4, 5};
    const int32_t id = FTable.AppendRecord(shortRec, 5, 0);
    std::vector<uint8_t> padded(kRecSize, 0);
    std::copy(shortRec, shortRec + 5, padded.begin());
    EXPECT_EQ(Read(id), padded);
}

TEST_F(Table, SignatureIsCheckedForTheWholeBatch)
{
    OpenTable();
    Append(1);
    Append(2);
    Append(3);
    const int64_t second = FTable.GetRecordOffset(2);
    FTable.Close();
    PatchFile(FFile, second, uint8_t(0x55));

    FTable.Open("T", false);
    std::vector<uint8_t> out(kRecSize);
    EXPECT_RAISES(FTable.ReadRecord(int32_t(1), out.data()), ENorkFileCorrupt, "Database file is corrupt");
    EXPECT_RAISES(FTable.ReadRecord(int32_t(2), out.data()), ENorkFileCorrupt, "Database file is corrupt");
    EXPECT_EQ(Read(3), Record(kRecSize, 3));
    FTable.SetCheckSignature(false);
    EXPECT_EQ(Read(2), Record(kRecSize, 2));
    EXPECT_EQ(Read(1), Record(kRecSize, 1));
}

TEST_F(Table, NeedsAnOpenDatabaseAndAnOpenTable)
{
    EXPECT_RAISES(TNorkTable(nullptr), ENorkError, "Database is nil");
    const auto rec = Record(kRecSize, 1);
    std::vector<uint8_t> out(kRecSize);
    EXPECT_RAISES(FTable.AppendRecord(rec.data(), kRecSize, 0), ENorkError,
                  "Cannot perform this operation on a closed database");
    OpenTable();
    FTable.Close();
    const std::string closed = "Cannot perform this operation on a closed table";
    EXPECT_RAISES(FTable.AppendRecord(rec.data(), kRecSize, 0), ENorkError, closed);
    EXPECT_RAISES(FTable.ReadRecord(int32_t(1), out.data()), ENorkError, closed);
    EXPECT_RAISES(FTable.EmptyTable(), ENorkError, closed);
    EXPECT_RAISES(FTable.BeginUpdate(), ENorkError, closed);
    EXPECT_EQ(FTable.RecordCount(), 0);
    EXPECT_EQ(FTable.FindRecord(1), -1);
    EXPECT_RAISES(FTable.Open("Missing", false), ENorkError, "Table 'Missing' not found");
    FTable.Open("t", false);
    EXPECT_EQ(FTable.FileName(), FFile);
    FDb.Close();
    EXPECT_FALSE(FTable.Active()) << "closing the database closes its tables";
    EXPECT_RAISES(FTable.ReadRecord(int32_t(1), out.data()), ENorkError,
                  "Cannot perform this operation on a closed database");
}

TEST_F(Table, DamagedHeadersAreRefusedAtOpen)
{
    OpenTable(4);
    Append(1);
    Append(2);
    FTable.Close();
    FDb.Close();
    const TTableHeader good = HeaderInFile(FFile, 0);
    const int64_t at = HeaderOffsetInFile(FFile, 0);
    const std::vector<uint8_t> original = ReadFileBytes(FFile);
    const int64_t size = int64_t(original.size());

    struct TCase {
        const char* What;
        void (*Damage)(TTableHeader&, int64_t FileSize);
    };
    const TCase cases[] = {
        {"record area beyond the end of the file",
         [](TTableHeader& h, int64_t s) {
             h.BaseDataOfs = int32_t(s - kPhySize);
             h.BaseUseSpace = 2;
         }},
        {"huge base count", [](TTableHeader& h, int64_t) { h.BaseDataOfs = 4796, h.BaseUseSpace = 0x7FFFFFFF; }},
        {"negative base count", [](TTableHeader& h, int64_t) { h.BaseUseSpace = -1; }},
        {"base area inside the fixed part", [](TTableHeader& h, int64_t) { h.BaseDataOfs = 10, h.BaseUseSpace = 1; }},
        {"alive area reaching past the end", [](TTableHeader& h, int64_t) { h.AliveCapacity = 1000; }},
        {"more used than the capacity", [](TTableHeader& h, int64_t) { h.AliveUseSpace = 5; }},
        {"alive offset zero", [](TTableHeader& h, int64_t) { h.AliveDataOfs = 0; }},
        {"nine indexes", [](TTableHeader& h, int64_t) { h.IndexCount = 9; }},
        {"negative index count", [](TTableHeader& h, int64_t) { h.IndexCount = -1; }},
        {"negative record size", [](TTableHeader& h, int64_t) { h.RecordSize = -30; }},
        {"negative blob count", [](TTableHeader& h, int64_t) { h.BlobCount = -1; }},
        {"record larger than any file", [](TTableHeader& h, int64_t) { h.RecordSize = 0x7FFFFFF0; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        WriteFileBytes(FFile, original);
        TTableHeader bad = good;
        c.Damage(bad, size);
        PatchFile(FFile, at, bad);
        ASSERT_TRUE(FDb.Open(FFile, "")) << "the catalogue itself is sound";
        EXPECT_RAISES(FTable.Open("T", false), ENorkFileCorrupt, "Database file is corrupt");
        EXPECT_FALSE(FTable.Active());
    }

    WriteFileBytes(FFile, original);
    Reopen();
    EXPECT_EQ(FTable.RecordCount(), 2) << "the undamaged file still opens";
}

TEST_F(Table, InterruptedAppendsNeverLeaveAnEmptyUsedSlot)
{
    // A child appends enciphered records and reports each completed append through a pipe; it
    // is killed at a random moment. Whatever the moment, every slot the header counts holds a
    // record, and every reported record is there and intact.
    FPassword = "kill";
    FFile = MakeDatabase("kill.zmb", {"T"}, kRecSize, 2, FPassword);
    std::mt19937 random(12345);
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(done[0]);
            try {
                TNorkDatabase db;
                if (!db.Open(FFile, FPassword))
                    _exit(2);
                TNorkTable table(&db);
                table.Open("T", false);
                // Inside a bracket no flush separates the appends, so a kill lands among the writes.
                table.BeginUpdate();
                for (uint8_t seed = 0;; ++seed) {
                    const auto rec = Record(kRecSize, seed);
                    const int32_t id = table.AppendRecord(rec.data(), kRecSize, 0);
                    const int32_t report[2] = {id, seed};
                    if (write(done[1], report, sizeof(report)) != sizeof(report))
                        _exit(3);
                }
            } catch (...) {
                _exit(4);
            }
        }
        close(done[1]);
        usleep(static_cast<useconds_t>(1000 + random() % 8000));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself with " << WEXITSTATUS(status);
        std::vector<std::pair<int32_t, int32_t>> reported;
        int32_t report[2];
        while (read(done[0], report, sizeof(report)) == sizeof(report))
            reported.emplace_back(report[0], report[1]);
        close(done[0]);

        const TTableHeader h = HeaderInFile(FFile, 0);
        const std::vector<uint8_t> bytes = ReadFileBytes(FFile);
        for (int32_t s = 0; s < h.AliveUseSpace; ++s) {
            const auto prefix = StructAt<TPhyRecPrefix>(bytes, h.AliveDataOfs + int64_t(s) * kPhySize);
            ASSERT_EQ(int32_t(prefix.Signature), kPhyRecSignature) << "slot " << s << " of " << h.AliveUseSpace;
            ASSERT_GE(int32_t(prefix.SysRecordID), 1);
        }
        Reopen();
        EXPECT_EQ(FTable.RecordCount(), int32_t(h.AliveUseSpace));
        for (const auto& [id, seed] : reported)
            ASSERT_EQ(Read(id), Record(kRecSize, uint8_t(seed))) << "reported id " << id;
        FTable.Close();
        FDb.Close();
    }
}

} // namespace
