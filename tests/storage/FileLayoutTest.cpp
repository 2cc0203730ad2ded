// The container file byte for byte: fixed blocks at their offsets, double copies, the key-data
// cipher, the version check and the stream under the file layer.
#include "StorageTestUtil.h"

#include "dataproc/NorkAlgoMgr.h"

#include <numeric>

namespace {

// Deciphers (or enciphers) a buffer with Blowfish in emCTS mode under Key, independently of
// the file layer.
void BlowfishCTS(void* Buffer, int Size, const std::string& Key, bool Encode)
{
    TEncryptMgr mgr;
    mgr.SetAlgoName("Blowfish");
    mgr.SetMode(emCTS);
    mgr.InitKey(Key);
    if (Encode)
        mgr.EncodeBuffer(Buffer, Buffer, Size);
    else
        mgr.DecodeBuffer(Buffer, Buffer, Size);
}

bool AllZero(const std::vector<uint8_t>& Bytes, int64_t From, int64_t Count)
{
    return std::all_of(Bytes.begin() + From, Bytes.begin() + From + Count, [](uint8_t b) { return b == 0; });
}

using FileLayout = TStorageTest;

TEST_F(FileLayout, NewFileIsExactlyTheFixedPart)
{
    const std::string file = FTemp.File("new.zmb");
    TNorkDatabase db;
    ASSERT_TRUE(db.CreateDatabase(file, true, "Zlib", false, "Blowfish", "abc"));
    const std::vector<uint8_t> bytes = ReadFileBytes(file);

    ASSERT_EQ(bytes.size(), 4796u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10),
              (std::vector<uint8_t>{0x4E, 0x4F, 0x52, 0x4B, 0x00, 0x31, 0x2E, 0x30, 0x00, 0x00}));
    EXPECT_TRUE(AllZero(bytes, kExtDataOfs, 2048));
    EXPECT_TRUE(AllZero(bytes, kCommentsOfs, 257)) << "an unencrypted file keeps its comments plain";

    const auto options = StructAt<TDBOptions>(bytes, kDBOptionsOfs);
    EXPECT_EQ(int32_t(options.CompressBlob), 1);
    EXPECT_STREQ(options.CompressAlgoName, "Zlib");
    EXPECT_EQ(int32_t(options.Encrypt), 0);
    EXPECT_STREQ(options.EncryptAlgoName, "Blowfish") << "names are stored even when their flag is off";
    EXPECT_EQ(int32_t(options.Reserved1), 0);
    EXPECT_EQ(int32_t(options.Reserved2), 0);

    // The key data is always enciphered, under the empty key; the digest is kept even for an
    // unencrypted file. SHA-0("abc") = 0164B8A9...F1EDF880 (FIPS 180), in base64.
    auto keyData = StructAt<TDBKeyData>(bytes, kDBKeyDataOfs);
    BlowfishCTS(&keyData, sizeof(keyData), "", false);
    EXPECT_EQ(int32_t(keyData.UseQuestion), 0);
    EXPECT_STREQ(keyData.HashPassword, "AWS4qRTNKl50xPf/CCxNl/Ht+IA=");
    std::vector<uint8_t> rest(reinterpret_cast<uint8_t*>(&keyData.OrgPassword),
                              reinterpret_cast<uint8_t*>(&keyData) + sizeof(keyData));
    EXPECT_TRUE(AllZero(rest, 0, int64_t(rest.size())));

    EXPECT_TRUE(AllZero(bytes, kTableTabOfs, 2 * 1032)) << "two empty catalogues, TableCount 0";
}

TEST_F(FileLayout, EncryptedNewFileEnciphersItsComments)
{
    const std::string file = FTemp.File("enc.zmb");
    TNorkDatabase db;
    ASSERT_TRUE(db.CreateDatabase(file, false, "", true, "Blowfish", "pass word"));
    const std::vector<uint8_t> bytes = ReadFileBytes(file);
    ASSERT_EQ(bytes.size(), 4796u);
    EXPECT_FALSE(AllZero(bytes, kCommentsOfs, 257));
    auto comments = StructAt<TCommentsBlock>(bytes, kCommentsOfs);
    BlowfishCTS(&comments, sizeof(comments), "pass word", false);
    std::vector<uint8_t> plain(reinterpret_cast<uint8_t*>(&comments), reinterpret_cast<uint8_t*>(&comments) + 257);
    EXPECT_TRUE(AllZero(plain, 0, 257));
}

