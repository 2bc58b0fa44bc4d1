#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sparrowtrim::cli {

// Calls work(worker, index) for the indexes below count on up to `jobs` threads, each index
// at most once and in rising order of start, and hands the results to consume(index, result)
// on the calling thread in index order, each as soon as it and all before it are done.
// `worker` (below jobs) tells the threads apart so each can keep state of its own.
// Once *stop is set no further index is started; those already started are finished and
// consumed. At most `ahead` results wait to be consumed at any time: an index is started only
// once fewer than `ahead` started ones are not consumed yet (the results may hold resources).
// Returns the number of results consumed: count unless stopped.
// An exception thrown by work or consume is rethrown from here once the other threads have
// finished what they started; the results after it are not consumed.
template <typename Work, typename Consume>
std::size_t RunInOrder(std::size_t count, unsigned jobs, Work &&work, Consume &&consume,
                       const std::atomic<bool> *stop = nullptr,
                       std::size_t ahead = std::numeric_limits<std::size_t>::max())
{
    using Result = decltype(work(0U, std::size_t{0}));
    const auto stopRequested = [stop] { return stop != nullptr && stop->load(); };
    const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(jobs, count));
    if (threads <= 1) {
        std::size_t index = 0;
        for (; index < count && !stopRequested(); ++index)
            consume(index, work(0U, index));
        return index;
    }

    struct Slot
    {
        std::optional<Result> result;
        std::exception_ptr failure;
    };
    std::vector<Slot> slots(count);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t started = 0;  // indexes below it were handed to a worker
    std::size_t consumed = 0; // indexes below it were consumed
    unsigned workersLeft = 0; // workers that may still start an index
    bool abandoned = false;   // the calling thread stopped consuming

    const auto runWorker = [&](unsigned worker) {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return started - consumed < ahead || abandoned; });
            if (started >= count || abandoned || stopRequested())
                break;
            const std::size_t index = started++;
            lock.unlock();
            Slot slot;
            try {
                slot.result.emplace(work(worker, index));
            } catch (...) {
                slot.failure = std::current_exception();
            }
            lock.lock();
            slots[index] = std::move(slot);
            changed.notify_all();
        }
        --workersLeft;
        changed.notify_all();
    };

    std::exception_ptr failure;
    {
        std::vector<std::jthread> pool;
        pool.reserve(threads);
        workersLeft = threads;
        for (unsigned worker = 0; worker < threads; ++worker)
            pool.emplace_back(runWorker, worker);

        while (consumed < count) {
            Slot slot;
            {
                std::unique_lock lock(mutex);
                const auto ready = [&] {
                    return slots[consumed].result || slots[consumed].failure;
                };
                changed.wait(lock,
                             [&] { return ready() || (workersLeft == 0 && consumed >= started); });
                if (!ready())
                    break; // stopped before this index was started
                slot = std::move(slots[consumed]);
            }
            try {
                if (slot.failure)
                    std::rethrow_exception(slot.failure);
                consume(consumed, std::move(*slot.result));
                const std::lock_guard lock(mutex);
                ++consumed;
                changed.notify_all();
            } catch (...) {
                failure = std::current_exception();
                const std::lock_guard lock(mutex);
                abandoned = true;
                break;
            }
        }
    } // the pool joins here
    if (failure)
        std::rethrow_exception(failure);
    return consumed;
}

} // namespace sparrowtrim::cli
