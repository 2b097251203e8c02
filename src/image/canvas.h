#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace beatplate {

static_assert(
    std::endian::native == std::endian::little,
    "pixels are stored as 0xAARRGGBB words so that their bytes read blue, green, red, alpha");

// A 32-bit top-down pixel surface: rows without gaps, each pixel the bytes blue, green, red,
// fourth byte (straight alpha), i.e. the little-endian word 0xAARRGGBB. Starts all zero.
class Canvas {
public:
    Canvas() = default;
    // Throws std::length_error when width * height * 4 does not fit in memory sizes.
    Canvas(int width, int height);

    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }
    [[nodiscard]] bool empty() const { return m_pixels.empty(); }

    [[nodiscard]] std::span<std::uint32_t> row(int y)
    {
        return { m_pixels.data() + static_cast<std::size_t>(y) * m_width,
                 static_cast<std::size_t>(m_width) };
    }
    [[nodiscard]] std::span<const std::uint32_t> row(int y) const
    {
        return { m_pixels.data() + static_cast<std::size_t>(y) * m_width,
                 static_cast<std::size_t>(m_width) };
    }
    [[nodiscard]] std::uint32_t pixel(int x, int y) const { return row(y)[x]; }
    [[nodiscard]] std::uint32_t* pixels() { return m_pixels.data(); }
    [[nodiscard]] const std::uint32_t* pixels() const { return m_pixels.data(); }
    [[nodiscard]] std::size_t byteSize() const { return m_pixels.size() * 4; }

    bool operator==(const Canvas&) const = default;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;
};

// A rectangle in pixels: on the canvas (destination) or on the sprite sheet (source).
struct RectF {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;

    bool operator==(const RectF&) const = default;
};

} // namespace beatplate
