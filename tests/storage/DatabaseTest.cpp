// The database object: passwords, invalid and damaged files, the table schema, free-use data,
// comments, the recovery question, settings, the update bracket and the codec services.
#include "StorageTestUtil.h"

#include "dataproc/FileSystem.h"
#include "dataproc/NorkAlgoMgr.h"
#include "dataproc/NorkZLib.h"

#include <unistd.h>

#include <cstdio>

namespace {

using Database = TStorageTest;

TEST_F(Database, PasswordDecidesOnlyForEncryptedFiles)
{
    const std::string plain = MakeDatabase("plain.zmb");
    const std::string secret = MakeDatabase("secret.zmb", {}, 20, 4, "right");

    TNorkDatabase db;
    EXPECT_TRUE(db.Open(plain, "anything"));
    EXPECT_TRUE(db.Active());
    EXPECT_FALSE(db.Encrypted());

    EXPECT_FALSE(db.Open(secret, "wrong")) << "a wrong password is no error";
    EXPECT_FALSE(db.Active());
    EXPECT_RAISES(db.CreateTable("T", 4, 0, 1), ENorkError, "Cannot perform this operation on a closed database");
    EXPECT_TRUE(db.Open(secret, "right"));
    EXPECT_TRUE(db.Active());
    EXPECT_TRUE(db.Encrypted());
    EXPECT_EQ(db.EncryptAlgoName(), "Blowfish");
    db.Close();
    EXPECT_FALSE(db.Active());
}

TEST_F(Database, InvalidAndDamagedFilesAreReported)
{
    const std::string model = MakeDatabase("model.zmb", {"A", "B"});
    const std::vector<uint8_t> good = ReadFileBytes(model);

    TMemoryStream junk;
    junk.Write("not a database at all", 21);
    TNorkDatabase db;
    char address[32];
    std::snprintf(address, sizeof(address), "%p", static_cast<void*>(&junk));
    EXPECT_RAISES(db.Open(&junk, ""), ENorkError, std::string("Database file '") + address + "' is a invalid NORK file");

    // Each damage makes the open fail with the corruption message, never a crash or a read
    // outside the file.
    struct TCase {
        const char* What;
        int64_t Offset;
        int32_t Value;
        int64_t Truncate; // 0 = keep the length
    };
    const TCase cases[] = {
        {"TableCount above 256", kTableTabOfs, 257, 0},
        {"TableCount negative", kTableTabOfs, -1, 0},
        {"header offset beyond the end", kTableTabOfs + 8, 1 << 20, 0},
        {"header offset inside the fixed part", kTableTabOfs + 8, 100, 0},
        {"last header cut off", 0, 0x4B524F4E, 6246 + 700},
        {"fixed part cut off", 0, 0x4B524F4E, 4000},
    };
    // An algorithm the file names but nobody registered: the registry's error passes on.
    {
        std::vector<uint8_t> bytes = good;
        auto options = StructAt<TDBOptions>(bytes, kDBOptionsOfs);
        options.Encrypt = 1;
        std::strcpy(options.EncryptAlgoName, "Twofish");
        std::memcpy(bytes.data() + kDBOptionsOfs, &options, sizeof(options));
        const std::string file = FTemp.File("unknown-cipher.zmb");
        WriteFileBytes(file, bytes);
        EXPECT_RAISES(db.Open(file, ""), Exception, "Encryption algorithm module 'Twofish' not found");
        EXPECT_FALSE(db.Active());
    }

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<uint8_t> bytes = good;
        std::memcpy(bytes.data() + c.Offset, &c.Value, 4);
        if (c.Truncate > 0)
            bytes.resize(static_cast<std::size_t>(c.Truncate));
        const std::string file = FTemp.File("damaged.zmb");
        WriteFileBytes(file, bytes);
        EXPECT_RAISES(db.Open(file, ""), ENorkFileCorrupt, "Database file is corrupt");
        EXPECT_FALSE(db.Active());
        EXPECT_TRUE(db.TableNames().empty());
    }
}

