#pragma once

#include <ctime>

namespace beatplate {

// The parts of a time in UTC; all zero when the C library cannot split it.
[[nodiscard]] std::tm utcPartsOf(std::time_t time);
// The time that parts in UTC name; -1 when it cannot be told.
[[nodiscard]] std::time_t timeOfUtcParts(std::tm parts);

} // namespace beatplate
