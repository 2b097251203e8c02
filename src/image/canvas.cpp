#include "image/canvas.h"

#include <limits>
#include <stdexcept>

namespace beatplate {

Canvas::Canvas(int width, int height)
{
    if (width <= 0 || height <= 0)
        throw std::length_error("canvas size must be positive");
    const auto pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixelCount > std::numeric_limits<std::size_t>::max() / 4 / 2)
        throw std::length_error("canvas too large");
    m_pixels.assign(pixelCount, 0);
    m_width = width;
    m_height = height;
}

} // namespace beatplate
