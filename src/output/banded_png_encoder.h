#pragma once

#include "image/canvas.h"

#include <cstdint>
#include <functional>
#include <span>

namespace beatplate {

// Fills band with the picture's rows [firstRow, firstRow + band.height()), each band.width()
// pixels in the canvas's format; the band starts all zero and must keep its size. The encoder
// calls it once per band, from its worker threads, for several distinct bands at the same time
// and in no fixed order, so it must be safe to call concurrently. Whatever it throws stops the
// encoding and reaches the encoder's caller.
using PngBandSource = std::function<void(int firstRow, Canvas& band)>;

// A picture that is drawn band by band as it is encoded, never whole.
struct BandedPicture {
    int width = 0;
    int height = 0;
    PngBandSource rows;
    // Above 0, the source draws only bands of this many rows (the last may be shorter), each
    // starting at a multiple of it, and is asked for no other.
    int bandRows = 0;
};

// Takes the encoded bytes in order; returns false when they could not be written.
using PngByteSink = std::function<bool(std::span<const std::uint8_t> bytes)>;

// Bands of 256 rows measured best on score pictures: shorter bands cost more per band in
// dictionaries and flushes, taller ones hold more memory and leave a core idle at the end.
inline constexpr int kPngBandRows = 256;
// More threads than this gain little and each holds a few bands in memory.
inline constexpr unsigned kMaxPngThreads = 8;

struct BandedPngSettings {
    int compressionLevel = 6; // zlib level 0 to 9, or -1 for zlib's default
    int strategy = 0; // zlib strategy, Z_DEFAULT_STRATEGY
    unsigned threads = 0; // 0: one per core, at most kMaxPngThreads
    int bandRows = kPngBandRows; // fewer for pictures so wide that a band would be huge
};

// Encodes an 8-bit RGBA PNG (signature, IHDR, the "bpLt" chunk, IDAT..., IEND) with every row
// unfiltered, compressing bands of rows on several threads as they are drawn: each band is a
// raw deflate part primed with the last 32 KiB of the band before, ended with a sync flush (the
// last band with the stream's end), and the parts are joined behind one zlib header with their
// Adler-32 values combined. Only a few bands are held at once, and the bytes do not depend on
// the number of threads.
class BandedPngEncoder {
public:
    // width and height are above zero and within PNG's limits.
    BandedPngEncoder(int width, int height, const BandedPngSettings& settings = {});

    [[nodiscard]] int bandRows() const { return m_bandRows; }
    [[nodiscard]] int bandCount() const { return (m_height + m_bandRows - 1) / m_bandRows; }
    [[nodiscard]] unsigned threads() const { return m_threads; }

    // Writes the whole PNG into sink, with sourceChunk as the data of "bpLt"; returns false as
    // soon as the sink fails. Throws std::bad_alloc when memory runs out, and whatever the
    // source throws; the sink then has only part of the picture.
    [[nodiscard]] bool encode(const PngBandSource& source,
                              std::span<const std::uint8_t> sourceChunk,
                              const PngByteSink& sink) const;
    // encode in two steps: the chunks before the image, after which sourceChunk is no longer
    // needed, then the image and the end.
    [[nodiscard]] bool writeHeader(std::span<const std::uint8_t> sourceChunk,
                                   const PngByteSink& sink) const;
    [[nodiscard]] bool writeImage(const PngBandSource& source, const PngByteSink& sink) const;

private:
    int m_width;
    int m_height;
    int m_bandRows;
    unsigned m_threads;
    BandedPngSettings m_settings;
};

} // namespace beatplate
