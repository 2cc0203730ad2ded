// Work spread over threads: every item runs exactly once, and the calling thread's own job beside
// the items runs once and lets no item run after the call returns, also when it raises.
#include "dataproc/ParallelFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

TEST(ParallelFor, EveryItemOnceAndTheCallersJobOnce)
{
    struct TCase {
        int Count;
        int Workers;
    };
    for (const TCase c : {TCase{0, 1}, TCase{0, 4}, TCase{1, 4}, TCase{100, 1}, TCase{1000, 2}, TCase{1000, 4}}) {
        SCOPED_TRACE(std::to_string(c.Count) + " items on " + std::to_string(c.Workers) + " threads");
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(c.Count));
        std::atomic<bool> badWorker{false};
        int alongside = 0;
        ParallelFor(
            c.Count, c.Workers,
            [&](int Index, int Worker) {
                if (Worker < 0 || Worker >= c.Workers)
                    badWorker = true;
                ++runs[static_cast<std::size_t>(Index)];
            },
            [&] { ++alongside; });
        EXPECT_EQ(alongside, 1);
        EXPECT_FALSE(badWorker);
        for (int i = 0; i < c.Count; ++i)
            EXPECT_EQ(runs[static_cast<std::size_t>(i)].load(), 1) << "item " << i;
    }
}

TEST(ParallelFor, ARaisingJobStillLetsEveryItemEndFirst)
{
    for (const int workers : {1, 3}) {
        SCOPED_TRACE(std::to_string(workers) + " threads");
        std::atomic<int> done{0};
        int doneWhenRaised = -1;
        try {
            ParallelFor(
                500, workers, [&](int, int) { ++done; }, [] { throw std::runtime_error("read failed"); });
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "read failed");
            doneWhenRaised = done.load();
        }
        EXPECT_EQ(doneWhenRaised, 500);
    }
}

} // namespace