TEST_F(Database, TableNamesFollowTheNameRule)
{
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(MakeDatabase("names.zmb", {"Folder", "Entry"}), ""));

    EXPECT_RAISES(db.CreateTable("FOLDER", 4, 0, 1), ENorkError, "Duplicate table name 'FOLDER'");
    EXPECT_RAISES(db.CreateTable("Bad\tName", 4, 0, 1), ENorkError, "Invalid table name 'Bad\tName'");
    EXPECT_RAISES(db.CreateTable("", 4, 0, 1), ENorkError, "Invalid table name ''");
    EXPECT_TRUE(db.TableExists("folder"));
    EXPECT_FALSE(db.TableExists("Folders"));

    EXPECT_TRUE(db.RenameTable("Folder", "FOLDER")) << "a change of case only is allowed";
    EXPECT_EQ(db.TableNames(), (std::vector<std::string>{"FOLDER", "Entry"}));
    EXPECT_RAISES(db.RenameTable("Folder", "entry"), ENorkError, "Duplicate table name 'entry'");
    EXPECT_RAISES(db.RenameTable("Nothing", "Other"), ENorkError, "Table 'Nothing' not found");
    EXPECT_RAISES(db.RenameTable("Nothing", ""), ENorkError, "Invalid table name ''");
    EXPECT_RAISES(db.DeleteTable("Nothing"), ENorkError, "Table 'Nothing' not found");

    // Names longer than 32 bytes are kept and compared in their stored, shortened form, in
    // this session and after reopening alike.
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    ASSERT_TRUE(db.CreateTable(longName, 4, 0, 1));
    EXPECT_EQ(db.TableNames().back(), longName.substr(0, 32));
    EXPECT_RAISES(db.CreateTable(longName.substr(0, 32) + "xyz", 4, 0, 1), ENorkError,
                  "Duplicate table name '" + longName.substr(0, 32) + "xyz'");
    ASSERT_TRUE(db.Open(db.FileName(), ""));
    TNorkTable table(&db);
    table.Open(longName, false);
    EXPECT_TRUE(table.Active());

    // Chinese names are stored in code page 936 and compared as text.
    ASSERT_TRUE(db.CreateTable("文件夹", 4, 0, 1));
    ASSERT_TRUE(db.Open(db.FileName(), ""));
    EXPECT_TRUE(db.TableExists("文件夹"));
    EXPECT_STREQ(HeaderInFile(db.FileName(), 3).TableName, "\xCE\xC4\xBC\xFE\xBC\xD0");
}

TEST_F(Database, TheTwoHundredFiftySeventhTableIsRefused)
{
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(MakeDatabase("many.zmb"), ""));
    db.BeginUpdate(); // one handle, one flush for the lot
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(db.CreateTable("T" + std::to_string(i), 4, 0, 1));
    EXPECT_RAISES(db.CreateTable("T256", 4, 0, 1), ENorkError, "Too many tables");
    db.EndUpdate();
    ASSERT_TRUE(db.Open(db.FileName(), ""));
    EXPECT_EQ(db.TableNames().size(), 256u);
    EXPECT_EQ(db.TableNames().back(), "T255");
}

