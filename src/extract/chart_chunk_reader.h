#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace beatplate {

// The data of the picture's one "bpLt" chunk. Reads the whole PNG through IEND, so that a damaged
// picture is refused instead of half trusted; finds the chunk before or after the image data.
// Throws ExtractError: picture missing, not a PNG, broken, without the chunk, or with two.
[[nodiscard]] std::string readChartChunk(const std::filesystem::path& picture);

enum class ChartEncoding {
    Cp932, // as beatplate reads a chart without a byte-order mark
    Utf8, // without the byte-order mark, which the caller adds where it is wanted
};

// The chart file that chunk data came from: UTF-16LE code units and a zero unit in, code page
// 932 (or UTF-8) bytes out, without the LF that the chart reader adds after the last line. Throws
// ExtractError when the data is no chart text or holds a character code page 932 cannot write.
[[nodiscard]] std::string chartFileFromChunk(std::string_view data,
                                             ChartEncoding encoding = ChartEncoding::Cp932);

} // namespace beatplate
