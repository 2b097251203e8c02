#pragma once

#include "image/canvas.h"

#include <cstdint>
#include <functional>
#include <span>

namespace beatplate {

// A straight-alpha colour as the canvas stores it, 0xAARRGGBB.
[[nodiscard]] constexpr std::uint32_t argb(std::uint32_t red, std::uint32_t green,
                                           std::uint32_t blue, std::uint32_t alpha = 255)
{
    return alpha << 24 | red << 16 | green << 8 | blue;
}

// The same colour with its alpha replaced.
[[nodiscard]] constexpr std::uint32_t withAlpha(std::uint32_t colour, std::uint32_t alpha)
{
    return (colour & 0x00FFFFFFu) | alpha << 24;
}

// Mixes a toward b by amount (0 gives a, 1 gives b), every channel alpha included.
[[nodiscard]] std::uint32_t mixColour(std::uint32_t a, std::uint32_t b, float amount);

// A sprite's place on the sheet, in whole pixels; drawing into a cell never leaves it.
struct Cell {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

[[nodiscard]] Cell cellOf(const RectF& rect);

struct Vertex {
    float x = 0;
    float y = 0;
};

// Signed distance in pixels from a point to a shape's outline, negative inside. Points are in
// cell coordinates, pixel (i, j) being sampled at its centre (i + 0.5, j + 0.5).
using DistanceField = std::function<float(float x, float y)>;

[[nodiscard]] DistanceField circle(float centreX, float centreY, float radius);
[[nodiscard]] DistanceField roundedBox(float centreX, float centreY, float halfWidth,
                                       float halfHeight, float cornerRadius);
// A closed polygon; its points may run either way round.
[[nodiscard]] DistanceField polygon(std::span<const Vertex> points);
// The part of field that lies inside clip as well.
[[nodiscard]] DistanceField intersection(DistanceField field, DistanceField clip);
// The shape of field grown by amount pixels (shrunk when amount is negative).
[[nodiscard]] DistanceField grown(DistanceField field, float amount);

// Composites colour over the cell where field is inside, anti-aliased over one pixel of edge.
void paintField(Canvas& sheet, const Cell& cell, const DistanceField& field, std::uint32_t colour);

// Composites colour over the cell's pixels from row top up to, not including, row bottom.
void paintRows(Canvas& sheet, const Cell& cell, int top, int bottom, std::uint32_t colour);

} // namespace beatplate
