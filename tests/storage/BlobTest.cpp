// Blobs: the 64-byte capacity rule, growth in place and at the end of the file, the stored
// format, the text forms, and descriptors that a damaged file makes untrustworthy.
#include "StorageTestUtil.h"

#include "dataproc/AnsiText.h"
#include "dataproc/NorkAlgoMgr.h"
#include "dataproc/NorkZLib.h"

#include <sys/resource.h>

namespace {

constexpr int kRecSize = 8;

void Fill(TMemoryStream& S, const std::vector<uint8_t>& Bytes)
{
    S.Clear();
    S.Write(Bytes.data(), int64_t(Bytes.size()));
}

std::vector<uint8_t> BytesOf(const TMemoryStream& S)
{
    return std::vector<uint8_t>(S.Memory(), S.Memory() + S.Size());
}

class Blob : public TStorageTest {
protected:
    // A table "T" with two blobs per record and records 1 and 2.
    void MakeTable(bool Compress = false, const std::string& Password = std::string())
    {
        FFile = FTemp.File("blob.zmb");
        TNorkDatabase maker;
        ASSERT_TRUE(maker.CreateDatabase(FFile, Compress, "Zlib", !Password.empty(), "Blowfish", Password));
        ASSERT_TRUE(FDb.Open(FFile, Password));
        ASSERT_TRUE(FDb.CreateTable("T", kRecSize, 2, 4));
        FTable.Open("T", false);
        const auto rec = Record(kRecSize, 1);
        FTable.AppendRecord(rec.data(), kRecSize, 0);
        FTable.AppendRecord(rec.data(), kRecSize, 0);
    }
    TBlobInfo InfoInFile(int32_t Id, int BlobIndex)
    {
        return StructAt<TBlobInfo>(ReadFileBytes(FFile), FTable.GetRecordOffset(Id) + 6 + 20 * BlobIndex);
    }
    int32_t Write(int32_t Id, int BlobIndex, const std::vector<uint8_t>& Bytes)
    {
        TMemoryStream s;
        Fill(s, Bytes);
        return FTable.WriteBlob(Id, BlobIndex, s);
    }
    std::vector<uint8_t> Read(int32_t Id, int BlobIndex, int32_t* Stored = nullptr)
    {
        TMemoryStream s;
        Fill(s, {9, 9, 9}); // replaced, not appended to
        const int32_t stored = FTable.ReadBlob(Id, BlobIndex, s);
        if (Stored != nullptr)
            *Stored = stored;
        return BytesOf(s);
    }

