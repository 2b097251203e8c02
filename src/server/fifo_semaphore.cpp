#include "server/fifo_semaphore.h"

#include <algorithm>

namespace beatplate {

FifoSemaphore::FifoSemaphore(std::size_t slots)
    : m_slots(std::max<std::size_t>(1, slots))
{
}

std::uint64_t FifoSemaphore::admittedLocked() const
{
    return std::min(m_asked, m_returned + m_slots);
}

void FifoSemaphore::acquire()
{
    std::unique_lock lock(m_mutex);
    const std::uint64_t ticket = m_asked++;
    // Tickets are let in in their order, as many at once as there are slots.
    m_released.wait(lock, [&] { return ticket < m_returned + m_slots; });
}

void FifoSemaphore::release()
{
    {
        const std::lock_guard lock(m_mutex);
        ++m_returned;
    }
    m_released.notify_all();
}

std::size_t FifoSemaphore::waiting() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(m_asked - admittedLocked());
}

} // namespace beatplate
