#include "dataproc/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace {

std::atomic<int> GDecodeThreads{0};

// Items per hand-out: small enough to balance, large enough that the counter is not contended.
constexpr int kRun = 16;
// Below this many items per thread, starting a thread costs more than it saves.
constexpr int kItemsPerThread = 64;

} // namespace

int DecodeThreadCount()
{
    const int set = GDecodeThreads.load(std::memory_order_relaxed);
    if (set > 0)
        return set;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void SetDecodeThreadCount(int Count)
{
    GDecodeThreads.store(std::max(0, Count), std::memory_order_relaxed);
}

int WorkersFor(int Count)
{
    return std::clamp((Count + kItemsPerThread - 1) / kItemsPerThread, 1, DecodeThreadCount());
}

void ParallelFor(int Count, int Workers, const std::function<void(int Index, int Worker)>& Body)
{
    ParallelFor(Count, Workers, Body, [] {});
}

void ParallelFor(int Count, int Workers, const std::function<void(int Index, int Worker)>& Body,
                 const std::function<void()>& Alongside)
{
    std::exception_ptr error;
    const auto alongside = [&] {
        try {
            Alongside();
        } catch (...) {
            error = std::current_exception();
        }
    };
    if (Count <= 0 || Workers <= 1) {
        alongside();
        for (int i = 0; i < Count; ++i)
            Body(i, 0);
        if (error)
            std::rethrow_exception(error);
        return;
    }
    std::atomic<int> next{0};
    const auto work = [&](int Worker) {
        for (;;) {
            const int first = next.fetch_add(kRun, std::memory_order_relaxed);
            if (first >= Count)
                return;
            const int last = std::min(Count, first + kRun);
            for (int i = first; i < last; ++i)
                Body(i, Worker);
        }
    };
    std::vector<std::jthread> helpers;
    helpers.reserve(static_cast<std::size_t>(Workers - 1));
    for (int w = 1; w < Workers; ++w) {
        try {
            helpers.emplace_back(work, w);
        } catch (const std::system_error&) {
            break; // the threads that did start, and this one, share the work
        }
    }
    alongside();
    work(0);
    for (std::jthread& h : helpers)
        h.join();
    // Every Body has returned before anything passes on.
    if (error)
        std::rethrow_exception(error);
}
