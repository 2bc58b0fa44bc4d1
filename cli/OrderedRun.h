#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sparrowtrim::cli {

// Calls work(worker, index) for every index below count on up to `jobs` threads, each index
// exactly once, and hands the results to consume(index, result) on the calling thread in index
// order, each as soon as it and all before it are done. `worker` (below jobs) tells the
// threads apart so each can keep state of its own. An exception thrown by work is rethrown
// from here when its index's turn comes, after the other threads have stopped.
template <typename Work, typename Consume>
void RunInOrder(std::size_t count, unsigned jobs, Work &&work, Consume &&consume)
{
    using Result = decltype(work(0U, std::size_t{0}));
    const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(jobs, count));
    if (threads <= 1) {
        for (std::size_t index = 0; index < count; ++index)
            consume(index, work(0U, index));
        return;
    }

    struct Slot
    {
        std::optional<Result> result;
        std::exception_ptr failure;
    };
    std::vector<Slot> slots(count);
    std::mutex mutex;
    std::condition_variable done;
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> stopping = false;

    const auto runWorker = [&](unsigned worker) {
        for (std::size_t index = next++; index < count && !stopping; index = next++) {
            Slot slot;
            try {
                slot.result.emplace(work(worker, index));
            } catch (...) {
                slot.failure = std::current_exception();
            }
            const std::lock_guard lock(mutex);
            slots[index] = std::move(slot);
            done.notify_all();
        }
    };

    std::exception_ptr failure;
    {
        std::vector<std::jthread> pool;
        pool.reserve(threads);
        for (unsigned worker = 0; worker < threads; ++worker)
            pool.emplace_back(runWorker, worker);

        for (std::size_t index = 0; index < count && !failure; ++index) {
            Slot slot;
            {
                std::unique_lock lock(mutex);
                done.wait(lock, [&] { return slots[index].result || slots[index].failure; });
                slot = std::move(slots[index]);
            }
            if (slot.failure) {
                failure = slot.failure;
                break;
            }
            try {
                consume(index, std::move(*slot.result));
            } catch (...) {
                failure = std::current_exception();
            }
        }
        stopping = true;
    } // the pool joins here
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace sparrowtrim::cli
