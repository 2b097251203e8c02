#pragma once

#include "image/canvas.h"

#include <functional>

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

// Bands of 256 rows measured best on score pictures: shorter bands cost more per band in
// dictionaries and flushes, taller ones hold more memory and leave a core idle at the end.
inline constexpr int kPngBandRows = 256;

// The rows of canvas as a band source; canvas must outlive it.
[[nodiscard]] BandedPicture bandsOf(const Canvas& canvas);
// Every row of a banded picture on one canvas, its bands asked for as its source wants them.
[[nodiscard]] Canvas wholeCanvas(const BandedPicture& picture);

} // namespace beatplate
