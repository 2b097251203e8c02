#pragma once

// A caller's request that work stop: std::stop_token where the C++ library has it. The browser's
// library has none, and there one thread does all the work and nothing asks it to stop, so its
// token never asks.
#if __has_include(<stop_token>)
#include <stop_token>
#endif

namespace beatplate {

#if __has_include(<stop_token>)
using StopToken = std::stop_token;
#else
class StopToken {
public:
    // Named as std::stop_token names it, so that callers read the same on every library.
    // NOLINTNEXTLINE(readability-identifier-naming)
    [[nodiscard]] bool stop_requested() const noexcept { return false; }
};
#endif

} // namespace beatplate
