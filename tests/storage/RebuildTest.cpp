// Rebuilding: what the new file holds and where, progress, password changes, the refusals, and
// how the old file is replaced (or left alone when anything fails).
#include "StorageTestUtil.h"

#include "dataproc/NorkZLib.h"

#include <dirent.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRecSize = 12;
const char kExt[] = "Zembrix\0\0001.0"; // the box's identification, zeros included

std::vector<uint8_t> KeyRecord(int32_t Key, uint8_t Payload)
{
    std::vector<uint8_t> r(kRecSize, Payload);
    std::memcpy(r.data(), &Key, 4);
    return r;
}

ino_t InodeOf(const std::string& FileName)
{
    struct stat st {};
    stat(FileName.c_str(), &st);
    return st.st_ino;
}

// Runs Body in a child process without root's right to write any file (as user and group
// 65534 when the tests run as root) and answers what Body reported ("" for success).
std::string RunUnprivileged(const std::function<std::string()>& Body)
{
    int out[2];
    if (pipe(out) != 0)
        return "pipe failed";
    const pid_t pid = fork();
    if (pid < 0)
        return "fork failed";
    if (pid == 0) {
        close(out[0]);
        std::string result;
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            result = "cannot drop root rights";
        else {
            try {
                result = Body();
            } catch (const std::exception& e) {
                result = std::string("raised: ") + e.what();
            }
        }
        (void)!write(out[1], result.data(), result.size());
        _exit(0);
    }
    close(out[1]);
    std::string result;
    char buffer[256];
    ssize_t n = 0;
    while ((n = read(out[0], buffer, sizeof(buffer))) > 0)
        result.append(buffer, std::size_t(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return result;
}

class Rebuild : public TStorageTest {
protected:
    // Tables A (ids 1), B (every record deleted) and C (ids 2, 5, 9, with a "Key" index), one
    // blob per record, comments, free-use data and a recovery question; dead space everywhere.
    void MakeBox(const std::string& Password)
    {
        FPassword = Password;
        FFile = FTemp.File("box.zmb");
        TNorkDatabase maker;
        ASSERT_TRUE(maker.CreateDatabase(FFile, true, "Zlib", !Password.empty(), "Blowfish", Password));
        ASSERT_TRUE(FDb.Open(FFile, Password));
        for (const char* t : {"A", "B", "C"})
            ASSERT_TRUE(FDb.CreateTable(t, kRecSize, 1, 2));
        ASSERT_TRUE(FDb.CreateIndex("C", "Key", 0, itLongint));
        FDb.SetComments("box comments");
        FDb.SetExtData(kExt, sizeof(kExt));
        FDb.SetPwdQuestion(true, "question?", "answer", Password);

        TNorkTable t(&FDb);
        t.Open("A", false);
        t.AppendRecord(KeyRecord(1, 0xA1).data(), kRecSize, 0);
        t.WriteBlob(1, 0, std::string(300, 'x'));
        t.WriteBlob(1, 0, std::string("blob of A"));
        t.Open("B", false);
        t.AppendRecord(KeyRecord(1, 0xB1).data(), kRecSize, 0);
        t.AppendRecord(KeyRecord(2, 0xB2).data(), kRecSize, 0);
        t.WriteBlob(2, 0, std::string("gone"));
        t.DeleteRecord(1);
        t.DeleteRecord(2);
        t.Open("C", true);
        for (int32_t id = 1; id <= 9; ++id)
            t.AppendRecord(KeyRecord(100 - id, uint8_t(0xC0 + id)).data(), kRecSize, id);
        for (int32_t id : {1, 3, 4, 6, 7, 8})
            t.DeleteRecord(id);
        for (int32_t id : {2, 5, 9})
            t.WriteBlob(id, 0, "blob of C" + std::to_string(id));
        t.Close();
    }

    // Everything MakeBox stored, read back through a database open on the file.
    void ExpectBoxContent(TNorkDatabase& Db)
    {
        EXPECT_EQ(Db.GetComments(), "box comments");
        char ext[sizeof(kExt) + 1] = {};
        Db.GetExtData(ext, sizeof(ext));
        EXPECT_EQ(std::string(ext, sizeof(ext)), std::string(kExt, sizeof(kExt)) + '\0');
        std::string question;
        EXPECT_TRUE(Db.GetPwdQuestion(question));
        EXPECT_EQ(question, "question?");
        std::string pwd;
        EXPECT_TRUE(Db.GetPwdByAnswer("answer", pwd));
        EXPECT_EQ(pwd, FPassword);

        TNorkTable t(&Db);
        std::vector<uint8_t> out(kRecSize);
        std::string blob;
        t.Open("A", true);
        ASSERT_EQ(t.RecordCount(), 1);
        EXPECT_TRUE(t.ReadRecord(int32_t(1), out.data()));
        EXPECT_EQ(out, KeyRecord(1, 0xA1));
        t.ReadBlob(1, 0, blob);
        EXPECT_EQ(blob, "blob of A");
        t.Open("B", true);
        EXPECT_EQ(t.RecordCount(), 0);
        t.Open("C", true);
        ASSERT_EQ(t.RecordCount(), 3);
        const std::vector<int32_t> ids{t.GetSysRecordID(0), t.GetSysRecordID(1), t.GetSysRecordID(2)};
        EXPECT_EQ(ids, (std::vector<int32_t>{2, 5, 9})) << "ids keep their gaps";
        for (int32_t id : ids) {
            EXPECT_TRUE(t.ReadRecord(id, out.data()));
            EXPECT_EQ(out, KeyRecord(100 - id, uint8_t(0xC0 + id)));
            t.ReadBlob(id, 0, blob);
            EXPECT_EQ(blob, "blob of C" + std::to_string(id));
        }
        EXPECT_EQ(IndexOrder(*t.GetIndex("Key")), (std::vector<int32_t>{9, 5, 2}));
    }

    std::string FFile;
    std::string FPassword;
    TNorkDatabase FDb;
};

TEST_F(Rebuild, BuildingInMemoryAndInTheFileGiveTheSameBytes)
{
    MakeBox("rebuild pw");
    FDb.Close();
    const std::vector<uint8_t> original = ReadFileBytes(FFile);
    std::vector<std::vector<uint8_t>> results;
    for (int64_t limit : {int64_t(256) << 20, int64_t(0)}) {
        WriteFileBytes(FFile, original);
        TNorkDatabase::SetMemoryRebuildLimit(limit);
        ASSERT_TRUE(FDb.Open(FFile, FPassword));
        const bool compacted = FDb.Compact();
        TNorkDatabase::SetMemoryRebuildLimit(int64_t(256) << 20);
        ASSERT_TRUE(compacted) << "limit " << limit;
        ExpectBoxContent(FDb);
        FDb.Close();
        results.push_back(ReadFileBytes(FFile));
    }
    EXPECT_LT(results[0].size(), original.size());
    EXPECT_EQ(results[0], results[1]);
}

TEST_F(Rebuild, CompactCopiesLiveDataInIdOrderRightAfterTheHeaders)
{
    MakeBox("rebuild pw");
    const int64_t before = int64_t(ReadFileBytes(FFile).size());
    std::vector<int> progress;
    FDb.SetOnProgress([&](TNorkDatabase* Sender, int Percent) {
        EXPECT_EQ(Sender, &FDb);
        progress.push_back(Percent);
    });
    ASSERT_TRUE(FDb.Compact());
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100})) << "4 live records over 3 tables";
    EXPECT_TRUE(FDb.Active()) << "open again with the password";
    EXPECT_TRUE(TemporaryFiles(FTemp.Path()).empty());

    // Layout: fixed part, three headers, then per table its records followed by its blobs.
    const std::vector<uint8_t> bytes = ReadFileBytes(FFile);
    EXPECT_LT(int64_t(bytes.size()), before);
    const TTableHeader a = HeaderInFile(FFile, 0);
    const TTableHeader b = HeaderInFile(FFile, 1);
    const TTableHeader c = HeaderInFile(FFile, 2);
    const int64_t phyA = PhyRecSizeOf(a);
    const int64_t phyC = PhyRecSizeOf(c);
    EXPECT_EQ(int32_t(a.BaseDataOfs), 4796 + 3 * 1450);
    EXPECT_EQ(int32_t(a.BaseUseSpace), 1);
    const auto blobA = StructAt<TBlobInfo>(bytes, a.BaseDataOfs + 6);
    EXPECT_EQ(int64_t(blobA.DataOfs), a.BaseDataOfs + phyA) << "the blob follows its table's records";
    EXPECT_EQ(int32_t(b.BaseDataOfs), 0) << "a table whose every record was deleted has no area";
    EXPECT_EQ(int32_t(b.BaseUseSpace), 0);
    EXPECT_EQ(int32_t(b.AliveCapacity), 0);
    EXPECT_EQ(int64_t(c.BaseDataOfs), int64_t(blobA.DataOfs) + blobA.Capacity);
    EXPECT_EQ(int32_t(c.BaseUseSpace), 3);
    int64_t end = c.BaseDataOfs + 3 * phyC;
    for (int slot = 0; slot < 3; ++slot) {
        const auto info = StructAt<TBlobInfo>(bytes, c.BaseDataOfs + slot * phyC + 6 + 4);
        EXPECT_EQ(int64_t(info.DataOfs), end) << "slot " << slot;
        end += info.Capacity;
    }
    EXPECT_EQ(int64_t(bytes.size()), end);
    for (const TTableHeader& h : {a, b, c}) {
        EXPECT_EQ(int32_t(h.AliveDataOfs), 0);
        EXPECT_EQ(int32_t(h.AliveUseSpace), 0);
        EXPECT_EQ(int32_t(h.AliveCapacity), 0);
        EXPECT_EQ(int32_t(h.InitAliveCapa), 256);
    }
    EXPECT_EQ(ChainInFile(FFile, 2, 0), (std::vector<int32_t>{9, 5, 2}));
    ExpectBoxContent(FDb);

    // The next record gets an alive area of 256 at the end of the file.
    TNorkTable t(&FDb);
    t.Open("A", true);
    EXPECT_EQ(t.AppendRecord(KeyRecord(7, 7).data(), kRecSize, 0), 2);
    const TTableHeader grown = HeaderInFile(FFile, 0);
    EXPECT_EQ(int64_t(grown.AliveDataOfs), end);
    EXPECT_EQ(int32_t(grown.AliveCapacity), 256);
}