    std::string FFile;
    TNorkDatabase FDb;
    TNorkTable FTable{&FDb};
};

TEST_F(Blob, NeverWrittenBlobReadsEmpty)
{
    MakeTable();
    int32_t stored = -1;
    EXPECT_EQ(Read(1, 1, &stored), std::vector<uint8_t>{});
    EXPECT_EQ(stored, 0);
    // An empty blob in a plain file stores no bytes and reserves no block.
    const int64_t size = int64_t(ReadFileBytes(FFile).size());
    EXPECT_EQ(Write(1, 0, {}), 0);
    const TBlobInfo info = InfoInFile(1, 0);
    EXPECT_EQ(int32_t(info.DataOfs), 0);
    EXPECT_EQ(int32_t(info.Capacity), 0);
    EXPECT_EQ(int64_t(ReadFileBytes(FFile).size()), size);
    EXPECT_EQ(Read(1, 0, &stored), std::vector<uint8_t>{});
    EXPECT_EQ(stored, 0);
}

TEST_F(Blob, CapacityGrowsInStepsOf64InPlaceAtTheEndOfTheFile)
{
    MakeTable();
    const int64_t end = int64_t(ReadFileBytes(FFile).size());
    const auto b100 = Record(100, 3);
    EXPECT_EQ(Write(1, 0, b100), 100);
    TBlobInfo info = InfoInFile(1, 0);
    EXPECT_EQ(int32_t(info.DataOfs), end) << "a new block at the end of the file";
    EXPECT_EQ(int32_t(info.DataSize), 100);
    EXPECT_EQ(int32_t(info.StoredSize), 100);
    EXPECT_EQ(int32_t(info.Capacity), 128);

    EXPECT_EQ(Write(1, 0, Record(128, 4)), 128);
    info = InfoInFile(1, 0);
    EXPECT_EQ(int32_t(info.DataOfs), end) << "128 bytes fit the block";
    EXPECT_EQ(int32_t(info.Capacity), 128);

    EXPECT_EQ(Write(1, 0, Record(129, 5)), 129);
    info = InfoInFile(1, 0);
    EXPECT_EQ(int32_t(info.DataOfs), end) << "the last block of the file grows where it is";
    EXPECT_EQ(int32_t(info.Capacity), 192);
    EXPECT_EQ(int64_t(ReadFileBytes(FFile).size()), end + 192);
    EXPECT_EQ(Read(1, 0), Record(129, 5));

    // Once something follows it, a block that must grow moves to the end.
    EXPECT_EQ(Write(2, 1, Record(64, 6)), 64);
    EXPECT_EQ(int32_t(InfoInFile(2, 1).Capacity), 128) << "64 bytes take 128";
    const int64_t before = int64_t(ReadFileBytes(FFile).size());
    EXPECT_EQ(Write(1, 0, Record(200, 7)), 200);
    info = InfoInFile(1, 0);
    EXPECT_EQ(int32_t(info.DataOfs), before);
    EXPECT_EQ(int32_t(info.Capacity), 256);
    EXPECT_EQ(Read(1, 0), Record(200, 7));
    EXPECT_EQ(Read(2, 1), Record(64, 6));

    // A shorter blob keeps the block and leaves zeros after its bytes.
    EXPECT_EQ(Write(1, 0, Record(10, 8)), 10);
    info = InfoInFile(1, 0);
    EXPECT_EQ(int32_t(info.DataOfs), before);
    EXPECT_EQ(int32_t(info.Capacity), 256);
    const std::vector<uint8_t> bytes = ReadFileBytes(FFile);
    const auto block = bytes.begin() + info.DataOfs;
    EXPECT_TRUE(std::equal(block, block + 10, Record(10, 8).begin()));
    EXPECT_TRUE(std::all_of(block + 10, block + 256, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(Read(1, 0), Record(10, 8));
}

TEST_F(Blob, TheWholeStreamIsStoredWhateverItsPosition)
{
    MakeTable();
    TMemoryStream s;
        Fill(s, Record(70, 2)); // positioned at its end
    EXPECT_EQ(FTable.WriteBlob(2, 1, s), 70);
    EXPECT_EQ(Read(2, 1), Record(70, 2));
}

TEST_F(Blob, StoredBytesAreCompressedThenEnciphered)
{
    MakeTable(true, "blob pw");
    std::vector<uint8_t> plain(5000);
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = uint8_t("password box "[i % 13]);
    const int32_t stored = Write(2, 0, plain);
    const TBlobInfo info = InfoInFile(2, 0);
    EXPECT_EQ(int32_t(info.DataSize), 5000);
    EXPECT_EQ(int32_t(info.StoredSize), stored);
    EXPECT_LT(stored, 500) << "repetitive text compresses";

    // Decipher, then decompress, the bytes in the file by hand.
    const std::vector<uint8_t> bytes = ReadFileBytes(FFile);
    std::vector<uint8_t> block(bytes.begin() + info.DataOfs, bytes.begin() + info.DataOfs + stored);
    TEncryptMgr mgr;
    mgr.SetAlgoName("Blowfish");
    mgr.SetMode(emCTS);
    mgr.InitKey("blob pw");
    mgr.DecodeBuffer(block.data(), block.data(), int(block.size()));
    TMemoryStream out;
    ZDecompressBuf(block.data(), int(block.size()), out);
    EXPECT_EQ(BytesOf(out), plain);

    FTable.Close();
    ASSERT_TRUE(FDb.Open(FFile, "blob pw"));
    FTable.Open("T", false);
    EXPECT_EQ(Read(2, 0), plain);
}

TEST_F(Blob, TextRoundTripsThroughCodePage936)
{
    MakeTable(true);
    const std::string text = "网银密码：abc 123\n第二行";
    EXPECT_GT(FTable.WriteBlob(1, 0, text), 0);
    std::string back = "old";
    FTable.ReadBlob(1, 0, back);
    EXPECT_EQ(back, text);

    // Stored as 936 bytes without a terminating zero.
    TMemoryStream raw;
    FTable.ReadBlob(1, 0, raw);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.Memory()), std::size_t(raw.Size())), Utf8ToAnsi(text));

