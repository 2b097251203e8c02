#pragma once

#include <cstdint>
#include <string>

namespace beatplate {

// A short chart of seeded random material as UTF-8 text: every directive with odd values (wide
// meters, fine grids, negative speeds, offsets past the measure), note lines of any length,
// spans and triplets across measure and row ends, branches of every word and rows broken by
// hand. The same seed gives the same chart, so a failing seed can be replayed.
[[nodiscard]] std::string randomChart(std::uint32_t seed);

} // namespace beatplate