TEST_F(Database, DeletingATableShiftsTheCatalogue)
{
    const std::string file = MakeDatabase("delete.zmb", {"A", "B", "C"});
    const std::vector<uint8_t> before = ReadFileBytes(file);
    const auto oldTab = StructAt<TTableTab>(before, kTableTabOfs);

    TNorkDatabase db;
    ASSERT_TRUE(db.Open(file, ""));
    TNorkTable table(&db);
    table.Open("B", false);
    ASSERT_TRUE(db.DeleteTable("a"));
    EXPECT_FALSE(table.Active()) << "deleting a table closes the table objects";
    EXPECT_EQ(db.TableNames(), (std::vector<std::string>{"B", "C"}));

    const std::vector<uint8_t> after = ReadFileBytes(file);
    EXPECT_EQ(after.size(), before.size()) << "the file does not shrink";
    const auto tab = StructAt<TTableTab>(after, kTableTabOfs);
    EXPECT_EQ(int32_t(tab.TableCount), 2);
    EXPECT_EQ(int32_t(tab.TableHeaderOffset[0]), int32_t(oldTab.TableHeaderOffset[1]));
    EXPECT_EQ(int32_t(tab.TableHeaderOffset[1]), int32_t(oldTab.TableHeaderOffset[2]));
    EXPECT_EQ(int32_t(tab.TableHeaderOffset[2]), int32_t(oldTab.TableHeaderOffset[2])) << "the last old entry stays behind";
    EXPECT_TRUE(std::equal(after.begin() + kTableTabOfs, after.begin() + kTableTabCopyOfs,
                           after.begin() + kTableTabCopyOfs));
    table.Open("C", false);
    EXPECT_EQ(table.TableIndex(), 1);
}

TEST_F(Database, ExtDataIsAFixedBlockReadableWithoutOpening)
{
    const std::string file = MakeDatabase("ext.zmb");
    TNorkDatabase db;
    const char ident[12] = {'Z', 'e', 'm', 'b', 'r', 'i', 'x', 0, '1', '.', '0', 0};
    db.SetFileName(file); // never opened: the application validates files this way
    std::vector<uint8_t> full(2048, 0xEE);
    db.SetExtData(full.data(), 2048);
    db.SetExtData(ident, sizeof(ident));
    const std::vector<uint8_t> bytes = ReadFileBytes(file);
    EXPECT_EQ(std::memcmp(bytes.data() + kExtDataOfs, ident, sizeof(ident)), 0);
    EXPECT_TRUE(std::all_of(bytes.begin() + kExtDataOfs + 12, bytes.begin() + kExtDataOfs + 2048,
                            [](uint8_t b) { return b == 0; }))
        << "the rest of the block is zero";

    char out[16];
    std::memset(out, 0x77, sizeof(out));
    db.GetExtData(out, 8);
    EXPECT_EQ(std::memcmp(out, ident, 8), 0);
    EXPECT_EQ(out[8], 0x77) << "only Size bytes are copied";
    db.GetExtData(out, 0);
    EXPECT_FALSE(db.Active());
}

TEST_F(Database, CommentsAreCutAndEncipheredWithThePassword)
{
    const std::string plain = MakeDatabase("plain.zmb");
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(plain, ""));
    db.SetComments(std::string(300, 'x'));
    EXPECT_EQ(db.GetComments(), std::string(256, 'x'));
    db.SetComments("备注");
    EXPECT_EQ(db.GetComments(), "备注");
    EXPECT_STREQ(StructAt<TCommentsBlock>(ReadFileBytes(plain), kCommentsOfs).Text, "\xB1\xB8\xD7\xA2");

    const std::string secret = MakeDatabase("secret.zmb", {}, 20, 4, "pw");
    ASSERT_TRUE(db.Open(secret, "pw"));
    db.SetComments("hidden note");
    EXPECT_EQ(db.GetComments(), "hidden note");
    auto block = StructAt<TCommentsBlock>(ReadFileBytes(secret), kCommentsOfs);
    EXPECT_NE(std::string(block.Text, 11), "hidden note");
    DecodeBlock(&block, sizeof(block), "Blowfish", "pw");
    EXPECT_STREQ(block.Text, "hidden note");
}

