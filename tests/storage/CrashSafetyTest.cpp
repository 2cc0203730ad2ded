// Crash safety: a child process works on an encrypted, compressed box (appends with blobs,
// deletions, compaction, password changes) and is killed with SIGKILL at random moments. After
// each kill the box must open, hold exactly what the child reported done, and the one operation
// that was in flight must have happened wholly or not at all (see TInFlight).
//
// ZMB_CRASH_KILLS sets the number of kills (default 200); ZMB_CRASH_SEED replays a run's choices.
// The kill moments depend on the machine's timing, so a replay repeats the operations and the
// aims of the kills but not always where they land.
//
// The rules the parent checks, per kind of operation in flight at the kill:
// - none: the box equals the model (every reported operation, nothing else);
// - append: the record is absent, or present with its bytes and its whole blob (the two go in
//   together); a broken index chain may need Repair;
// - delete: the record is present and intact, or absent; a broken chain may need Repair;
// - compaction or password change: the file is byte-identical to the copy taken before it began,
//   or it is the complete rebuilt file (opens with the new password, holds the model, has no
//   alive area). The second case is the short stretch between the rename and the child's report.
// Outside those, needing Repair is a failure.
#include "StorageTestUtil.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kRecSize = 48;
constexpr int kKeys = 40; // folder ids 1..kKeys in the indexed field at offset 0
constexpr int kInitialRecords = 400;
constexpr int kMaxChildOps = 100000; // a child that is never killed still ends
constexpr double kSafetySeconds = 30.0;
const char* const kTable = "Entry";
const char* const kIndex = "Folder";
const char* const kComments = "box comments, enciphered with whichever password the box has";

enum TOp : uint8_t { opAppend = 1, opDelete = 2, opCompact = 3, opChangePassword = 4 };
enum TKind : uint8_t { mkBegin = 1, mkDone = 2 };

// One report through the pipe; 16 bytes, so every write arrives whole.
struct TMessage {
    uint8_t Kind;
    uint8_t Op;
    uint16_t Pad;
    int32_t Id;
    int32_t Key;
    uint32_t Seed;
};
static_assert(sizeof(TMessage) == 16);

const char* OpName(uint8_t Op)
{
    switch (Op) {
    case opAppend: return "append";
    case opDelete: return "delete";
    case opCompact: return "compact";
    case opChangePassword: return "change password";
    default: return "?";
    }
}

std::string PasswordFor(uint32_t Seed)
{
    return "pw-" + std::to_string(Seed);
}

std::vector<uint8_t> MakeRecord(int32_t Id, int32_t Key, uint32_t Seed)
{
    std::vector<uint8_t> r(kRecSize);
    std::memcpy(r.data(), &Key, 4);
    std::mt19937 g(Seed ^ uint32_t(Id) * 2654435761u);
    for (int i = 4; i < kRecSize; ++i)
        r[std::size_t(i)] = static_cast<uint8_t>(g());
    return r;
}

// Comment-like text with stretches of random bytes, 64 bytes to about 4 KB.
std::vector<uint8_t> MakeBlob(int32_t Id, uint32_t Seed)
{
    static const char* const words[] = {"login ", "password ", "https://example.org/ ", "note ", "account ",
                                        "mail ",  "server ",   "port 443 ",             "user ", "token "};
    std::mt19937 g(Seed * 2246822519u + uint32_t(Id));
    const std::size_t size = 64 + g() % 4000;
    std::vector<uint8_t> b;
    b.reserve(size + 32);
    while (b.size() < size) {
        if (g() % 5 == 0) {
            for (int i = 0; i < 24; ++i)
                b.push_back(static_cast<uint8_t>(g()));
        } else {
            const char* w = words[g() % 10];
            b.insert(b.end(), w, w + std::strlen(w));
        }
    }
    b.resize(size);
    return b;
}

std::vector<uint8_t> StreamBytes(const TMemoryStream& S)
{
    return std::vector<uint8_t>(S.Memory(), S.Memory() + S.Size());
}

std::vector<uint8_t> FileBytes(const std::string& FileName)
{
    std::vector<uint8_t> bytes;
    const int fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    uint8_t buffer[1 << 16];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof(buffer))) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    ::close(fd);
    return bytes;
}

bool WriteAll(int Fd, const void* Buffer, std::size_t Count)
{
    const auto* p = static_cast<const uint8_t*>(Buffer);
    while (Count > 0) {
        const ssize_t n = ::write(Fd, p, Count);
        if (n <= 0)
            return false;
        p += n;
        Count -= std::size_t(n);
    }
    return true;
}

