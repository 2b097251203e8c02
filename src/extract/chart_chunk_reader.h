#pragma once

#include "base/chart_encoding.h"
#include "base/chart_limits.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace beatplate {

// The data of the picture's one "bpLt" chunk. Walks the chunks, checking each one's CRC, and
// skips the image data without decoding it; finds the chunk before or after the image data. A
// picture cut off after the whole chunk still gives it; a damaged one gives nothing. Throws
// ExtractError: picture missing, not a PNG, broken, without the chunk, with two, or with one
// longer than kMaxChartChunkLength.
[[nodiscard]] std::string readChartChunk(const std::filesystem::path& picture);
// The same from an open file or pipe, read from where it stands; the descriptor stays open.
[[nodiscard]] std::string readChartChunk(int fd);
// The same from the bytes of a picture held in memory.
[[nodiscard]] std::string readChartChunkOfBytes(std::string_view png);

// The chart file that chunk data came from: UTF-16LE code units and a zero unit in, UTF-8 bytes
// out for Utf8 (without the byte-order mark, which the caller adds where it is wanted) and code
// page 932 bytes for any other encoding, without the LF that the chart reader adds after the
// last line. Throws ExtractError when the data is no chart text or holds a character code page
// 932 cannot write.
[[nodiscard]] std::string chartFileFromChunk(std::string_view data,
                                             ChartEncoding encoding = ChartEncoding::Cp932);

// A chart file and what it was written in.
struct ChartFile {
    std::string bytes;
    ChartEncoding encoding = ChartEncoding::Cp932;
    std::size_t firstLineBeyondCp932 = 0; // Utf8: the first line code page 932 cannot hold
};

// The chart file that chunk data came from, as chartFileFromChunk makes it: in code page 932 when
// that holds every character, else in UTF-8, so that the chart comes back as it was drawn.
// Throws ExtractError when the data is no chart text.
[[nodiscard]] ChartFile chartFileInEncodingThatHoldsIt(std::string_view data);

} // namespace beatplate
