#pragma once

#include "base/chart_limits.h"
#include "image/banded_picture.h"
#include "platform/stop_token.h"

#include <cstdint>
#include <stdexcept>

namespace beatplate {

inline constexpr int kZlibDefaultStrategy = 0; // Z_DEFAULT_STRATEGY
// More threads than this gain little and each holds a few bands in memory.
inline constexpr unsigned kMaxPngThreads = 8;

// How a picture is encoded. The defaults were measured on score pictures (bench/png_choices):
// flat sprite art packs best unfiltered, and level 6 comes within a few per cent of level 9 in
// half the time.
struct PngWriteOptions {
    int compressionLevel = 6; // zlib level 0 to 9, or zlib's default (Z_DEFAULT_COMPRESSION)
    int strategy = kZlibDefaultStrategy; // zlib strategy (Z_FILTERED, Z_RLE, ...)
    unsigned threads = 0; // 0: one per core, at most kMaxPngThreads; 1 when several pictures are
                          // made at once
    int bandRows = kPngBandRows; // for a picture whose source draws bands of any height
    // Taller pictures are refused: libpng's default user limit, which PNG readers apply too.
    std::uint32_t maxHeight = kMaxPictureRows;
    // Asked to stop, the encoding ends before its next band: the encoder throws
    // PngEncodingStopped, and writeChartPng returns OutputErrorKind::Stopped.
    StopToken stop{};
};

// A picture whose encoding was stopped before it was finished, as its options asked.
class PngEncodingStopped : public std::runtime_error {
public:
    PngEncodingStopped()
        : std::runtime_error("the picture was stopped before it was finished")
    {
    }
};

} // namespace beatplate