// ---- the child ----

void Report(int Fd, uint8_t Kind, uint8_t Op, int32_t Id = 0, int32_t Key = 0, uint32_t Seed = 0)
{
    const TMessage m{Kind, Op, 0, Id, Key, Seed};
    if (!WriteAll(Fd, &m, sizeof(m)))
        _exit(4);
}

// Works on the box until it is killed. Each operation is announced before it starts and
// reported after it returned. Outside an update bracket the file is flushed and closed by then.
// Inside one (Bracketed) every byte is with the kernel once the call returns, which is all that a
// killed process needs; operations there take microseconds instead of a flush each, so the kills
// land between the engine's single writes far more often. Compaction waits for the parent's go,
// so that the parent can copy the file first.
[[noreturn]] void RunChild(const std::string& File, std::string Password, uint32_t Seed, bool Bracketed, int ReportFd,
                           int GoFd)
{
    try {
        TNorkDatabase db;
        if (!db.Open(File, Password))
            throw std::runtime_error("the box does not open with its password");
        TNorkTable table(&db);
        table.Open(kTable, true);
        if (Bracketed)
            table.BeginUpdate();
        std::mt19937 g(Seed);
        TMemoryStream blob;
        for (int n = 0; n < kMaxChildOps; ++n) {
            const int live = table.RecordCount();
            // Deletions balance appends around 500 live records, so the box stays a few MB.
            const double pDelete = std::clamp(0.15 + 0.5 * (live - 500) / 500.0, 0.05, 0.8);
            const double u = std::uniform_real_distribution<double>(0, 1)(g);
            if (u < 0.05 || (u < 0.08 && live > 0)) {
                const uint8_t op = u < 0.05 ? opCompact : opChangePassword;
                const uint32_t pwSeed = g();
                Report(ReportFd, mkBegin, op, 0, 0, pwSeed);
                char go = 0;
                if (::read(GoFd, &go, 1) != 1)
                    _exit(5);
                if (Bracketed)
                    table.EndUpdate();
                table.Close();
                const std::string newPassword = op == opCompact ? Password : PasswordFor(pwSeed);
                const bool done = op == opCompact ? db.Compact() : db.ChangePassword(newPassword, true);
                if (!done || !db.Active())
                    throw std::runtime_error(std::string(OpName(op)) + " did not replace the box");
                Password = newPassword;
                table.Open(kTable, true);
                if (Bracketed)
                    table.BeginUpdate();
                Report(ReportFd, mkDone, op, 0, 0, pwSeed);
            } else if (live > 0 && u < 0.08 + pDelete) {
                const int32_t id = table.GetSysRecordID(int(g() % uint32_t(live)));
                Report(ReportFd, mkBegin, opDelete, id);
                table.DeleteRecord(id);
                Report(ReportFd, mkDone, opDelete, id);
            } else {
                const int32_t expected = live > 0 ? table.GetSysRecordID(live - 1) + 1 : 1;
                const int32_t key = int32_t(1 + g() % kKeys);
                const uint32_t seed = g();
                Report(ReportFd, mkBegin, opAppend, expected, key, seed);
                // The record goes in with its blob, as the password box adds entries and files.
                const std::vector<uint8_t> bytes = MakeBlob(expected, seed);
                blob.Clear();
                blob.Write(bytes.data(), int64_t(bytes.size()));
                const int32_t id = table.AppendRecord(MakeRecord(expected, key, seed).data(), kRecSize, 0, {&blob});
                if (id != expected)
                    throw std::runtime_error("append gave id " + std::to_string(id) + ", expected " +
                                             std::to_string(expected));
                Report(ReportFd, mkDone, opAppend, id, key, seed);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "crash-test child: %s\n", e.what());
        _exit(3);
    }
    _exit(0);
}

// ---- the parent ----

struct TEntry {
    int32_t Key;
    uint32_t Seed;
    bool HasBlob;
};

// The operation that had begun and not been reported done when the child died.
struct TInFlight {
    TMessage Begin{};
    std::vector<uint8_t> Before; // the file before a compaction or password change
    TClock::time_point Started;
};

struct TStats {
    int Kills = 0;
    int Bracketed = 0;
    int InFlight[5] = {};
    int Repairs = 0;
    int CompactionOld = 0;
    int CompactionNew = 0;
    int CompactionsDone = 0;
    int StrayFiles = 0;
    int AppendLost = 0;
    int DeleteKept = 0;
};

class CrashSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* kills = std::getenv("ZMB_CRASH_KILLS");
        FKills = kills != nullptr ? std::max(1, std::atoi(kills)) : 200;
        const char* seed = std::getenv("ZMB_CRASH_SEED");
        FSeed = seed != nullptr ? uint32_t(std::strtoul(seed, nullptr, 10)) : std::random_device()();
        std::printf("crash safety: %d kills, seed %u (replay with ZMB_CRASH_SEED=%u)\n", FKills, FSeed, FSeed);
        FRandom.seed(FSeed);
        FFile = FTemp.File("box.zmb");
        FPassword = "first password";
        MakeBox();
    }

    void MakeBox()
    {
        TNorkDatabase db;
        ASSERT_TRUE(db.CreateDatabase(FFile, true, "Zlib", true, "Blowfish", FPassword));
        ASSERT_TRUE(db.Open(FFile, FPassword));
        ASSERT_TRUE(db.CreateTable(kTable, kRecSize, 1, 256));
        ASSERT_TRUE(db.CreateIndex(kTable, kIndex, 0, itLongint));
        db.SetComments(kComments);
        TNorkTable t(&db);
        t.Open(kTable, true);
        t.BeginUpdate();
        for (int32_t id = 1; id <= kInitialRecords; ++id) {
            const TEntry e{int32_t(1 + FRandom() % kKeys), uint32_t(FRandom()), true};
            t.AppendRecord(MakeRecord(id, e.Key, e.Seed).data(), kRecSize, id);
            const std::vector<uint8_t> bytes = MakeBlob(id, e.Seed);
            TMemoryStream blob;
            blob.Write(bytes.data(), int64_t(bytes.size()));
            t.WriteBlob(id, 0, blob);
            FModel[id] = e;
        }
        t.EndUpdate();
    }

    void Apply(const TMessage& M)
    {
        switch (M.Op) {
        case opAppend: FModel[M.Id] = TEntry{M.Key, M.Seed, true}; break;
        case opDelete: FModel.erase(M.Id); break;
        case opChangePassword: FPassword = PasswordFor(M.Seed); break;
        default: break;
        }
    }

    // One child, killed at a moment chosen by the round's plan; answers what was in flight.
    std::optional<TInFlight> RunAndKill(std::string& Problem);
    // The checks after a kill; updates the model with the outcome of the operation in flight.
    void Verify(const std::optional<TInFlight>& Flight);

    TTempFolder FTemp;
    std::string FFile;
    std::string FPassword;
    std::map<int32_t, TEntry> FModel;
    std::mt19937 FRandom;
    uint32_t FSeed = 0;
    int FKills = 0;
    double FCompactionMicros = 20000; // running estimate of how long a compaction takes here
    TStats FStats;
};