TEST_F(Database, RecoveryQuestionGivesThePasswordForTheExactAnswer)
{
    const std::string file = MakeDatabase("question.zmb", {}, 20, 4, "the password");
    {
        TNorkDatabase db;
        ASSERT_TRUE(db.Open(file, "the password"));
        db.SetPwdQuestion(true, "我的宠物?", "Rex", "the password");
    }
    TNorkDatabase db; // closed, as in the forgotten-password dialog
    db.SetFileName(file);
    std::string question, answer, password;
    ASSERT_TRUE(db.GetPwdQuestion(question));
    EXPECT_EQ(question, "我的宠物?");
    ASSERT_TRUE(db.GetPwdAnswer(answer));
    EXPECT_EQ(answer, "Rex");
    EXPECT_FALSE(db.GetPwdByAnswer("rex", password)) << "the answer is compared case-sensitively";
    EXPECT_EQ(password, "");
    ASSERT_TRUE(db.GetPwdByAnswer("Rex", password));
    EXPECT_EQ(password, "the password");

    ASSERT_TRUE(db.Open(file, "the password"));
    db.SetPwdQuestion(false, "ignored", "ignored", "ignored");
    EXPECT_FALSE(db.GetPwdQuestion(question));
    EXPECT_FALSE(db.GetPwdByAnswer("Rex", password));
    TDBKeyData keyData{};
    TNorkFileIO io;
    io.Open(file, false, true, 0);
    io.ReadDBKeyData(keyData);
    EXPECT_EQ(int32_t(keyData.UseQuestion), 0);
    EXPECT_STREQ(keyData.HashPassword, TNorkDatabase::HashString("the password").c_str());
    const auto* fields = reinterpret_cast<const uint8_t*>(keyData.OrgPassword);
    EXPECT_TRUE(std::all_of(fields, fields + 3 * 65, [](uint8_t b) { return b == 0; }));
}

TEST_F(Database, SettingsChangeOnlyWhileClosed)
{
    TNorkDatabase db;
    db.SetMaxCache(-3);
    EXPECT_EQ(db.MaxCache(), 0);
    db.SetStartOffset(-1);
    EXPECT_EQ(db.StartOffset(), 0);
    EXPECT_EQ(TNorkDatabase().MaxCache(), 5000);
    EXPECT_TRUE(TNorkDatabase().Exclusive());

    EXPECT_RAISES(db.BeginUpdate(), ENorkError, "Cannot perform this operation on a closed database");
    EXPECT_RAISES(db.GetComments(), ENorkError, "Cannot perform this operation on a closed database");
    EXPECT_RAISES(db.SetPwdQuestion(false, "", "", ""), ENorkError, "Cannot perform this operation on a closed database");

    ASSERT_TRUE(db.Open(MakeDatabase("settings.zmb"), ""));
    const std::string open = "Cannot perform this operation on an open database";
    EXPECT_RAISES(db.SetMaxCache(10), ENorkError, open);
    EXPECT_RAISES(db.SetFileName("x"), ENorkError, open);
    EXPECT_RAISES(db.SetReadOnly(true), ENorkError, open);
    EXPECT_RAISES(db.SetExclusive(false), ENorkError, open);
    EXPECT_RAISES(db.SetStartOffset(1), ENorkError, open);
}

TEST_F(Database, SchemaOperationInsideABracketKeepsTheHandleForLaterWrites)
{
    const std::string file = MakeDatabase("bracket.zmb", {"T"});
    {
        TNorkDatabase db;
        ASSERT_TRUE(db.Open(file, ""));
        TNorkTable table(&db);
        table.Open("T", false);
        const auto rec = Record(20, 3);
        db.BeginUpdate();
        table.AppendRecord(rec.data(), 20, 0);
        db.CreateTable("U", 4, 0, 1);
        db.SetComments("between");
        table.AppendRecord(rec.data(), 20, 0);
        db.EndUpdate();
    }
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(file, ""));
    TNorkTable table(&db);
    table.Open("T", false);
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_TRUE(db.TableExists("U"));
    EXPECT_EQ(db.GetComments(), "between");
}