    FTable.WriteBlob(1, 0, std::string());
    FTable.ReadBlob(1, 0, back);
    EXPECT_EQ(back, "");
}

TEST_F(Blob, IndexAndIdAreCheckedBeforeTheFileIsTouched)
{
    MakeTable();
    const std::vector<uint8_t> before = ReadFileBytes(FFile);
    TMemoryStream s;
        Fill(s, {1, 2, 3});
    const std::string outOfBounds = "Blob index out of bounds";
    EXPECT_RAISES(FTable.WriteBlob(1, 2, s), ENorkError, outOfBounds);
    EXPECT_RAISES(FTable.WriteBlob(1, -1, s), ENorkError, outOfBounds);
    EXPECT_RAISES(FTable.ReadBlob(1, 2, s), ENorkError, outOfBounds);
    EXPECT_RAISES(FTable.ReadBlob(99, 2, s), ENorkError, outOfBounds); // the index is checked first
    EXPECT_RAISES(FTable.WriteBlob(99, 0, s), ENorkError, "Record id '99' not found");
    FTable.DeleteRecord(2);
    EXPECT_RAISES(FTable.ReadBlob(2, 0, s), ENorkError, "Record id '2' not found");
    EXPECT_EQ(BytesOf(s), (std::vector<uint8_t>{1, 2, 3}));

    ASSERT_TRUE(FDb.CreateTable("NoBlobs", kRecSize, 0, 1));
    TNorkTable noBlobs(&FDb);
    noBlobs.Open("NoBlobs", false);
    const auto rec = Record(kRecSize, 1);
    noBlobs.AppendRecord(rec.data(), kRecSize, 0);
    EXPECT_RAISES(noBlobs.WriteBlob(1, 0, s), ENorkError, outOfBounds);
    noBlobs.Close();
    FTable.Close();
    EXPECT_RAISES(FTable.ReadBlob(1, 0, s), ENorkError, "Cannot perform this operation on a closed table");
}