std::optional<TInFlight> CrashSafety::RunAndKill(std::string& Problem)
{
    int report[2];
    int go[2];
    if (pipe(report) != 0 || pipe(go) != 0) {
        Problem = "pipe failed";
        return std::nullopt;
    }
    const uint32_t childSeed = uint32_t(FRandom());
    const bool bracketed = FRandom() % 2 == 0;
    FStats.Bracketed += bracketed ? 1 : 0;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        Problem = "fork failed";
        return std::nullopt;
    }
    if (pid == 0) {
        ::close(report[0]);
        ::close(go[1]);
        RunChild(FFile, FPassword, childSeed, bracketed, report[1], go[0]);
    }
    ::close(report[1]);
    ::close(go[0]);

    // The plan: kill a random while (log-uniform, 1 us .. 5 ms) after a random number of
    // reported operations; when a compaction begins, mostly aim inside it instead.
    const unsigned afterDone = FRandom() % 12;
    const auto delay = [&](double MaxMicros) {
        const double us = std::exp(std::uniform_real_distribution<double>(0, std::log(MaxMicros))(FRandom));
        return std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double, std::micro>(us));
    };
    std::optional<TClock::time_point> deadline;
    std::optional<TInFlight> flight;
    unsigned done = 0;
    bool compactionAimed = false;
    const auto safety = TClock::now() + std::chrono::duration_cast<TClock::duration>(
                                            std::chrono::duration<double>(kSafetySeconds));

    // Messages read after the kill change the model the same way, but nothing is answered then.
    const auto handle = [&](const TMessage& M, bool ChildAlive) {
        if (M.Kind == mkBegin) {
            flight = TInFlight{M, {}, TClock::now()};
            if (M.Op == opCompact || M.Op == opChangePassword) {
                if (!ChildAlive) {
                    flight.reset(); // it waited for the go that never came: nothing started
                    return;
                }
                flight->Before = FileBytes(FFile);
                flight->Started = TClock::now();
                const char g = 1;
                WriteAll(go[1], &g, 1);
                if (!compactionAimed && FRandom() % 4 != 0) {
                    compactionAimed = true;
                    const double span = FCompactionMicros * 1.3;
                    deadline = TClock::now() + std::chrono::duration_cast<TClock::duration>(
                                                   std::chrono::duration<double, std::micro>(
                                                       std::uniform_real_distribution<double>(0, span)(FRandom)));
                }
            }
            return;
        }
        if (flight && (flight->Begin.Op == opCompact || flight->Begin.Op == opChangePassword)) {
            const double us = std::chrono::duration<double, std::micro>(TClock::now() - flight->Started).count();
            if (ChildAlive)
                FCompactionMicros = 0.7 * FCompactionMicros + 0.3 * us;
            ++FStats.CompactionsDone;
        }
        flight.reset();
        Apply(M);
        ++done;
        if (!deadline && done >= afterDone)
            deadline = TClock::now() + delay(5000);
    };
    if (afterDone == 0)
        deadline = TClock::now() + delay(5000);

    std::vector<uint8_t> pending;
    const auto readMessages = [&](bool ChildAlive) -> bool {
        uint8_t buffer[4096];
        const ssize_t n = ::read(report[0], buffer, sizeof(buffer));
        if (n <= 0)
            return false;
        pending.insert(pending.end(), buffer, buffer + n);
        std::size_t used = 0;
        for (; pending.size() - used >= sizeof(TMessage); used += sizeof(TMessage)) {
            TMessage m;
            std::memcpy(&m, pending.data() + used, sizeof(m));
            handle(m, ChildAlive);
        }
        pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(used));
        return true;
    };

    bool ended = false;
    for (;;) {
        const auto now = TClock::now();
        if (deadline && now >= *deadline)
            break;
        if (now >= safety) {
            Problem = "the child reported nothing for too long";
            break;
        }
        const auto until = deadline ? std::min(*deadline, safety) : safety;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now).count();
        timespec ts{time_t(ns / 1000000000), long(ns % 1000000000)};
        pollfd p{report[0], POLLIN, 0};
        if (ppoll(&p, 1, &ts, nullptr) > 0 && !readMessages(true)) {
            ended = true; // the child closed its end: it ended by itself
            break;
        }
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ++FStats.Kills;
    while (readMessages(false)) {
    }
    ::close(report[0]);
    ::close(go[1]);
    if (ended || !WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
        Problem = "the child ended by itself with status " + std::to_string(status) + " (see its message above)";
    return flight;
}

