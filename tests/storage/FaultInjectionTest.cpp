// Every change the engine makes, with each of its writes failing in turn (no space, an I/O
// error, a short write on a full disk), then each sync and each rename: the change raises with
// the reason and the file's name, the file holds exactly its old bytes, the objects in memory
// read what the file holds, and they go on working.
#include "FaultyFileSystem.h"
#include "StorageTestUtil.h"

#include "dataproc/AnsiText.h"

#include <functional>
#include <iostream>
#include <sstream>

namespace {

constexpr int kRecSize = 20;

std::vector<uint8_t> Rec(uint8_t Key, uint8_t Seed)
{
    std::vector<uint8_t> r = Record(kRecSize, Seed);
    std::memset(r.data(), 0, 4);
    r[0] = Key; // the indexed field
    return r;
}

// A blob's content: Size bytes of one value.
struct TBlob {
    TMemoryStream Stream;
    TBlob(std::size_t Size, char Fill)
    {
        const std::string bytes(Size, Fill);
        Stream.Write(bytes.data(), int64_t(bytes.size()));
    }
};

// Everything the database shows: file-level data, and per table its records in id order with
// their blobs and the order of its index; read through Table where it is the table "T".
std::string Dump(TNorkDatabase& Db, TNorkTable& Table)
{
    std::ostringstream out;
    out << "comments=" << Db.GetComments();
    std::string question;
    out << " question=" << Db.GetPwdQuestion(question) << question << '\n';
    for (const std::string& name : Db.TableNames()) {
        TNorkTable other(&Db);
        const bool own = Table.Active() && name == Table.TableName();
        if (!own)
            other.Open(name, true);
        TNorkTable& t = own ? Table : other;
        out << name << ":";
        std::vector<uint8_t> rec(static_cast<std::size_t>(t.TableHeader().RecordSize));
        for (int pos = 0; pos < t.RecordCount(); ++pos) {
            int32_t id = 0;
            t.ReadRecord(pos, id, rec.data());
            out << " " << id << "[";
            for (uint8_t b : rec)
                out << int(b) << ",";
            out << "]";
            for (int b = 0; b < t.TableHeader().BlobCount; ++b) {
                std::string blob;
                t.ReadBlob(id, b, blob);
                out << "blob" << blob.size() << ":" << blob.substr(0, 8);
            }
        }
        for (int k = 0; k < t.IndexObjectCount(); ++k) {
            out << " index" << k << ":";
            TNorkIndex* index = t.GetIndex(AnsiFieldToStr(t.TableHeader().IndexHeader[k].IndexName, kNameSize));
            for (int32_t id : IndexOrder(*index))
                out << id << ",";
        }
        out << '\n';
    }
    return out.str();
}

struct TEngineCase {
    const char* Name;
    std::function<void(TNorkDatabase&, TNorkTable&)> Run;
};

class EngineFaults : public TStorageTest {
protected:
    // The box every case starts from: table "T" with an index, an alive area of two records
    // that is full and no longer ends the file, records with blobs, one deleted; table "U".
    void SetUp() override
    {
        FFile = FTemp.File("box.zmb");
        TNorkDatabase db;
        ASSERT_TRUE(db.CreateDatabase(FFile, true, "Zlib", true, "Blowfish", "pw"));
        ASSERT_TRUE(db.Open(FFile, "pw"));
        db.SetComments("first comments");
        db.CreateTable("T", kRecSize, 1, 2);
        db.CreateIndex("T", "Key", 0, itLongint);
        db.CreateTable("U", 8, 1, 4);
        TNorkTable t(&db);
        t.Open("T", true);
        for (uint8_t i = 1; i <= 4; ++i) {
            TBlob b(100u * i, char('a' + i));
            t.AppendRecord(Rec(uint8_t(50 - 10 * i), i).data(), kRecSize, 0, {&b.Stream});
        }
        t.DeleteRecord(3);
        db.Close();
        FBase = ReadFileBytes(FFile);
    }

