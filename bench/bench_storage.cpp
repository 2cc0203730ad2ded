// One run on one machine: Blowfish-CTS speed as the ceiling, then an encrypted table of
// 100,000 records of 330 bytes appended inside one update bracket, opened, read by record
// index and read by random id. Prints records/s beside the ceiling and the targets.
#include "dataproc/FilePaths.h"
#include "dataproc/NorkAlgoMgr.h"
#include "storage/Nork.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kRecords = 100000;
constexpr int kRecSize = 330;
constexpr int kRandomReads = 10000;
const char* const kPassword = "benchmark password";

double Seconds(TClock::time_point From, TClock::time_point To)
{
    return std::chrono::duration<double>(To - From).count();
}

// Bytes per second of Blowfish in emCTS through the manager the engine uses, over a large
// buffer, repeated for at least half a second.
double CipherBytesPerSecond(bool Encode)
{
    TEncryptMgr mgr;
    mgr.SetAlgoName("Blowfish");
    mgr.SetMode(emCTS);
    mgr.InitKey(kPassword);
    std::vector<uint8_t> buffer(1 << 20);
    std::mt19937 random(7);
    for (auto& b : buffer)
        b = static_cast<uint8_t>(random());
    int64_t bytes = 0;
    const auto start = TClock::now();
    double elapsed = 0;
    do {
        for (int i = 0; i < 8; ++i) {
            if (Encode)
                mgr.EncodeBuffer(buffer.data(), buffer.data(), int(buffer.size()));
            else
                mgr.DecodeBuffer(buffer.data(), buffer.data(), int(buffer.size()));
            benchmark::DoNotOptimize(buffer.data());
            bytes += int64_t(buffer.size());
        }
        elapsed = Seconds(start, TClock::now());
    } while (elapsed < 0.5);
    return double(bytes) / elapsed;
}

void MakeRecord(std::vector<uint8_t>& Rec, int N)
{
    for (int i = 0; i < kRecSize; ++i)
        Rec[std::size_t(i)] = static_cast<uint8_t>(N * 131 + i * 7);
}

void Row(const char* What, double Value, const char* Unit, const std::string& Beside)
{
    std::printf("  %-38s %14.0f %-10s %s\n", What, Value, Unit, Beside.c_str());
}

std::string Ratio(double Value, double Ceiling, double Target)
{
    char text[96];
    const double r = Value / Ceiling;
    std::snprintf(text, sizeof(text), "= %.2f x ceiling (target >= %.1f: %s)", r, Target, r >= Target ? "met" : "MISSED");
    return text;
}

} // namespace

int main()
{
    std::string pattern = TempFolder() + "/zmb-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    const std::string file = folder + "/bench.zmb";
    int status = 0;

    try {
        const double encodeBps = CipherBytesPerSecond(true);
        const double decodeBps = CipherBytesPerSecond(false);
        const double encodeCeiling = encodeBps / kRecSize;
        const double decodeCeiling = decodeBps / kRecSize;

        TNorkDatabase db;
        if (!db.CreateDatabase(file, true, "Zlib", true, "Blowfish", kPassword))
            throw std::runtime_error("cannot create " + file);
        db.SetMaxCache(0); // as the password-box layer runs it
        if (!db.Open(file, kPassword) || !db.CreateTable("NetItem", kRecSize, 1, 256))
            throw std::runtime_error("cannot open " + file);
        TNorkTable table(&db);
        table.Open("NetItem", false);

        std::vector<uint8_t> rec(kRecSize);
        auto start = TClock::now();
        table.BeginUpdate();
        for (int n = 1; n <= kRecords; ++n) {
            MakeRecord(rec, n);
            table.AppendRecord(rec.data(), kRecSize, 0);
        }
        table.EndUpdate(); // includes flushing the file to the device
        const double appendSeconds = Seconds(start, TClock::now());

        table.Close();
        std::vector<double> opens;
        for (int i = 0; i < 5; ++i) {
            table.Close();
            start = TClock::now();
            table.Open("NetItem", false);
            opens.push_back(Seconds(start, TClock::now()) * 1000.0);
        }
        if (table.RecordCount() != kRecords)
            throw std::runtime_error("the table holds " + std::to_string(table.RecordCount()) + " records");
        const double firstOpen = opens.front();
        std::sort(opens.begin(), opens.end());
        const double medianOpen = opens[opens.size() / 2];

        // The table was just opened: nothing is cached, every 100th read goes to the file.
        std::vector<uint8_t> out(kRecSize);
        int32_t id = 0;
        start = TClock::now();
        for (int i = 0; i < kRecords; ++i) {
            table.ReadRecord(i, id, out.data());
            benchmark::DoNotOptimize(out.data());
        }
        const double seqSeconds = Seconds(start, TClock::now());
        MakeRecord(rec, id);
        if (id != kRecords || out != rec)
            throw std::runtime_error("the last record read back wrong");

        table.Open("NetItem", false);
        std::mt19937 random(99);
        std::uniform_int_distribution<int32_t> pick(1, kRecords);
        std::vector<int32_t> ids(kRandomReads);
        for (auto& i : ids)
            i = pick(random);
        start = TClock::now();
        for (const int32_t i : ids) {
            table.ReadRecord(i, out.data());
            benchmark::DoNotOptimize(out.data());
        }
        const double randomSeconds = Seconds(start, TClock::now());
        MakeRecord(rec, ids.back());
        if (out != rec)
            throw std::runtime_error("a random record read back wrong");

        const double appendRate = kRecords / appendSeconds;
        const double seqRate = kRecords / seqSeconds;
        const double randomRate = kRandomReads / randomSeconds;
        const auto fileSize = std::filesystem::file_size(file);

        std::printf("bench_storage: encrypted table, %d records of %d bytes, MaxCache 0, file %.1f MB\n", kRecords,
                    kRecSize, double(fileSize) / 1e6);
        std::printf("  Blowfish-CTS encode %.1f MB/s, decode %.1f MB/s (same run)\n", encodeBps / 1e6, decodeBps / 1e6);
        Row("encode ceiling (encode B/s / 330)", encodeCeiling, "records/s", "");
        Row("decode ceiling (decode B/s / 330)", decodeCeiling, "records/s", "");
        Row("append, one update bracket", appendRate, "records/s", Ratio(appendRate, encodeCeiling, 0.4));
        Row("sequential ReadRecord by index", seqRate, "records/s", Ratio(seqRate, decodeCeiling, 0.6));
        Row("ReadRecord of 10,000 random ids", randomRate, "records/s",
            "(freshly opened table, read-ahead of 100 per miss)");
        char open[96];
        std::snprintf(open, sizeof(open), "first %.1f ms, median of 5 %.1f ms (target <= 30 ms: %s)", firstOpen, medianOpen,
                      medianOpen <= 30.0 ? "met" : "MISSED");
        std::printf("  %-38s %s\n", "open the 100,000-record table", open);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_storage: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return status;
}
