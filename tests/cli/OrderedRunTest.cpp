#include "OrderedRun.h"

#include "CliTestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using sparrowtrim::cli::RunInOrder;
using sparrowtrim::cli::test::kRowName;

struct OrderCase
{
    const char *name;
    std::size_t count;
    unsigned jobs;
    std::size_t stopAfter = 1000; // the stop is requested while this index is consumed
    std::size_t ahead = 1000;     // results that may wait to be consumed
};

class RunInOrderTest : public testing::TestWithParam<OrderCase>
{
};

TEST_P(RunInOrderTest, StartsEachIndexOnceAndConsumesAllItStartedInOrder)
{
    const auto [name, count, jobs, stopAfter, ahead] = GetParam();
    std::atomic<bool> stop = false;
    std::atomic<std::size_t> consumedCount = 0;
    std::vector<std::atomic<int>> calls(count);
    std::vector<std::size_t> consumed;

    const std::size_t handled = RunInOrder(
        count, jobs,
        [&](unsigned worker, std::size_t index) {
            ++calls[index];
            EXPECT_LT(index, consumedCount + ahead) << "started too far ahead";
            // Each worker has an engine of its own, made for as many as the run can use.
            EXPECT_LT(worker, std::clamp<std::size_t>(count, 1, jobs));
            // Early indexes take longest, so later ones finish first; work beyond the stop
            // can only end after it.
            std::this_thread::sleep_for(std::chrono::microseconds(200 * ((count - index) % 7)));
            while (index > stopAfter && !stop)
                std::this_thread::yield();
            return index;
        },
        [&](std::size_t index, std::size_t result) {
            EXPECT_EQ(result, index);
            consumed.push_back(result);
            stop = stop || index == stopAfter;
            ++consumedCount;
        },
        &stop, ahead);

    EXPECT_EQ(handled, consumed.size());
    EXPECT_GE(consumed.size(), std::min(stopAfter + 1, count));
    EXPECT_LE(consumed.size(), std::min(stopAfter + 1 + jobs, count));
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(calls[i], i < consumed.size() ? 1 : 0) << "index " << i;
    for (std::size_t i = 0; i < consumed.size(); ++i)
        EXPECT_EQ(consumed[i], i);
}

const OrderCase kCases[] = {
    {"Nothing", 0, 4},
    {"MoreJobsThanWork", 3, 8},
    {"ManyItemsFewJobs", 200, 3},
    {"StopWhenAlone", 100, 1, 0},
    {"StopInParallel", 100, 3, 40},
    {"FewResultsMayWait", 100, 3, 1000, 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, RunInOrderTest, testing::ValuesIn(kCases), kRowName);

TEST(RunInOrderFailureTest, WorkFailureReachesTheCallerAfterTheEarlierResults)
{
    std::vector<std::size_t> consumed;
    const auto work = [](unsigned, std::size_t index) {
        return index == 10 ? throw std::runtime_error("no memory") : index;
    };
    const auto consume = [&](std::size_t, std::size_t result) { consumed.push_back(result); };

    EXPECT_THROW(RunInOrder(50, 4, work, consume), std::runtime_error);
    EXPECT_EQ(consumed.size(), 10U);
}

} // namespace