TEST_F(Rebuild, DatabaseWithoutTablesBecomesTheFixedPart)
{
    FFile = FTemp.File("empty.zmb");
    FPassword = "pw";
    ASSERT_TRUE(FDb.CreateDatabase(FFile, true, "Zlib", true, "Blowfish", "pw"));
    ASSERT_TRUE(FDb.Open(FFile, "pw"));
    FDb.SetComments("only comments");
    FDb.SetExtData("ext", 3);
    FDb.SetPwdQuestion(true, "q", "a", "pw");
    ASSERT_TRUE(FDb.CreateTable("Gone", 4, 0, 1));
    ASSERT_TRUE(FDb.DeleteTable("Gone"));
    int calls = 0;
    FDb.SetOnProgress([&](TNorkDatabase*, int) { ++calls; });
    ASSERT_TRUE(FDb.Repair());
    EXPECT_EQ(calls, 0) << "no records, no progress";
    EXPECT_EQ(ReadFileBytes(FFile).size(), 4796u);
    EXPECT_EQ(FDb.GetComments(), "only comments");
    char ext[4] = {};
    FDb.GetExtData(ext, 4);
    EXPECT_EQ(std::string(ext, 4), std::string("ext\0", 4));
    std::string pwd;
    EXPECT_TRUE(FDb.GetPwdByAnswer("a", pwd));
    EXPECT_EQ(pwd, "pw");
}

