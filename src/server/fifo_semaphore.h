#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace beatplate {

// A counting semaphore that gives its slots in the order they were asked for: a thread that
// comes while others wait goes behind them, even when a slot is free at that moment.
class FifoSemaphore {
public:
    explicit FifoSemaphore(std::size_t slots);

    // Waits for a slot, after every thread that asked before.
    void acquire();
    void release();
    // The threads waiting for a slot now.
    [[nodiscard]] std::size_t waiting() const;

private:
    [[nodiscard]] std::uint64_t admittedLocked() const;

    std::size_t m_slots;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::uint64_t m_asked = 0; // tickets handed out, in order
    std::uint64_t m_returned = 0; // slots released
};

// Holds a slot of a FifoSemaphore for its lifetime.
class FifoSlot {
public:
    explicit FifoSlot(FifoSemaphore& semaphore)
        : m_semaphore(semaphore)
    {
        m_semaphore.acquire();
    }
    FifoSlot(const FifoSlot&) = delete;
    FifoSlot& operator=(const FifoSlot&) = delete;
    ~FifoSlot() { m_semaphore.release(); }

private:
    FifoSemaphore& m_semaphore;
};

} // namespace beatplate