void CrashSafety::Verify(const std::optional<TInFlight>& Flight)
{
    const uint8_t op = Flight ? Flight->Begin.Op : 0;
    ++FStats.InFlight[op];
    SCOPED_TRACE(std::string("in flight: ") + (Flight ? OpName(op) : "nothing") + ", id " +
                 std::to_string(Flight ? Flight->Begin.Id : 0));

    // Left-over temporary files of a killed rebuild do not touch the box; they are counted and
    // cleared so that they do not pile up.
    for (const std::string& name : TemporaryFiles(FTemp.Path())) {
        ++FStats.StrayFiles;
        std::remove(FTemp.File(name).c_str());
    }

    if (op == opCompact || op == opChangePassword) {
        if (FileBytes(FFile) == Flight->Before) {
            ++FStats.CompactionOld;
        } else {
            // Only the complete new file may have taken the old one's place.
            ++FStats.CompactionNew;
            if (op == opChangePassword)
                FPassword = PasswordFor(Flight->Begin.Seed);
            const TTableHeader h = HeaderInFile(FFile, 0);
            EXPECT_EQ(h.AliveCapacity, 0) << "a changed file that is not the rebuilt one";
            EXPECT_EQ(h.AliveUseSpace, 0);
        }
    }

    TNorkDatabase db;
    bool opened = false;
    ASSERT_NO_THROW(opened = db.Open(FFile, FPassword));
    ASSERT_TRUE(opened) << "the box does not open with the password it should have";
    EXPECT_EQ(db.GetComments(), kComments);
    TNorkTable t(&db);
    try {
        t.Open(kTable, true);
    } catch (const ENorkFileCorrupt&) {
        // Only an operation that relinks the chain may leave it broken.
        ASSERT_TRUE(op == opAppend || op == opDelete) << "the index chain is broken";
        t.Close();
        bool repaired = false;
        ASSERT_NO_THROW(repaired = db.Repair());
        ASSERT_TRUE(repaired);
        ++FStats.Repairs;
        ASSERT_NO_THROW(t.Open(kTable, true)) << "still broken after Repair";
    }

    // Records and blobs: the model, give or take the one operation in flight.
    const int32_t flightId = op == opAppend || op == opDelete ? Flight->Begin.Id : 0;
    bool flightPresent = false;
    std::vector<uint8_t> rec(kRecSize);
    TMemoryStream blob;
    for (int pos = 0; pos < t.RecordCount(); ++pos) {
        int32_t id = 0;
        ASSERT_TRUE(t.ReadRecord(pos, id, rec.data()));
        ASSERT_NO_THROW(t.ReadBlob(id, 0, blob)) << "blob of id " << id;
        if (id == flightId && op == opAppend) {
            flightPresent = true;
            const TMessage& m = Flight->Begin;
            ASSERT_EQ(rec, MakeRecord(id, m.Key, m.Seed)) << "the record being appended, id " << id;
            const bool complete = StreamBytes(blob) == MakeBlob(id, m.Seed);
            ASSERT_TRUE(complete) << "the record being appended is there without its whole blob";
            FModel[id] = TEntry{m.Key, m.Seed, complete};
            continue;
        }
        const auto it = FModel.find(id);
        ASSERT_NE(it, FModel.end()) << "record " << id << " was never reported";
        if (id == flightId)
            flightPresent = true;
        ASSERT_EQ(rec, MakeRecord(id, it->second.Key, it->second.Seed)) << "record " << id;
        if (it->second.HasBlob)
            ASSERT_EQ(StreamBytes(blob), MakeBlob(id, it->second.Seed)) << "blob of record " << id;
        else
            ASSERT_EQ(blob.Size(), 0) << "blob of record " << id;
    }
    if (op == opAppend && !flightPresent)
        ++FStats.AppendLost;
    if (op == opDelete) {
        if (flightPresent)
            ++FStats.DeleteKept;
        else
            FModel.erase(flightId);
    }
    ASSERT_EQ(t.RecordCount(), int(FModel.size())) << "a reported record is missing";

    // The index lists exactly the live records of each folder, in id order.
    TNorkIndex* index = t.GetIndex(kIndex);
    ASSERT_EQ(index->Count(), t.RecordCount());
    std::map<int32_t, std::vector<int32_t>> byKey;
    for (const auto& [id, e] : FModel)
        byKey[e.Key].push_back(id);
    std::vector<uint8_t> key(kRecSize, 0);
    std::vector<int32_t> ids;
    for (int32_t k = 1; k <= kKeys; ++k) {
        std::memcpy(key.data(), &k, 4);
        index->Filter(key.data(), coEQ, ids);
        ASSERT_EQ(ids, byKey[k]) << "folder " << k;
    }
}

