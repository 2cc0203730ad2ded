// The password-box layer on a realistic box: 10,000 web entries in 20 folders with comments of
// about 200 bytes (some up to 4 KiB, some Chinese), 2,000 bank and 2,000 general entries. Times
// the everyday operations and sets the search beside the decode ceilings: every stored entry
// record deciphered and every comment blob deciphered and inflated once, from memory, on one
// core and on every core. That is the least any search over the box must do.
#include "boxdata/BoxSchema.h"
#include "boxdata/DbFileMgr.h"
#include "dataproc/FileStream.h"
#include "storage/Nork.h"
#include "storage/NorkCodec.h"
#include "dataproc/ParallelFor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Millis(TClock::duration D)
{
    return std::chrono::duration<double, std::milli>(D).count();
}

// Median of Runs timings of Body, in milliseconds.
double MedianMs(int Runs, const std::function<void()>& Body)
{
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        const auto start = TClock::now();
        Body();
        times.push_back(Millis(TClock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string Comment(std::mt19937& Rng, int Index)
{
    static const char* const kLatin = "Account notes: security question set, card renewed, two-factor on. ";
    static const char* const kChinese = "备注：密保问题已设置，银行卡已更换，已开启两步验证。";
    std::string text;
    const std::size_t want = (Index % 50 == 0) ? 1000 + Rng() % 3000 : 150 + Rng() % 100;
    while (text.size() < want)
        text += (Index % 7 == 0) ? kChinese : kLatin;
    text.resize(want);
    // Cutting may split a UTF-8 sequence; keep whole characters.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0)
        text.pop_back();
    return text;
}

struct TBox {
    std::string File;
    std::vector<int32_t> Folders;   // the 20 web folders
    int32_t BigFolder = 0;          // the folder with 500 entries
};

TBox BuildBox(const std::string& Dir)
{
    TBox box;
    box.File = Dir + "/bench.zmb";
    TDbFileMgr mgr;
    mgr.CreateDatabase(box.File, "benchmark password", true, false, "", "");
    mgr.OpenDatabase(box.File, "benchmark password");
    std::mt19937 rng(42);
    mgr.BeginUpdate();
    for (int f = 0; f < 20; ++f) {
        int32_t id = 0;
        mgr.AddFolder(TZembraFolder{0, 1, "文件夹 " + std::to_string(f), (f + 1) * 10}, id);
        box.Folders.push_back(id);
    }
    box.BigFolder = box.Folders[0];
    for (int i = 0; i < 10000; ++i) {
        TZmbNetItem item;
        // 500 entries in the first folder, the rest spread over the other 19.
        item.FolderID = i < 500 ? box.Folders[0] : box.Folders[1 + i % 19];
        item.Caption = (i % 100 == 0 ? "needle site " : "site ") + std::to_string(i);
        item.UserName = "user" + std::to_string(i);
        item.Password = "pw-" + std::to_string(rng());
        item.Hyperlink = "https://www.example" + std::to_string(i) + ".com/login";
        item.Email = "user" + std::to_string(i) + "@mail.example.com";
        item.Comments = Comment(rng, i);
        item.SortCode = (i + 1) * 10;
        int32_t id = 0;
        mgr.AddNetItem(item, id);
    }
    for (int i = 0; i < 2000; ++i) {
        TZmbBankItem item;
        item.FolderID = 4 + 5 + i % 6; // the six bank folders
        item.BankName = "银行 " + std::to_string(i);
        item.Account = "6222 " + std::to_string(100000 + i);
        item.Password = std::to_string(rng() % 1000000);
        item.Comments = Comment(rng, i);
        int32_t id = 0;
        mgr.AddBankItem(item, id);
    }
    for (int i = 0; i < 2000; ++i) {
        TZmbCommItem item;
        item.FolderID = 15 + i % 3;
        item.Caption = "记事 " + std::to_string(i);
        item.Comments = Comment(rng, i);
        int32_t id = 0;
        mgr.AddCommItem(item, id);
    }
    mgr.EndUpdate();
    mgr.CloseDatabase();
    return box;
}

// Deciphers every stored entry record and inflates every comment blob, nothing else.
void DecodeEverything(const std::string& File)
{
    TNorkDatabase db;
    db.SetMaxCache(0);
    db.Open(File, "benchmark password");
    std::vector<uint8_t> rec(400);
    TMemoryStream blob;
    for (const char* name : {BoxSchema::kNetItemTable, BoxSchema::kBankItemTable, BoxSchema::kCommItemTable}) {
        TNorkTable table(&db);
        table.Open(name, false);
        table.BeginUpdate();
        for (int pos = 0; pos < table.RecordCount(); ++pos) {
            int32_t id = 0;
            table.ReadRecord(pos, id, rec.data());
            table.ReadBlob(id, 0, blob);
        }
        table.EndUpdate();
    }
}

// The stored bytes of every entry record and comment blob, read once into memory.
struct TStoredEntry {
    std::vector<uint8_t> Record; // the data part, enciphered
    std::vector<uint8_t> Blob;   // stored comment bytes
    int32_t PlainSize = 0;
};

std::vector<TStoredEntry> LoadStored(const std::string& File)
{
    std::vector<uint8_t> bytes(std::filesystem::file_size(File));
    FILE* f = std::fopen(File.c_str(), "rb");
    if (f == nullptr || std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
    TNorkDatabase db;
    db.Open(File, "benchmark password");
    std::vector<TStoredEntry> entries;
    for (const char* name : {BoxSchema::kNetItemTable, BoxSchema::kBankItemTable, BoxSchema::kCommItemTable}) {
        TNorkTable table(&db);
        table.Open(name, false);
        const int64_t descriptor = int64_t(sizeof(TPhyRecPrefix)) + 4 * int64_t(table.TableHeader().IndexCount);
        for (int pos = 0; pos < table.RecordCount(); ++pos) {
            const int64_t at = table.GetRecordOffset(table.GetSysRecordID(pos));
            TStoredEntry e;
            const uint8_t* data = bytes.data() + at + table.PrefixSize();
            e.Record.assign(data, data + table.TableHeader().RecordSize);
            TBlobInfo info{};
            std::memcpy(&info, bytes.data() + at + descriptor, sizeof(info));
            e.Blob.assign(bytes.data() + info.DataOfs, bytes.data() + info.DataOfs + info.StoredSize);
            e.PlainSize = info.DataSize;
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

// Deciphers and inflates entries [First, Last) with a codec of its own.
void DecodeStored(TNorkCodec& Codec, const std::vector<TStoredEntry>& Entries, std::size_t First, std::size_t Last)
{
    std::vector<uint8_t> rec;
    TMemoryStream stored, plain;
    for (std::size_t i = First; i < Last; ++i) {
        rec = Entries[i].Record;
        Codec.DecodeRecord(rec.data(), static_cast<int>(rec.size()));
        stored.Clear();
        stored.Write(Entries[i].Blob.data(), static_cast<int64_t>(Entries[i].Blob.size()));
        Codec.DecodeBlob(stored, plain, Entries[i].PlainSize);
    }
}

// The same bytes split evenly over Threads threads, each with its own codec.
void DecodeStoredOn(int Threads, const std::vector<TStoredEntry>& Entries, const std::string& File)
{
    TNorkDatabase db;
    db.Open(File, "benchmark password");
    std::vector<std::unique_ptr<TNorkCodec>> codecs;
    for (int t = 0; t < Threads; ++t)
        codecs.push_back(db.NewCodec());
    std::vector<std::thread> threads;
    const std::size_t n = Entries.size();
    for (int t = 1; t < Threads; ++t)
        threads.emplace_back([&, t] { DecodeStored(*codecs[t], Entries, n * t / Threads, n * (t + 1) / Threads); });
    DecodeStored(*codecs[0], Entries, 0, n / Threads);
    for (std::thread& t : threads)
        t.join();
}

// What one small write and its fsync cost on this file system: the floor under every change
// that is flushed to the device.
double FlushFloorMs(const std::string& File)
{
    TFileStream probe(File, fmCreate, shExclusive);
    char bytes[400] = {};
    int64_t at = 0;
    return MedianMs(21, [&] {
        probe.SetPosition(at);
        probe.Write(bytes, sizeof(bytes));
        at += sizeof(bytes);
        probe.Flush();
    });
}

} // namespace

int main()
{
    const std::string dir = std::filesystem::temp_directory_path() / ("zmb-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::printf("Building the box (10,000 web, 2,000 bank, 2,000 general entries)...\n");
    const auto buildStart = TClock::now();
    const TBox box = BuildBox(dir);
    std::printf("  built in %.0f ms, %.1f MB\n\n", Millis(TClock::now() - buildStart),
                std::filesystem::file_size(box.File) / 1e6);

    TDbFileMgr mgr;
    const double open = MedianMs(7, [&] { mgr.OpenDatabase(box.File, "benchmark password"); });
    TZmbNetItems list;
    const double listFolder = MedianMs(7, [&] { mgr.GetNetItemList(box.BigFolder, false, list); });
    TSearchResultItems hits;
    const double searchHit = MedianMs(5, [&] {
        hits.clear();
        mgr.Search("NEEDLE", hits);
    });
    const std::size_t hitCount = hits.size();
    const double searchNone = MedianMs(5, [&] {
        hits.clear();
        mgr.Search("zzqqxx", hits);
    });
    mgr.CloseDatabase();
    const double oneByOne = MedianMs(5, [&] { DecodeEverything(box.File); });
    const std::vector<TStoredEntry> stored = LoadStored(box.File);
    const int cores = DecodeThreadCount();
    const double oneCore = MedianMs(5, [&] { DecodeStoredOn(1, stored, box.File); });
    const double allCores = MedianMs(5, [&] { DecodeStoredOn(cores, stored, box.File); });
    SetDecodeThreadCount(1);
    mgr.OpenDatabase(box.File, "benchmark password");
    const double searchOneThread = MedianMs(5, [&] {
        hits.clear();
        mgr.Search("zzqqxx", hits);
    });
    const double listOneThread = MedianMs(7, [&] { mgr.GetNetItemList(box.BigFolder, false, list); });
    mgr.CloseDatabase();
    SetDecodeThreadCount(0);
    mgr.OpenDatabase(box.File, "benchmark password");

    std::vector<int32_t> added;
    TZmbNetItem item;
    item.FolderID = box.Folders[3];
    item.Caption = "new entry";
    item.Password = "secret";
    item.Comments = "a new comment of ordinary length, written with its flush to the device";
    item.SortCode = mgr.GetNetMaxSortCode(box.Folders[3]) + 10;
    const double add = MedianMs(21, [&] {
        int32_t id = 0;
        mgr.AddNetItem(item, id);
        added.push_back(id);
    });
    std::size_t next = 0;
    const double del = MedianMs(21, [&] { mgr.DeleteNetItem(added[next++]); });
    const double sizeBefore = std::filesystem::file_size(box.File) / 1e6;
    const double compact = MedianMs(1, [&] { mgr.Compact(); });
    const double sizeAfter = std::filesystem::file_size(box.File) / 1e6;
    mgr.CloseDatabase();
    const double flush = FlushFloorMs(dir + "/flush.probe");

    std::printf("%-44s %10s %12s\n", "operation", "ms", "target");
    std::printf("%-44s %10.2f %12s\n", "OpenDatabase", open, "<= 50");
    std::printf("%-44s %10.2f %12s\n", "GetNetItemList, 500-entry folder", listFolder, "");
    std::printf("%-44s %10.2f %12s\n", ("Search, " + std::to_string(hitCount) + " hits").c_str(), searchHit, "");
    std::printf("%-44s %10.2f %12s\n", "Search, no hits", searchNone, "");
    std::printf("%-44s %10.2f %12s\n", "GetNetItemList, 500 entries, one thread", listOneThread, "");
    std::printf("%-44s %10.2f %12s\n", "Search, no hits, one thread", searchOneThread, "");
    std::printf("%-44s %10.2f %12s\n", "ReadRecord + ReadBlob of every entry", oneByOne, "");
    std::printf("%-44s %10.2f %12s\n", "decode ceiling, one core (from memory)", oneCore, "");
    std::printf("%-44s %10.2f %12s\n", ("decode ceiling, all " + std::to_string(cores) + " cores").c_str(),
                allCores, "");
    std::printf("%-44s %10.3f %12s\n", "AddNetItem (with its flush)", add, "<= 2");
    std::printf("%-44s %10.3f %12s\n", "DeleteNetItem", del, "");
    std::printf("%-44s %10.3f %12s\n", "  the device's own flush (write + fsync)", flush, "");
    std::printf("%-44s %10.0f %12s\n", "Compact", compact, "");
    std::printf("\nsearch / all-core ceiling: %.2f (hits), %.2f (none); target <= 1.3\n", searchHit / allCores,
                searchNone / allCores);
    std::printf("search / one-core ceiling: %.2f (hits), %.2f (none); one-thread search / one-core ceiling: %.2f\n",
                searchHit / oneCore, searchNone / oneCore, searchOneThread / oneCore);
    std::printf("file %.1f MB before compaction, %.1f MB after\n", sizeBefore, sizeAfter);
    std::filesystem::remove_all(dir);
    return 0;
}