    // Runs the case on a fresh copy of the base file, with Fs in place.
    // Answers the error's text, or "" when the case completed.
    std::string RunCase(const TEngineCase& Case, TFileSystem& Fs, std::string* After = nullptr,
                        std::string* Before = nullptr)
    {
        WriteFileBytes(FFile, FBase);
        TNorkDatabase db;
        EXPECT_TRUE(db.Open(FFile, "pw"));
        TNorkTable t(&db);
        t.Open("T", true);
        if (Before != nullptr)
            *Before = Dump(db, t);
        std::string error;
        {
            TScopedFileSystem scoped(Fs);
            try {
                Case.Run(db, t);
            } catch (const Exception& e) {
                error = e.what();
            }
        }
        if (After != nullptr)
            *After = db.Active() ? Dump(db, t) : std::string("closed");
        return error;
    }

    std::string DumpFile(const std::string& Password = "pw")
    {
        TNorkDatabase db;
        if (!db.Open(FFile, Password))
            return "does not open";
        TNorkTable t(&db);
        t.Open("T", true);
        return Dump(db, t);
    }

    // What the case must leave after a fault: the error names the cause and the file, the file
    // holds the old bytes, memory reads what the file holds, and the objects still work.
    // A short write inside the file is simply continued, as it would be on a real full disk; the
    // change then completes (After).
    void CheckFault(const TEngineCase& Case, TFaultyFileSystem& Fs, const std::string& Cause, const char* What,
                    const std::string& After = std::string())
    {
        SCOPED_TRACE(std::string(Case.Name) + ": " + What);
        std::string inMemory;
        std::string before;
        const std::string error = RunCase(Case, Fs, &inMemory, &before);
        ASSERT_TRUE(Fs.Fired);
        ++FCases;
        if (error.empty() && Fs.WriteFault == fkShortWrite) {
            EXPECT_EQ(inMemory, After);
            EXPECT_EQ(DumpFile(), After);
            ++FContinued;
            return;
        }
        EXPECT_NE(error.find(Cause), std::string::npos) << error;
        EXPECT_NE(error.find(FFile), std::string::npos) << error;
        EXPECT_TRUE(ReadFileBytes(FFile) == FBase) << "the file was not put back";
        EXPECT_EQ(inMemory, before) << "memory does not read what the file holds";
        EXPECT_EQ(DumpFile(), before);
        EXPECT_TRUE(TemporaryFiles(FTemp.Path()).empty());
    }

    void RunAllFaults(const TEngineCase& Case)
    {
        TFaultyFileSystem counter;
        std::string after;
        const std::string error = RunCase(Case, counter, &after);
        ASSERT_EQ(error, "") << Case.Name;
        ASSERT_GT(counter.Writes, 0) << Case.Name;
        ASSERT_EQ(DumpFile(), after) << Case.Name;
        for (int n = 1; n <= counter.Writes; ++n)
            for (TFaultKind kind : {fkNoSpace, fkIoError, fkShortWrite}) {
                TFaultyFileSystem fs;
                fs.FailWrite = n;
                fs.WriteFault = kind;
                const std::string what = "write " + std::to_string(n) + " of " +
                                         std::to_string(counter.Writes) + ", " + FaultName(kind);
                CheckFault(Case, fs, FaultReason(kind), what.c_str(), after);
            }
        for (int n = 1; n <= counter.Syncs; ++n) {
            TFaultyFileSystem fs;
            fs.FailSync = n;
            CheckFault(Case, fs, "Input/output error", "sync");
        }
        for (int n = 1; n <= counter.Renames; ++n) {
            TFaultyFileSystem fs;
            fs.FailRename = n;
            CheckFault(Case, fs, "Input/output error", "rename");
        }
    }

