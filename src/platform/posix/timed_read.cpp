#include "platform/timed_read.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace beatplate {

// Waits until fd can be read or the time is up; a signal restarts the wait with the whole
// timeout, which only makes a pause a little longer.
static int waitForInput(int fd, std::optional<std::chrono::milliseconds> timeout)
{
    pollfd entry{ fd, POLLIN, 0 };
    const int milliseconds =
        timeout ? static_cast<int>(std::max<long long>(timeout->count(), 0)) : -1;
    while (true) {
        const int ready = ::poll(&entry, 1, milliseconds);
        if (ready >= 0 || errno != EINTR)
            return ready;
    }
}

TimedRead readWithin(int fd, std::span<char> buffer,
                     std::optional<std::chrono::milliseconds> timeout)
{
    const int ready = waitForInput(fd, timeout);
    if (ready < 0)
        return { ReadOutcome::Failed, 0 };
    if (ready == 0)
        return { ReadOutcome::TimedOut, 0 };
    while (true) {
        const auto got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0)
            return { ReadOutcome::Data, static_cast<std::size_t>(got) };
        if (got == 0)
            return { ReadOutcome::End, 0 };
        if (errno != EINTR)
            return { ReadOutcome::Failed, 0 };
    }
}

} // namespace beatplate
