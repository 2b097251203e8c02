#pragma once

#include "platform/timed_read.h"

#include <chrono>
#include <optional>
#include <span>
#include <string_view>

namespace beatplate {

// The two directions a language server talks in, what the editor sends and what goes back, and
// its log beside them. Reads come from one thread; writes and the log may come from any.
class ByteChannel {
public:
    ByteChannel() = default;
    ByteChannel(const ByteChannel&) = delete;
    ByteChannel& operator=(const ByteChannel&) = delete;
    virtual ~ByteChannel() = default;

    // Reads what has come into buffer, waiting at most timeout (none: as long as it takes).
    [[nodiscard]] virtual TimedRead read(std::span<char> buffer,
                                         std::optional<std::chrono::milliseconds> timeout) = 0;
    // False when the bytes could not all be written.
    [[nodiscard]] virtual bool write(std::string_view bytes) = 0;
    // A line for whoever reads the server's log (standard error), not for the editor.
    virtual void log(std::string_view line) = 0;
    // The time by which pauses are measured.
    [[nodiscard]] virtual std::chrono::steady_clock::time_point now() const = 0;
};

} // namespace beatplate