TEST_F(Rebuild, ChangePasswordWithoutCheckWritesAPlainFile)
{
    MakeBox("old pw");
    ASSERT_TRUE(FDb.ChangePassword("new pw", false));
    FPassword = "new pw"; // the question keeps the new password
    EXPECT_TRUE(FDb.Active());
    EXPECT_FALSE(FDb.Encrypted());

    const std::vector<uint8_t> bytes = ReadFileBytes(FFile);
    const auto options = StructAt<TDBOptions>(bytes, kDBOptionsOfs);
    EXPECT_EQ(int(options.Encrypt), 0);
    EXPECT_STREQ(options.EncryptAlgoName, "Blowfish");
    EXPECT_EQ(int(options.CompressBlob), 1);
    EXPECT_STREQ(StructAt<TCommentsBlock>(bytes, kCommentsOfs).Text, "box comments");
    const TTableHeader c = HeaderInFile(FFile, 2);
    const int64_t rec = c.BaseDataOfs; // id 2, the first in id order
    EXPECT_TRUE(std::equal(bytes.begin() + rec + PhyRecPrefixSize(c), bytes.begin() + rec + PhyRecSizeOf(c),
                           KeyRecord(98, 0xC2).begin()))
        << "record data is stored plain";
    const auto info = StructAt<TBlobInfo>(bytes, rec + 6 + 4);
    TMemoryStream blob;
    ZDecompressBuf(bytes.data() + info.DataOfs, info.StoredSize, blob);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(blob.Memory()), std::size_t(blob.Size())), "blob of C2")
        << "blobs are compressed only";

    TNorkDatabase other;
    EXPECT_TRUE(other.Open(FFile, "any password at all"));
    ExpectBoxContent(other);
    other.Close();

    // And back to an encrypted file under another password.
    ASSERT_TRUE(FDb.ChangePassword("third", true));
    FPassword = "third";
    EXPECT_TRUE(FDb.Active());
    EXPECT_TRUE(FDb.Encrypted());
    EXPECT_FALSE(other.Open(FFile, "new pw"));
    EXPECT_TRUE(other.Open(FFile, "third"));
    ExpectBoxContent(other);
}