TEST_F(CrashSafety, KilledWorkLeavesEveryReportedOperationAndNothingElse)
{
    ASSERT_FALSE(HasFailure());
    const auto start = TClock::now();
    for (int round = 0; round < FKills; ++round) {
        SCOPED_TRACE("seed " + std::to_string(FSeed) + ", kill " + std::to_string(round + 1));
        std::string problem;
        const std::optional<TInFlight> flight = RunAndKill(problem);
        ASSERT_TRUE(problem.empty()) << problem;
        Verify(flight);
        if (HasFailure())
            break;
    }
    const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
    const TStats& s = FStats;
    std::printf("crash safety: %d kills (%d in an update bracket) in %.1f s; in flight: none %d, append %d, delete %d, compact %d, "
                "password %d\n",
                s.Kills, s.Bracketed, seconds, s.InFlight[0], s.InFlight[opAppend], s.InFlight[opDelete], s.InFlight[opCompact],
                s.InFlight[opChangePassword]);
    std::printf("crash safety: appends lost %d, deletions not made %d, repairs %d; "
                "rebuilds killed: old file kept %d, new file in place %d; rebuilds done %d; "
                "stray NORK files %d; %zu records at the end; a rebuild takes about %.1f ms\n",
                s.AppendLost, s.DeleteKept, s.Repairs, s.CompactionOld, s.CompactionNew,
                s.CompactionsDone, s.StrayFiles, FModel.size(), FCompactionMicros / 1000);
    // The kills must have reached the interesting places, or the run proved little.
    if (!HasFailure() && FKills >= 200) {
        EXPECT_GT(s.InFlight[opAppend], 0);
        EXPECT_GT(s.InFlight[opDelete], 0);
        EXPECT_GT(s.CompactionOld, 0) << "no kill landed inside a rebuild";
    }
}

} // namespace