TEST_F(Database, BlobCodecCompressesThenEnciphers)
{
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(MakeDatabase("codec.zmb", {}, 20, 4, "key"), "key"));
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "line " + std::to_string(i % 17) + " of a compressible attachment\n";

    for (const bool compress : {false, true}) {
        for (const bool encrypt : {false, true}) {
            SCOPED_TRACE(std::string(compress ? "compress " : "") + (encrypt ? "encrypt" : ""));
            TMemoryStream source, stored, back;
            source.Write(text.data(), int64_t(text.size()));
            db.EncodeBlobStream(&source, &stored, compress, encrypt);
            db.DecodeBlobStream(&stored, &back, compress, encrypt);
            ASSERT_EQ(back.Size(), int64_t(text.size()));
            EXPECT_EQ(std::memcmp(back.Memory(), text.data(), text.size()), 0);

            // Undo the stored form by hand, in the reverse order: decipher, then inflate.
            std::vector<uint8_t> bytes(stored.Memory(), stored.Memory() + stored.Size());
            if (encrypt) {
                TEncryptMgr mgr;
                mgr.SetAlgoName("Blowfish");
                mgr.SetMode(emCTS);
                mgr.InitKey("key");
                mgr.DecodeBuffer(bytes.data(), bytes.data(), int(bytes.size()));
            }
            TMemoryStream plain;
            if (compress)
                ZDecompressBuf(bytes.data(), int(bytes.size()), plain);
            else
                plain.Write(bytes.data(), int64_t(bytes.size()));
            ASSERT_EQ(plain.Size(), int64_t(text.size()));
            EXPECT_EQ(std::memcmp(plain.Memory(), text.data(), text.size()), 0);
            if (compress) {
                EXPECT_LT(stored.Size(), int64_t(text.size()));
            }
        }
    }

    TMemoryStream inPlace;
    inPlace.Write(text.data(), int64_t(text.size()));
    db.EncodeBlobStream(&inPlace, &inPlace, true, true);
    db.DecodeBlobStream(&inPlace, &inPlace, true, true);
    ASSERT_EQ(inPlace.Size(), int64_t(text.size()));
    EXPECT_EQ(std::memcmp(inPlace.Memory(), text.data(), text.size()), 0);
}

TEST_F(Database, DamagedStoredBlobBytesRaiseTheAlgorithmsError)
{
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(MakeDatabase("damaged-blob.zmb"), ""));
    struct TCase {
        std::vector<uint8_t> Stored;
        const char* Message;
    };
    const TCase cases[] = {
        {{0x78, 0x9C, 0xFF, 0xFF, 0xFF}, "Decompression error: data error"},
        // A zlib header asking for a preset dictionary used to make the decoder grow its
        // output without end.
        {{0x78, 0xBB, 0x00, 0x00, 0x00, 0x01, 0x03, 0x00}, "Decompression error: need dictionary"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        TMemoryStream stored, out;
        stored.Write(c.Stored.data(), int64_t(c.Stored.size()));
        EXPECT_RAISES(db.DecodeBlobStream(&stored, &out, true, false), Exception, c.Message);
    }
}

TEST_F(Database, InMemoryDatabaseWorksOnTheCallersBuffer)
{
    const std::vector<uint8_t> image = ReadFileBytes(MakeDatabase("image.zmb", {}, 20, 4, "pw"));
    TMemoryStream buffer;
    buffer.Write(image.data(), int64_t(image.size()));

    TNorkDatabase db;
    ASSERT_FALSE(db.Open(&buffer, "nope"));
    ASSERT_TRUE(db.Open(&buffer, "pw"));
    EXPECT_TRUE(db.InMemory());
    EXPECT_EQ(db.FileName(), "");
    ASSERT_TRUE(db.CreateTable("T", 20, 1, 2));
    TNorkTable table(&db);
    table.Open("T", false);
    const auto rec = Record(20, 4);
    EXPECT_EQ(table.AppendRecord(rec.data(), 20, 0), 1);
    EXPECT_EQ(buffer.Size(), 6246 + 2 * (6 + 20 + 20));

    TNorkDatabase again;
    ASSERT_TRUE(again.Open(&buffer, "pw"));
    TNorkTable reread(&again);
    reread.Open("T", false);
    std::vector<uint8_t> out(20);
    ASSERT_TRUE(reread.ReadRecord(1, out.data()));
    EXPECT_EQ(out, rec);
}