TEST_F(Rebuild, RefusesOpenTablesClosedAndSpecialDatabases)
{
    MakeBox("");
    TNorkTable t(&FDb);
    t.Open("A", false);
    EXPECT_RAISES(FDb.Compact(), ENorkError, "Cannot perform this operation when table is activate");
    t.Close();
    FDb.Close();
    EXPECT_RAISES(FDb.Compact(), ENorkError, "Cannot perform this operation on a closed database");
    EXPECT_RAISES(FDb.ChangePassword("x", true), ENorkError, "Cannot perform this operation on a closed database");
    const std::vector<uint8_t> before = ReadFileBytes(FFile);

    FDb.SetReadOnly(true);
    ASSERT_TRUE(FDb.Open(FFile, ""));
    EXPECT_FALSE(FDb.Compact());
    EXPECT_FALSE(FDb.ChangePassword("x", true));
    FDb.Close();
    FDb.SetReadOnly(false);

    TMemoryStream memory;
    memory.Write(before.data(), int64_t(before.size()));
    ASSERT_TRUE(FDb.Open(&memory, ""));
    EXPECT_FALSE(FDb.Repair());
    FDb.Close();

    // The container 100 bytes into a larger file.
    const std::string inside = FTemp.File("inside.bin");
    std::vector<uint8_t> wrapped(100 + before.size(), 0x77);
    std::copy(before.begin(), before.end(), wrapped.begin() + 100);
    WriteFileBytes(inside, wrapped);
    TNorkDatabase offset;
    offset.SetStartOffset(100);
    ASSERT_TRUE(offset.Open(inside, ""));
    EXPECT_FALSE(offset.Compact());

    EXPECT_EQ(ReadFileBytes(FFile), before);
    EXPECT_EQ(ReadFileBytes(inside), wrapped);
    EXPECT_TRUE(TemporaryFiles(FTemp.Path()).empty());
}

TEST_F(Rebuild, FileTheUserMayNotWriteIsNotCompacted)
{
    const std::string result = RunUnprivileged([]() -> std::string {
        TTempFolder folder;
        const std::string file = folder.File("ro.zmb");
        {
            TNorkDatabase db;
            if (!db.CreateDatabase(file) || !db.Open(file, "") || !db.CreateTable("T", 4, 0, 1))
                return "cannot make the database";
        }
        chmod(file.c_str(), 0444);
        const std::vector<uint8_t> before = ReadFileBytes(file);
        TNorkDatabase db;
        if (!db.Open(file, ""))
            return "cannot open";
        if (!db.ReadOnly())
            return "the read-only file did not make the database read-only";
        if (db.Compact())
            return "Compact answered true";
        if (ReadFileBytes(file) != before)
            return "the file changed";
        if (!TemporaryFiles(folder.Path()).empty())
            return "a temporary file was left";
        return "";
    });
    EXPECT_EQ(result, "");
}

