#include "platform/timed_read.h"

#include <algorithm>
#include <chrono>
#include <io.h>
#include <thread>
#include <windows.h>

namespace beatplate {

namespace {

// A pipe cannot be waited on: how often to look whether bytes have come.
constexpr auto kPipePoll = std::chrono::milliseconds(2);

} // namespace

// The bytes a pipe holds now; none when the writer has closed it (or it failed).
static std::optional<DWORD> bytesInPipe(HANDLE pipe)
{
    DWORD available = 0;
    if (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) == 0)
        return std::nullopt;
    return available;
}

static TimedRead readFrom(HANDLE handle, std::span<char> buffer, DWORD most)
{
    DWORD got = 0;
    if (::ReadFile(handle, buffer.data(), most, &got, nullptr) == 0)
        return { ::GetLastError() == ERROR_BROKEN_PIPE ? ReadOutcome::End : ReadOutcome::Failed,
                 0 };
    return { got == 0 ? ReadOutcome::End : ReadOutcome::Data, got };
}

TimedRead readWithin(int fd, std::span<char> buffer,
                     std::optional<std::chrono::milliseconds> timeout)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        return { ReadOutcome::Failed, 0 };
    const auto most = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), 1u << 30));
    if (::GetFileType(handle) == FILE_TYPE_PIPE) {
        const auto deadline = std::chrono::steady_clock::now()
            + timeout.value_or(std::chrono::milliseconds::max() / 2);
        while (true) {
            const auto available = bytesInPipe(handle);
            if (!available)
                return { ::GetLastError() == ERROR_BROKEN_PIPE ? ReadOutcome::End
                                                               : ReadOutcome::Failed,
                         0 };
            if (*available > 0)
                return readFrom(handle, buffer, std::min(most, *available));
            if (timeout && std::chrono::steady_clock::now() >= deadline)
                return { ReadOutcome::TimedOut, 0 };
            std::this_thread::sleep_for(kPipePoll);
        }
    }
    // A console is signalled when input waits; a file is always ready.
    if (::GetFileType(handle) == FILE_TYPE_CHAR) {
        const DWORD wait =
            timeout ? static_cast<DWORD>(std::max<long long>(timeout->count(), 0)) : INFINITE;
        const DWORD ready = ::WaitForSingleObject(handle, wait);
        if (ready == WAIT_TIMEOUT)
            return { ReadOutcome::TimedOut, 0 };
        if (ready != WAIT_OBJECT_0)
            return { ReadOutcome::Failed, 0 };
    }
    return readFrom(handle, buffer, most);
}

} // namespace beatplate