TEST_F(FileLayout, TablesGetHeadersInPairsAfterTheFixedPart)
{
    const std::string file = MakeDatabase("tables.zmb");
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(file, ""));
    ASSERT_TRUE(db.CreateTable("Folder", 20, 1, 0));
    std::vector<uint8_t> bytes = ReadFileBytes(file);
    ASSERT_EQ(bytes.size(), 6246u);

    const auto tab = StructAt<TTableTab>(bytes, kTableTabOfs);
    EXPECT_EQ(int32_t(tab.TableCount), 1);
    EXPECT_EQ(int32_t(tab.TableHeaderOffset[0]), 4796);
    EXPECT_TRUE(std::equal(bytes.begin() + kTableTabOfs, bytes.begin() + kTableTabCopyOfs,
                           bytes.begin() + kTableTabCopyOfs));

    const auto header = StructAt<TTableHeader>(bytes, 4796);
    EXPECT_STREQ(header.TableName, "Folder");
    EXPECT_EQ(int32_t(header.RecordSize), 20);
    EXPECT_EQ(int32_t(header.BlobCount), 1);
    EXPECT_EQ(int32_t(header.InitAliveCapa), 1) << "a capacity below 1 becomes 1";
    EXPECT_EQ(int32_t(header.BaseDataOfs), 0);
    EXPECT_EQ(int32_t(header.AliveDataOfs), 0);
    EXPECT_EQ(int32_t(header.AliveCapacity), 0);
    EXPECT_EQ(int32_t(header.IndexCount), 0);
    EXPECT_TRUE(std::equal(bytes.begin() + 4796, bytes.begin() + 4796 + 725, bytes.begin() + 4796 + 725));

    // A second table: its header pair follows; every later header write keeps the copies equal.
    ASSERT_TRUE(db.CreateTable("Attach", 8, 0, 16));
    TNorkTable table(&db);
    table.Open("Folder", false);
    const auto rec = Record(20, 1);
    table.AppendRecord(rec.data(), 20, 0);
    bytes = ReadFileBytes(file);
    const auto tab2 = StructAt<TTableTab>(bytes, kTableTabOfs);
    EXPECT_EQ(int32_t(tab2.TableCount), 2);
    EXPECT_EQ(int32_t(tab2.TableHeaderOffset[1]), 6246);
    EXPECT_TRUE(std::equal(bytes.begin() + kTableTabOfs, bytes.begin() + kTableTabCopyOfs,
                           bytes.begin() + kTableTabCopyOfs));
    EXPECT_TRUE(std::equal(bytes.begin() + 4796, bytes.begin() + 4796 + 725, bytes.begin() + 4796 + 725));
    EXPECT_EQ(int32_t(StructAt<TTableHeader>(bytes, 4796).AliveUseSpace), 1);
}

TEST_F(FileLayout, KeyDataIsWrittenEncipheredAndReadsBack)
{
    const std::string file = MakeDatabase("key.zmb");
    TDBKeyData plain{};
    plain.UseQuestion = 1;
    std::strcpy(plain.HashPassword, "digest text");
    std::strcpy(plain.OrgPassword, "the password");
    std::strcpy(plain.PwdQuestion, "question");
    std::strcpy(plain.PwdAnswer, "answer");
    const TDBKeyData before = plain;

    TNorkFileIO io;
    io.Open(file, true, false, 0);
    io.WriteDBKeyData(plain);
    EXPECT_EQ(std::memcmp(&plain, &before, sizeof(plain)), 0) << "the caller's record stays plain";
    TDBKeyData read{};
    io.ReadDBKeyData(read);
    EXPECT_EQ(std::memcmp(&read, &before, sizeof(read)), 0);
    io.Close();

    auto onDisk = StructAt<TDBKeyData>(ReadFileBytes(file), kDBKeyDataOfs);
    EXPECT_NE(std::memcmp(&onDisk, &before, sizeof(onDisk)), 0);
    BlowfishCTS(&onDisk, sizeof(onDisk), "", false);
    EXPECT_EQ(std::memcmp(&onDisk, &before, sizeof(onDisk)), 0);
}

TEST_F(FileLayout, MagicAndVersionDecideWhetherAFileOpens)
{
    struct TCase {
        const char* Head; // 10 bytes: magic, version
        bool ValidFile;
        bool ValidVersion;
    };
    const TCase cases[] = {
        {"NORK\0" "1.0\0\0", true, true},  {"NORK\0" "0.9\0\0", true, true}, {"NORK\0" "\0\0\0\0\0", true, true},
        {"NORK\0" "1.1\0\0", true, false}, {"NORK\0" "10\0\0\0", true, false}, {"nork\0" "1.0\0\0", false, true},
    };
    const std::string model = MakeDatabase("model.zmb");
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Head, 4) + "/" + std::string(c.Head + 5));
        const std::string file = FTemp.File("head.zmb");
        std::vector<uint8_t> bytes = ReadFileBytes(model);
        std::memcpy(bytes.data(), c.Head, 10);
        WriteFileBytes(file, bytes);

        TNorkFileIO io;
        io.Open(file, true, true, 0);
        EXPECT_EQ(io.IsValidDBFile(), c.ValidFile);
        EXPECT_EQ(io.IsValidVersion(), c.ValidVersion);
        io.Close();

        TNorkDatabase db;
        if (!c.ValidFile)
            EXPECT_RAISES(db.Open(file, ""), ENorkError, "Database file '" + file + "' is a invalid NORK file");
        else if (!c.ValidVersion)
            EXPECT_RAISES(db.Open(file, ""), ENorkError, "Database file version is too High");
        else
            EXPECT_TRUE(db.Open(file, ""));
    }

    const std::string tiny = FTemp.File("tiny.zmb");
    WriteFileBytes(tiny, {'N', 'O', 'R', 'K'});
    TNorkFileIO io;
    io.Open(tiny, true, true, 0);
    EXPECT_FALSE(io.IsValidDBFile()) << "a file shorter than 10 bytes is not a NORK file";
}

