// Throughput of the cipher, key setup, digest and compression as the storage engine uses them.
#include "dataproc/NorkAlgoMgr.h"
#include "dataproc/NorkCipher.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

TEncryptMgr& KeyedManager()
{
    static TEncryptMgr* mgr = [] {
        auto* m = new TEncryptMgr();
        m->SetAlgoName("Blowfish");
        m->SetMode(emCTS);
        m->InitKey("benchmark password");
        return m;
    }();
    return *mgr;
}

void BM_CtsEncode(benchmark::State& state)
{
    std::vector<uint8_t> buf(static_cast<std::size_t>(state.range(0)), 0x5A);
    TEncryptMgr& mgr = KeyedManager();
    for (auto _ : state) {
        mgr.EncodeBuffer(buf.data(), buf.data(), static_cast<int>(buf.size()));
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_CtsEncode)->Arg(64)->Arg(330)->Arg(4096)->Arg(1 << 20);

void BM_CtsDecode(benchmark::State& state)
{
    std::vector<uint8_t> buf(static_cast<std::size_t>(state.range(0)), 0x5A);
    TEncryptMgr& mgr = KeyedManager();
    for (auto _ : state) {
        mgr.DecodeBuffer(buf.data(), buf.data(), static_cast<int>(buf.size()));
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_CtsDecode)->Arg(64)->Arg(330)->Arg(4096)->Arg(1 << 20);

// Digest of the password plus the Blowfish key schedule: the cost of opening a box.
void BM_InitKey(benchmark::State& state)
{
    TEnc_Blowfish bf;
    for (auto _ : state) {
        bf.InitKey("benchmark password", nullptr);
        benchmark::DoNotOptimize(bf.Vector());
    }
}
BENCHMARK(BM_InitKey)->Unit(benchmark::kMicrosecond);

void BM_Sha0(benchmark::State& state)
{
    std::vector<uint8_t> buf(1 << 20, 0x33);
    uint8_t digest[20];
    for (auto _ : state) {
        THash_SHA::CalcBuffer(digest, buf.data(), static_cast<int>(buf.size()));
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(BM_Sha0);

// A 200-byte entry comment through compression and back, as a blob write and read do.
void BM_ZlibComment(benchmark::State& state)
{
    std::string comment;
    while (comment.size() < 200)
        comment += "Account opened 2019, security questions on file; card 4921 expires 08/27. ";
    comment.resize(200);
    TCompressMgr mgr;
    mgr.SetAlgoName("Zlib");
    TMemoryStream s;
    for (auto _ : state) {
        s.Clear();
        s.Write(comment.data(), static_cast<int64_t>(comment.size()));
        mgr.EncodeStream(&s, &s, -1);
        mgr.DecodeStream(&s, &s, -1);
        benchmark::DoNotOptimize(s.Memory());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 200);
}
BENCHMARK(BM_ZlibComment)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
