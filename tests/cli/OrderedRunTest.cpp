#include "OrderedRun.h"

#include "CliTestSupport.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using sparrowtrim::cli::RunInOrder;

namespace {

struct OrderCase
{
    const char *name;
    std::size_t count;
    unsigned jobs;
};

void PrintTo(const OrderCase &row, std::ostream *out)
{
    *out << row.name;
}

class RunInOrderTest : public testing::TestWithParam<OrderCase>
{
};

TEST_P(RunInOrderTest, EveryIndexOnceAndResultsInOrder)
{
    const auto [name, count, jobs] = GetParam();
    std::vector<std::atomic<int>> calls(count);
    std::set<unsigned> workers;
    std::mutex workersMutex;
    std::vector<std::size_t> consumed;

    RunInOrder(
        count, jobs,
        [&](unsigned worker, std::size_t index) {
            // Early indexes take longest, so later ones finish first.
            std::this_thread::sleep_for(std::chrono::microseconds(200 * ((count - index) % 7)));
            ++calls[index];
            const std::lock_guard lock(workersMutex);
            workers.insert(worker);
            return "result " + std::to_string(index);
        },
        [&](std::size_t index, std::string result) {
            EXPECT_EQ(result, "result " + std::to_string(index));
            consumed.push_back(index);
        });

    ASSERT_EQ(consumed.size(), count);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(consumed[i], i);
        EXPECT_EQ(calls[i], 1) << "index " << i;
    }
    for (unsigned worker : workers)
        EXPECT_LT(worker, jobs);
}

const OrderCase kOrderCases[] = {
    {"Nothing", 0, 4},          {"OneJob", 20, 1},
    {"MoreJobsThanWork", 3, 8}, {"ManyItemsFewJobs", 200, 3},
    {"SingleItem", 1, 4},
};

INSTANTIATE_TEST_SUITE_P(Cases, RunInOrderTest, testing::ValuesIn(kOrderCases),
                         sparrowtrim::cli::test::kRowName);

struct StopCase
{
    const char *name;
    std::size_t stopAfter; // the stop is requested while this index is consumed
    unsigned jobs;
};

void PrintTo(const StopCase &row, std::ostream *out)
{
    *out << row.name;
}

class RunInOrderStopTest : public testing::TestWithParam<StopCase>
{
};

TEST_P(RunInOrderStopTest, StartedWorkIsFinishedAndConsumedInOrderThenNothingMore)
{
    constexpr std::size_t count = 100;
    const auto [name, stopAfter, jobs] = GetParam();
    std::atomic<bool> stop = false;
    std::atomic<std::size_t> started = 0;
    std::vector<std::size_t> consumed;

    const std::size_t handled = RunInOrder(
        count, jobs,
        [&](unsigned, std::size_t index) {
            ++started;
            // Work beyond the stop can only end after it, so it cannot all be done already.
            while (index > stopAfter && !stop)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            return index;
        },
        [&](std::size_t, std::size_t result) {
            consumed.push_back(result);
            if (result == stopAfter)
                stop = true;
        },
        &stop);

    EXPECT_EQ(handled, consumed.size());
    EXPECT_EQ(started, consumed.size()) << "started work that was never reported";
    EXPECT_GT(consumed.size(), stopAfter);
    EXPECT_LE(consumed.size(), stopAfter + 1 + jobs);
    for (std::size_t i = 0; i < consumed.size(); ++i)
        EXPECT_EQ(consumed[i], i);
}

const StopCase kStopCases[] = {
    {"AloneAfterFirst", 0, 1},
    {"ParallelAfterFirst", 0, 4},
    {"ParallelMidway", 40, 3},
};

INSTANTIATE_TEST_SUITE_P(Cases, RunInOrderStopTest, testing::ValuesIn(kStopCases),
                         sparrowtrim::cli::test::kRowName);

TEST(RunInOrderStopTest, StopBeforeTheStartStartsNothing)
{
    const std::atomic<bool> stop = true;
    int calls = 0;

    const std::size_t handled = RunInOrder(
        10, 3, [&](unsigned, std::size_t) { return ++calls; }, [](std::size_t, int) {}, &stop);

    EXPECT_EQ(handled, 0U);
    EXPECT_EQ(calls, 0);
}

TEST(RunInOrderFailureTest, WorkFailureReachesTheCallerAfterTheEarlierResults)
{
    std::vector<std::size_t> consumed;
    const auto run = [&] {
        RunInOrder(
            50, 4,
            [](unsigned, std::size_t index) {
                if (index == 10)
                    throw std::runtime_error("no memory");
                return index;
            },
            [&](std::size_t, std::size_t result) { consumed.push_back(result); });
    };

    EXPECT_THROW(run(), std::runtime_error);
    ASSERT_EQ(consumed.size(), 10U);
    EXPECT_EQ(consumed.back(), 9U);
}

} // namespace
