#pragma once

#include <cstdint>

namespace beatplate {

// Rounding division by 255, exact for every value in [0, 255 * 255].
[[nodiscard]] constexpr std::uint32_t divideBy255(std::uint32_t value)
{
    return (value + 128 + ((value + 128) >> 8)) >> 8;
}

// Source-over of two straight-alpha 0xAARRGGBB pixels; the result's alpha is the composited one.
[[nodiscard]] constexpr std::uint32_t compositeOver(std::uint32_t destination, std::uint32_t source)
{
    const std::uint32_t sourceAlpha = source >> 24;
    if (sourceAlpha == 255)
        return source;
    if (sourceAlpha == 0)
        return destination;
    const std::uint32_t destinationAlpha = destination >> 24;
    const std::uint32_t inverse = 255 - sourceAlpha;
    if (destinationAlpha == 255) {
        std::uint32_t result = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const std::uint32_t s = (source >> shift) & 0xFF;
            const std::uint32_t d = (destination >> shift) & 0xFF;
            result |= divideBy255(s * sourceAlpha + d * inverse) << shift;
        }
        return result;
    }
    // General case: weights scaled by 255 so that colour = sum / alpha stays in integers.
    const std::uint32_t destinationWeight = destinationAlpha * inverse; // alpha * 255
    const std::uint32_t alphaTimes255 = sourceAlpha * 255 + destinationWeight;
    std::uint32_t result = divideBy255(alphaTimes255) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t s = (source >> shift) & 0xFF;
        const std::uint32_t d = (destination >> shift) & 0xFF;
        const std::uint32_t sum = s * sourceAlpha * 255 + d * destinationWeight;
        result |= ((sum + alphaTimes255 / 2) / alphaTimes255) << shift;
    }
    return result;
}

// Source-over of an opaque colour (0x00RRGGBB, alpha ignored) at a coverage of 0 to 255.
[[nodiscard]] constexpr std::uint32_t
compositeCoverage(std::uint32_t destination, std::uint32_t colour, std::uint32_t coverage)
{
    return compositeOver(destination, (colour & 0x00FFFFFFu) | (coverage << 24));
}

} // namespace beatplate
