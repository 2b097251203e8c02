#include "server/fifo_semaphore.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

namespace beatplate::test {
namespace {

TEST(FifoSemaphore, GivesItsSlotsInTheOrderTheyWereAskedFor)
{
    FifoSemaphore semaphore(1);
    semaphore.acquire();
    std::mutex mutex;
    std::vector<int> order;
    const auto record = [&](int who) {
        const std::lock_guard lock(mutex);
        order.push_back(who);
    };
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&, thread] {
            semaphore.acquire();
            record(thread);
            semaphore.release();
        });
        // Each thread asks before the next is started.
        while (semaphore.waiting() < static_cast<std::size_t>(thread) + 1)
            std::this_thread::yield();
    }
    // Asking again at once, as the slot comes free, does not pass those that wait.
    semaphore.release();
    semaphore.acquire();
    record(4);
    semaphore.release();
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(order, (std::vector<int>{ 0, 1, 2, 3, 4 }));
    EXPECT_EQ(semaphore.waiting(), 0u);
}

} // namespace
} // namespace beatplate::test
