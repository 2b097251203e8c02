#pragma once

#include <cstddef>
#include <cstdint>

namespace beatplate {

// The limits both programs hold a chart and its picture to, and the name of the chunk that
// carries the chart inside the picture.

// Longest chart text read, in UTF-16 code units with its line ends; a longer chart is a chart
// error.
inline constexpr std::size_t kMaxChartLength = std::size_t{ 1 } << 22;
// The most bytes a chart of kMaxChartLength code units can take in a file: three bytes give at
// least one code unit in every encoding read, with room for a byte-order mark.
inline constexpr std::size_t kMaxChartBytes = 3 * kMaxChartLength + 3;
// The tallest picture made: libpng refuses taller ones by default, and so do PNG readers.
inline constexpr int kMaxPictureRows = 1'000'000;

// The private chunk that holds the chart text.
inline constexpr char kChartChunkName[] = "bpLt";
// The private chunk that marks a part of a picture cut in parts, with its part label ("2/3").
inline constexpr char kPartChunkName[] = "bpPt";
// The chart chunk's longest data: the longest chart, the LF the reader adds after the last line and
// the zero code unit after them, two bytes a unit.
inline constexpr std::uint32_t kMaxChartChunkLength = 2 * (kMaxChartLength + 1) + 2;

} // namespace beatplate