TEST_F(Database, TableOutlivingItsDatabaseIsDetached)
{
    const std::string file = MakeDatabase("detach.zmb", {"T"});
    auto db = std::make_unique<TNorkDatabase>();
    ASSERT_TRUE(db->Open(file, ""));
    TNorkTable table(db.get());
    table.Open("T", false);
    db.reset();
    EXPECT_EQ(table.Database(), nullptr);
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(table.FileName(), "");
    const auto rec = Record(20, 1);
    EXPECT_RAISES(table.AppendRecord(rec.data(), 20, 0), ENorkError,
                  "Cannot perform this operation on a closed database");
    EXPECT_RAISES(table.Open("T", false), ENorkError, "Cannot perform this operation on a closed database");
}

} // namespace

namespace {

// Renames another file over the watched path at the moment the engine opens it: the swap falls
// between the engine's look at the path and its open.
class TSwapOnOpen : public TFileSystem {
public:
    std::string Path;
    std::string Other;
    bool Armed = false;
    int Writes = 0;

    ssize_t Write(int Fd, const void* Buffer, std::size_t Count, int64_t Offset) override
    {
        ++Writes;
        return TFileSystem::Write(Fd, Buffer, Count, Offset);
    }

    int Open(const char* Name, int Flags, mode_t Mode) override
    {
        if (Armed && Path == Name) {
            Armed = false;
            EXPECT_EQ(std::rename(Other.c_str(), Path.c_str()), 0);
        }
        return TFileSystem::Open(Name, Flags, Mode);
    }
};

} // namespace

TEST_F(Database, PathThatNoLongerNamesTheOpenFileIsRefused)
{
    const std::string file = MakeDatabase("box.zmb", {"T"});
    const std::string other = MakeDatabase("other.zmb", {"T"});
    const std::vector<uint8_t> otherBytes = ReadFileBytes(other);
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(file, ""));
    TNorkTable table(&db);
    table.Open("T", false);
    const auto rec = Record(20, 1);
    table.AppendRecord(rec.data(), 20, 0);
    EXPECT_EQ(db.FileFate(), ffSame);
    const std::vector<uint8_t> before = ReadFileBytes(file);
    ASSERT_EQ(::link(file.c_str(), (file + ".old").c_str()), 0); // to look at the old file later

    TSwapOnOpen swap;
    swap.Path = file;
    swap.Other = other;
    swap.Armed = true;
    TFileSystem* previous = SetFileSystem(&swap);
    const std::string replaced =
        "Database file '" + file + "' has been replaced by another file since it was opened; neither file was changed";
    EXPECT_RAISES(table.AppendRecord(rec.data(), 20, 0), ENorkFileReplaced, replaced);
    SetFileSystem(previous);
    EXPECT_FALSE(swap.Armed);
    EXPECT_EQ(swap.Writes, 0); // refused before writing, not written and taken back
    EXPECT_EQ(db.FileFate(), ffReplaced);
    EXPECT_EQ(ReadFileBytes(file), otherBytes);
    EXPECT_RAISES(db.BeginUpdate(), ENorkFileReplaced, replaced);
    EXPECT_RAISES(db.SetComments("x"), ENorkFileReplaced, replaced);
    EXPECT_EQ(ReadFileBytes(file), otherBytes);

    ASSERT_EQ(::unlink(file.c_str()), 0);
    EXPECT_EQ(db.FileFate(), ffGone);
    EXPECT_RAISES(db.GetComments(), ENorkFileReplaced,
                  "Database file '" + file + "' has been moved or deleted since it was opened; it was not changed");
    db.Close();
    EXPECT_EQ(db.FileFate(), ffSame); // nothing open, nothing to watch
    EXPECT_EQ(ReadFileBytes(file + ".old"), before);
}