TEST_F(Rebuild, ErrorBeforeTheReplaceLeavesTheOldFileAndNoTemporaryFile)
{
    MakeBox("pw");
    // Damage the stored bytes of C's blob of id 5: decoding it fails during the copy.
    TNorkTable t(&FDb);
    t.Open("C", false);
    const auto info = StructAt<TBlobInfo>(ReadFileBytes(FFile), t.GetRecordOffset(5) + 6 + 4);
    t.Close();
    std::vector<uint8_t> bytes = ReadFileBytes(FFile);
    for (int i = 0; i < info.StoredSize; ++i)
        bytes[std::size_t(info.DataOfs + i)] ^= 0x5A;
    WriteFileBytes(FFile, bytes);
    const ino_t inode = InodeOf(FFile);

    bool sawTemporary = false;
    FDb.SetOnProgress([&](TNorkDatabase*, int) { sawTemporary = sawTemporary || !TemporaryFiles(FTemp.Path()).empty(); });
    EXPECT_THROW(FDb.Compact(), Exception);
    EXPECT_TRUE(sawTemporary) << "the new file is made in the box's own folder";
    EXPECT_EQ(ReadFileBytes(FFile), bytes);
    EXPECT_EQ(InodeOf(FFile), inode);
    EXPECT_TRUE(TemporaryFiles(FTemp.Path()).empty()) << "the temporary file is removed";
    EXPECT_TRUE(FDb.Active()) << "the database stays open";
    t.Open("A", true);
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(Rebuild, NewFileTakesTheOldOnesPlaceAndPermissions)
{
    MakeBox("");
    ASSERT_EQ(chmod(FFile.c_str(), 0640), 0);
    const ino_t inode = InodeOf(FFile);
    ASSERT_TRUE(FDb.Compact());
    EXPECT_NE(InodeOf(FFile), inode) << "replaced by a rename, not written over";
    struct stat st {};
    ASSERT_EQ(stat(FFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ExpectBoxContent(FDb);
}

// Writing over the only copy of a box is never safe, so a box whose folder takes no new file is
// not rebuilt: the error names the box and the reason, and the box stays as it was, open.
TEST_F(Rebuild, BoxInAFolderThatTakesNoNewFileIsLeftAsItWas)
{
    const std::string result = RunUnprivileged([]() -> std::string {
        TTempFolder box;
        TTempFolder temp;
        setenv("TMPDIR", temp.Path().c_str(), 1);
        const std::string file = box.File("box.zmb");
        TNorkDatabase db;
        if (!db.CreateDatabase(file, true, "Zlib", true, "Blowfish", "pw") || !db.Open(file, "pw") ||
            !db.CreateTable("T", 4, 1, 1))
            return "cannot make the database";
        {
            TNorkTable t(&db);
            t.Open("T", false);
            const uint8_t rec[4] = {1, 2, 3, 4};
            for (int i = 0; i < 3; ++i)
                t.AppendRecord(rec, 4, 0);
            t.WriteBlob(2, 0, std::string(500, 'b'));
            t.DeleteRecord(1);
        }
        chmod(box.Path().c_str(), 0555);
        const std::vector<uint8_t> before = ReadFileBytes(file);
        std::string error;
        try {
            db.Compact();
        } catch (const EFileError& e) {
            error = e.what();
        }
        chmod(box.Path().c_str(), 0755);
        if (error != "Cannot create file \"" + file + "\". Permission denied")
            return "unexpected error: " + error;
        if (ReadFileBytes(file) != before)
            return "the box changed";
        if (!TemporaryFiles(temp.Path()).empty() || !TemporaryFiles(box.Path()).empty())
            return "a temporary file was left";
        TNorkTable t(&db);
        t.Open("T", true);
        std::string blob;
        t.ReadBlob(2, 0, blob);
        if (t.RecordCount() != 2 || blob != std::string(500, 'b'))
            return "the content changed";
        return "";
    });
    EXPECT_EQ(result, "");
}

TEST_F(Rebuild, RepairCopiesRecordsWithABadSignature)
{
    MakeBox("");
    TNorkTable t(&FDb);
    t.Open("C", true);
    const int64_t at = t.GetRecordOffset(5);
    t.Close();
    PatchFile(FFile, at, uint8_t(0x00));
    t.Open("C", true);
    std::vector<uint8_t> out(kRecSize);
    EXPECT_RAISES(t.ReadRecord(int32_t(5), out.data()), ENorkFileCorrupt, "Database file is corrupt");
    t.Close();
    ASSERT_TRUE(FDb.Repair());
    ExpectBoxContent(FDb);
}

} // namespace
