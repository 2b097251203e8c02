#pragma once

#include <cstdint>
#include <string>

namespace beatplate {

// A realistic chart of the given number of measures as code page 932 bytes: tempo and
// scroll changes, gogo sections, meters, triplets, spans of every kind and branched passages.
[[nodiscard]] std::string generateChart(int measureCount, std::uint32_t seed = 1);

} // namespace beatplate