TEST_F(Blob, DamagedDescriptorsAreRefused)
{
    MakeTable();
    Write(1, 0, Record(100, 1));
    Write(2, 0, Record(40, 2));
    const int64_t at = FTable.GetRecordOffset(1) + 6;
    const TBlobInfo good = InfoInFile(1, 0);
    FTable.Close();
    FDb.Close();
    const std::vector<uint8_t> original = ReadFileBytes(FFile);
    const int32_t size = int32_t(original.size());

    struct TCase {
        const char* What;
        TBlobInfo Info;
    };
    const TCase cases[] = {
        {"block past the end of the file", {size - 64, 100, 100, 128, 0}},
        {"offset near the 32-bit limit", {0x7FFFFFF0, 100, 100, 128, 0}},
        {"block inside the fixed part", {2000, 100, 100, 128, 0}},
        {"stored size above the capacity", {good.DataOfs, 100, 129, 128, 0}},
        {"negative stored size", {good.DataOfs, 100, -1, 128, 0}},
        {"negative capacity", {good.DataOfs, 0, 0, -64, 0}},
        {"capacity not a multiple of 64", {good.DataOfs, 100, 100, 100, 0}},
        {"bytes without a block", {0, 100, 100, 128, 0}},
        {"capacity without a block", {0, 0, 0, 64, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        WriteFileBytes(FFile, original);
        PatchFile(FFile, at, c.Info);
        const std::vector<uint8_t> damaged = ReadFileBytes(FFile);
        ASSERT_TRUE(FDb.Open(FFile, ""));
        FTable.Open("T", false);
        TMemoryStream s;
        Fill(s, {5});
        EXPECT_RAISES(FTable.ReadBlob(1, 0, s), ENorkFileCorrupt, "Database file is corrupt");
        EXPECT_RAISES(FTable.WriteBlob(1, 0, s), ENorkFileCorrupt, "Database file is corrupt");
        EXPECT_EQ(ReadFileBytes(FFile), damaged) << "nothing was written";
        EXPECT_EQ(Read(2, 0), Record(40, 2)) << "other blobs still read";
        FTable.Close();
        FDb.Close();
    }
}

// The descriptor's plain size bounds what a compressed blob may inflate to: a blob that inflates
// to any other size is damaged, and a claim of gigabytes is refused before anything is allocated.
TEST_F(Blob, CompressedBlobMustInflateToItsRecordedSize)
{
    MakeTable(true, "size pw");
    const std::vector<uint8_t> plain = Record(3000, 7);
    Write(1, 0, plain);
    Write(2, 0, Record(40, 2));
    const int64_t at = FTable.GetRecordOffset(1) + 6;
    const TBlobInfo good = InfoInFile(1, 0);
    FTable.Close();
    FDb.Close();
    const std::vector<uint8_t> original = ReadFileBytes(FFile);

    const int32_t claims[] = {0x7FFFFFFF, 3001, 2999, 0};
    for (const int32_t claim : claims) {
        SCOPED_TRACE(claim);
        WriteFileBytes(FFile, original);
        TBlobInfo info = good;
        info.DataSize = claim;
        PatchFile(FFile, at, info);
        ASSERT_TRUE(FDb.Open(FFile, "size pw"));
        FTable.Open("T", false);
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        TMemoryStream s;
        Fill(s, {5});
        EXPECT_RAISES(FTable.ReadBlob(1, 0, s), Exception, "Decompression error: data error");
        EXPECT_EQ(s.Size(), 0);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes of peak memory the read took";
        EXPECT_EQ(Read(2, 0), Record(40, 2)) << "other blobs still read";
        FTable.Close();
        FDb.Close();
    }
    WriteFileBytes(FFile, original);
    ASSERT_TRUE(FDb.Open(FFile, "size pw"));
    FTable.Open("T", false);
    EXPECT_EQ(Read(1, 0), plain);
}

TEST_F(Blob, WritingABlobAfterTheRecordAreaMovesTheAreaOnTheNextGrowth)
{
    MakeTable(); // capacity 4, records 1 and 2
    Write(1, 0, Record(30, 1));
    const auto rec = Record(kRecSize, 3);
    FTable.AppendRecord(rec.data(), kRecSize, 0);
    FTable.AppendRecord(rec.data(), kRecSize, 0);
    const int64_t area = HeaderInFile(FFile, 0).AliveDataOfs;
    const int64_t size = int64_t(ReadFileBytes(FFile).size());
    FTable.AppendRecord(rec.data(), kRecSize, 0); // the fifth: the area is full and a blob follows it
    const TTableHeader h = HeaderInFile(FFile, 0);
    EXPECT_NE(int64_t(h.AliveDataOfs), area);
    EXPECT_EQ(int64_t(h.AliveDataOfs), size);
    EXPECT_EQ(int32_t(h.AliveCapacity), 8);
    EXPECT_EQ(Read(1, 0), Record(30, 1)) << "the descriptor moved with its record";
}

} // namespace