    std::string FFile;
    std::vector<uint8_t> FBase;
    int FCases = 0;
    int FContinued = 0; // short writes inside the file that the change continued
};

const TEngineCase kCases[] = {
    {"append into a full area that moves",
     [](TNorkDatabase&, TNorkTable& T) { T.AppendRecord(Rec(25, 9).data(), kRecSize, 0); }},
    {"append with its blob, first in index order",
     [](TNorkDatabase&, TNorkTable& T) {
         TBlob b(3000, 'z');
         T.AppendRecord(Rec(1, 9).data(), kRecSize, 0, {&b.Stream});
     }},
    {"two appends in one bracket",
     [](TNorkDatabase&, TNorkTable& T) {
         TUpdateBracket bracket(T);
         T.AppendRecord(Rec(25, 9).data(), kRecSize, 0);
         T.AppendRecord(Rec(26, 8).data(), kRecSize, 0);
     }},
    {"modify moving the record in index order",
     [](TNorkDatabase&, TNorkTable& T) { T.ModifyRecord(1, Rec(5, 7).data(), kRecSize); }},
    {"modify with a changed blob",
     [](TNorkDatabase&, TNorkTable& T) {
         TBlob b(150, 'y');
         T.ModifyRecord(2, Rec(30, 7).data(), kRecSize, {&b.Stream});
     }},
    {"delete the first in index order",
     [](TNorkDatabase&, TNorkTable& T) { T.DeleteRecord(4); }},
    {"blob rewritten in place", [](TNorkDatabase&, TNorkTable& T) { T.WriteBlob(1, 0, std::string(90, 'x')); }},
    {"blob grown", [](TNorkDatabase&, TNorkTable& T) { T.WriteBlob(2, 0, std::string(5000, 'w')); }},
    {"empty the table", [](TNorkDatabase&, TNorkTable& T) { T.EmptyTable(); }},
    {"create a table with an index",
     [](TNorkDatabase& Db, TNorkTable&) {
         TUpdateBracket bracket(Db);
         Db.CreateTable("V", 12, 1, 8);
         Db.CreateIndex("V", "K", 4, itLongint);
     }},
    {"rename a table", [](TNorkDatabase& Db, TNorkTable&) { Db.RenameTable("U", "W"); }},
    {"comments, free-use data and question",
     [](TNorkDatabase& Db, TNorkTable&) {
         TUpdateBracket bracket(Db);
         Db.SetComments("second comments");
         Db.SetExtData("Zembrix", 8);
         Db.SetPwdQuestion(true, "q?", "a", "pw");
     }},
};

TEST_F(EngineFaults, EveryChangeIsTakenBackWhenAnyOfItsWritesOrSyncsFails)
{
    for (const TEngineCase& c : kCases)
        RunAllFaults(c);
    std::cout << "[ engine faults ] " << FCases << " cases over " << std::size(kCases) << " changes; " << FContinued
              << " short writes continued to the end\n";
}

// A rebuild writes a new file and renames it over the old one; any fault before the rename
// leaves the old file as it was (open again, with the old password) and no new file behind.
TEST_F(EngineFaults, RebuildsLeaveTheOldFileOnAnyFault)
{
    const TEngineCase compact{"compact", [](TNorkDatabase& Db, TNorkTable& T) {
                                  T.Close();
                                  Db.Compact();
                              }};
    const TEngineCase password{"password change written in its file", [](TNorkDatabase& Db, TNorkTable& T) {
                                   T.Close();
                                   TNorkDatabase::SetMemoryRebuildLimit(0);
                                   try {
                                       Db.ChangePassword("new", true);
                                   } catch (...) {
                                       TNorkDatabase::SetMemoryRebuildLimit(int64_t(256) << 20);
                                       throw;
                                   }
                                   TNorkDatabase::SetMemoryRebuildLimit(int64_t(256) << 20);
                               }};
    for (const TEngineCase* c : {&compact, &password}) {
        TFaultyFileSystem counter;
        ASSERT_EQ(RunCase(*c, counter), "");
        ASSERT_GE(counter.Renames, 1);
        for (int n = 1; n <= counter.Writes; ++n)
            for (TFaultKind kind : {fkNoSpace, fkIoError, fkShortWrite}) {
                TFaultyFileSystem fs;
                fs.FailWrite = n;
                fs.WriteFault = kind;
                SCOPED_TRACE(std::string(c->Name) + ": write " + std::to_string(n) + ", " + FaultName(kind));
                std::string inMemory;
                std::string before;
                const std::string error = RunCase(*c, fs, &inMemory, &before);
                ++FCases;
                if (error.empty() && kind == fkShortWrite) {
                    // A short write inside the new file is continued; the rebuild completes.
                    EXPECT_NE(DumpFile(c == &password ? "new" : "pw"), "does not open");
                    ++FContinued;
                    continue;
                }
                EXPECT_EQ(error, "Cannot write file \"" + FFile + "\". " + FaultReason(kind));
                EXPECT_TRUE(ReadFileBytes(FFile) == FBase);
                EXPECT_EQ(DumpFile(), before);
                EXPECT_TRUE(TemporaryFiles(FTemp.Path()).empty());
            }
        for (int n = 1; n <= counter.Syncs + counter.Renames; ++n) {
            TFaultyFileSystem fs;
            if (n <= counter.Syncs)
                fs.FailSync = n;
            else
                fs.FailRename = n - counter.Syncs;
            SCOPED_TRACE(std::string(c->Name) + ": sync or rename " + std::to_string(n));
            const std::string error = RunCase(*c, fs);
            if (error.empty()) {
                // Only the folder's sync after the rename may fail unreported: the change is done.
                EXPECT_EQ(n, counter.Syncs);
                EXPECT_NE(DumpFile(c == &password ? "new" : "pw"), "does not open");
            } else {
                EXPECT_EQ(error, "Cannot write file \"" + FFile + "\". Input/output error");
                EXPECT_TRUE(ReadFileBytes(FFile) == FBase);
            }
            EXPECT_TRUE(TemporaryFiles(FTemp.Path()).empty());
            ++FCases;
        }
    }
    std::cout << "[ rebuild faults ] " << FCases << " cases; " << FContinued << " short writes continued to the end\n";
}

} // namespace

