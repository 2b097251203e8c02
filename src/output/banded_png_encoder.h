#pragma once

#include "image/banded_picture.h"
#include "output/png_write_options.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace beatplate {

// Takes the encoded bytes in order; returns false when they could not be written.
using PngByteSink = std::function<bool(std::span<const std::uint8_t> bytes)>;

// Encodes an 8-bit RGBA PNG (signature, IHDR, the "bpLt" chunk, IDAT..., IEND) with every row
// unfiltered, compressing bands of rows on several threads as they are drawn: each band is a
// raw deflate part primed with the last 32 KiB of the band before, ended with a sync flush (the
// last band with the stream's end), and the parts are joined behind one zlib header with their
// Adler-32 values combined. Only a few bands are held at once, and the bytes do not depend on
// the number of threads.
class BandedPngEncoder {
public:
    // width and height are above zero and within PNG's limits.
    BandedPngEncoder(int width, int height, const PngWriteOptions& options = {});

    [[nodiscard]] int bandRows() const { return m_bandRows; }
    [[nodiscard]] int bandCount() const { return (m_height + m_bandRows - 1) / m_bandRows; }
    [[nodiscard]] unsigned threads() const { return m_threads; }

    // Writes the whole PNG into sink, with sourceChunk as the data of "bpLt"; returns false as
    // soon as the sink fails. Throws std::bad_alloc when memory runs out, and whatever the
    // source throws; the sink then has only part of the picture.
    [[nodiscard]] bool encode(const PngBandSource& source,
                              std::span<const std::uint8_t> sourceChunk,
                              const PngByteSink& sink) const;
    // encode in two steps: the chunks before the image (with a part's label as "bpPt" after
    // "bpLt"), after which sourceChunk is no longer needed, then the image and the end.
    [[nodiscard]] bool writeHeader(std::span<const std::uint8_t> sourceChunk,
                                   const PngByteSink& sink, std::string_view partLabel = {}) const;
    [[nodiscard]] bool writeImage(const PngBandSource& source, const PngByteSink& sink) const;

private:
    int m_width;
    int m_height;
    int m_bandRows;
    unsigned m_threads;
    PngWriteOptions m_options;
};

} // namespace beatplate