TEST_F(FileLayout, StreamSeesTheDataThroughItsOffset)
{
    TNorkMemFileStream stream;
    stream.SetOffset(-5);
    EXPECT_EQ(stream.Offset(), 0);

    TMemoryStream data;
    std::vector<uint8_t> bytes(50);
    std::iota(bytes.begin(), bytes.end(), 0);
    data.Write(bytes.data(), 50);
    stream.SetOffset(3);
    ASSERT_TRUE(stream.Open(&data));
    EXPECT_EQ(stream.GetPosition(), 0);
    EXPECT_EQ(data.GetPosition(), 3);
    EXPECT_EQ(stream.GetSize(), 47);
    EXPECT_EQ(stream.Seek(10, soBeginning), 10);
    uint8_t b = 0;
    EXPECT_EQ(stream.Read(&b, 1), 1);
    EXPECT_EQ(b, 13);
    EXPECT_EQ(stream.Seek(-2, soCurrent), 9);
    EXPECT_EQ(stream.Seek(-1, soEnd), 46);
    EXPECT_EQ(stream.Read(&b, 1), 1);
    EXPECT_EQ(b, 49);
    EXPECT_EQ(stream.GetSize(), 47) << "asking the size does not move the position";
    EXPECT_EQ(stream.GetPosition(), 47);
    stream.SetOffset(5);
    EXPECT_EQ(stream.GetPosition(), 0) << "a new offset moves an open stream to its position 0";
    EXPECT_EQ(data.GetPosition(), 5);
    stream.Close();
    EXPECT_EQ(stream.Read(&b, 1), 0);
    EXPECT_EQ(stream.Write(&b, 1), 0);
    EXPECT_EQ(data.Size(), 50) << "closing forgets the caller's stream without touching it";
}

TEST_F(FileLayout, DatabaseInsideAFileAtAStartOffset)
{
    const std::string model = MakeDatabase("model.zmb");
    std::vector<uint8_t> bytes(100, 0x5C);
    const std::vector<uint8_t> image = ReadFileBytes(model);
    bytes.insert(bytes.end(), image.begin(), image.end());
    const std::string file = FTemp.File("embedded.bin");
    WriteFileBytes(file, bytes);

    TNorkDatabase db;
    db.SetStartOffset(100);
    ASSERT_TRUE(db.Open(file, ""));
    ASSERT_TRUE(db.CreateTable("T", 20, 1, 2));
    const std::vector<uint8_t> after = ReadFileBytes(file);
    ASSERT_EQ(after.size(), 100u + 6246u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 100, after.begin())) << "bytes before the offset stay";
    const auto tab = StructAt<TTableTab>(after, 100 + kTableTabOfs);
    EXPECT_EQ(int32_t(tab.TableCount), 1);
    EXPECT_EQ(int32_t(tab.TableHeaderOffset[0]), 4796) << "offsets in the file count from the start offset";

    TNorkTable table(&db);
    table.Open("T", false);
    const auto rec = Record(20, 9);
    table.AppendRecord(rec.data(), 20, 0);
    table.Close();
    table.Open("T", false);
    std::vector<uint8_t> out(20);
    ASSERT_TRUE(table.ReadRecord(1, out.data()));
    EXPECT_EQ(out, rec);
}

TEST_F(FileLayout, CopyBlockCopiesTheSourceAsItWasBefore)
{
    // Two sizes: one inside a single copy chunk, one spanning several, each in both directions.
    for (const int64_t size : {int64_t(30), int64_t(3) << 20}) {
        for (const bool forward : {true, false}) {
            SCOPED_TRACE(std::to_string(size) + (forward ? " towards higher offsets" : " towards lower offsets"));
            const int64_t shift = size / 3 + 7;
            std::vector<uint8_t> bytes(static_cast<std::size_t>(size + shift + 16));
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
            TMemoryStream data;
            data.Write(bytes.data(), int64_t(bytes.size()));

            const int64_t src = forward ? 8 : 8 + shift;
            const int64_t dst = forward ? 8 + shift : 8;
            std::vector<uint8_t> expected = bytes;
            std::memmove(expected.data() + dst, bytes.data() + src, static_cast<std::size_t>(size));

            TNorkFileIO io;
            io.Open(&data, true, false, 0);
            io.CopyBlock(src, dst, size);
            EXPECT_EQ(std::memcmp(data.Memory(), expected.data(), expected.size()), 0);
        }
    }
}

} // namespace
