#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

namespace beatplate {

enum class ReadOutcome {
    Data, // size bytes were read
    End, // the other side closed
    TimedOut, // nothing came within the time given
    Failed,
};

struct TimedRead {
    ReadOutcome outcome = ReadOutcome::Failed;
    std::size_t size = 0;
};

// Reads what the descriptor holds into buffer, at most its size, waiting for bytes at most
// timeout (none: as long as it takes); goes on after interruptions.
[[nodiscard]] TimedRead readWithin(int fd, std::span<char> buffer,
                                   std::optional<std::chrono::milliseconds> timeout);

} // namespace beatplate