namespace {

// A caller that catches a failed operation inside its bracket and goes on cannot make the half
// of it permanent: the bracket's end takes the whole change back and says why. An operation that
// failed before writing anything spoils nothing.
TEST_F(EngineFaults, ABracketWhoseOperationFailedAfterWritingEndsTakenBack)
{
    TNorkDatabase db;
    ASSERT_TRUE(db.Open(FFile, "pw"));
    TNorkTable t(&db);
    t.Open("T", true);
    const std::string before = Dump(db, t);
    t.BeginUpdate();
    EXPECT_THROW(t.DeleteRecord(99), ENorkError); // writes nothing
    t.AppendRecord(Rec(25, 9).data(), kRecSize, 0);
    {
        TFaultyFileSystem fs;
        fs.FailWrite = 2;
        fs.WriteFault = fkIoError;
        TScopedFileSystem scoped(fs);
        EXPECT_THROW(t.AppendRecord(Rec(26, 8).data(), kRecSize, 0), EFileError);
    }
    t.AppendRecord(Rec(27, 7).data(), kRecSize, 0); // goes on regardless
    try {
        t.EndUpdate();
        ADD_FAILURE() << "the bracket ended as if nothing had failed";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot write file \"" + FFile + "\". Input/output error; the change was taken back");
    }
    EXPECT_TRUE(ReadFileBytes(FFile) == FBase);
    EXPECT_EQ(Dump(db, t), before);

    // Closing the database with such a bracket still open takes its change back too.
    t.BeginUpdate();
    t.AppendRecord(Rec(25, 9).data(), kRecSize, 0);
    {
        TFaultyFileSystem fs;
        fs.FailWrite = 2;
        fs.WriteFault = fkNoSpace;
        TScopedFileSystem scoped(fs);
        EXPECT_THROW(t.AppendRecord(Rec(26, 8).data(), kRecSize, 0), EFileError);
    }
    db.Close();
    EXPECT_TRUE(ReadFileBytes(FFile) == FBase);
    ASSERT_TRUE(db.Open(FFile, "pw"));
    t.Open("T", true);

    // Without the failure the same bracket completes.
    t.BeginUpdate();
    EXPECT_THROW(t.DeleteRecord(99), ENorkError);
    t.AppendRecord(Rec(25, 9).data(), kRecSize, 0);
    t.EndUpdate();
    EXPECT_EQ(t.RecordCount(), 4);
}

} // namespace
