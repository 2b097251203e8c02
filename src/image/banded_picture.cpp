#include "image/banded_picture.h"

#include <algorithm>

namespace beatplate {

BandedPicture bandsOf(const Canvas& canvas)
{
    const auto copyRows = [&canvas](int firstRow, Canvas& band) {
        const std::size_t offset =
            static_cast<std::size_t>(firstRow) * static_cast<std::size_t>(canvas.width());
        std::copy_n(canvas.pixels() + offset, band.byteSize() / 4, band.pixels());
    };
    return { canvas.width(), canvas.height(), copyRows };
}

Canvas wholeCanvas(const BandedPicture& picture)
{
    Canvas canvas(picture.width, picture.height);
    const int bandRows = picture.bandRows > 0 ? picture.bandRows : kPngBandRows;
    for (int first = 0; first < picture.height; first += bandRows) {
        Canvas band(picture.width, std::min(bandRows, picture.height - first));
        picture.rows(first, band);
        std::copy_n(band.pixels(), band.byteSize() / 4,
                    canvas.pixels() + static_cast<std::size_t>(first) * canvas.width());
    }
    return canvas;
}

} // namespace beatplate
