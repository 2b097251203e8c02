#include "sheet_painter.h"

#include "render/compositing.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>
#include <vector>

namespace beatplate {

std::uint32_t mixColour(std::uint32_t a, std::uint32_t b, float amount)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto from = static_cast<float>((a >> shift) & 0xFF);
        const auto to = static_cast<float>((b >> shift) & 0xFF);
        const float channel = std::clamp(from + (to - from) * amount, 0.0f, 255.0f);
        result |= static_cast<std::uint32_t>(std::lround(channel)) << shift;
    }
    return result;
}

Cell cellOf(const RectF& rect)
{
    return { static_cast<int>(rect.x), static_cast<int>(rect.y), static_cast<int>(rect.width),
             static_cast<int>(rect.height) };
}

DistanceField circle(float centreX, float centreY, float radius)
{
    return [=](float x, float y) { return std::hypot(x - centreX, y - centreY) - radius; };
}

DistanceField roundedBox(float centreX, float centreY, float halfWidth, float halfHeight,
                         float cornerRadius)
{
    return [=](float x, float y) {
        const float qx = std::abs(x - centreX) - halfWidth + cornerRadius;
        const float qy = std::abs(y - centreY) - halfHeight + cornerRadius;
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - cornerRadius;
    };
}

DistanceField polygon(std::span<const Vertex> points)
{
    assert(points.size() >= 3);
    std::vector<Vertex> corners(points.begin(), points.end());
    return [corners = std::move(corners)](float x, float y) {
        float nearest = INFINITY;
        bool inside = false;
        for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            const Vertex& a = corners[j];
            const Vertex& b = corners[i];
            const float ex = b.x - a.x;
            const float ey = b.y - a.y;
            const float t =
                std::clamp(((x - a.x) * ex + (y - a.y) * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
            nearest = std::min(nearest, std::hypot(x - a.x - ex * t, y - a.y - ey * t));
            if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * ex / ey)
                inside = !inside;
        }
        return inside ? -nearest : nearest;
    };
}

DistanceField intersection(DistanceField field, DistanceField clip)
{
    return [field = std::move(field), clip = std::move(clip)](float x, float y) {
        return std::max(field(x, y), clip(x, y));
    };
}

DistanceField grown(DistanceField field, float amount)
{
    return [field = std::move(field), amount](float x, float y) { return field(x, y) - amount; };
}

void paintField(Canvas& sheet, const Cell& cell, const DistanceField& field, std::uint32_t colour)
{
    const auto alpha = static_cast<float>(colour >> 24);
    for (int j = 0; j < cell.height; ++j) {
        auto row =
            sheet.row(cell.y + j)
                .subspan(static_cast<std::size_t>(cell.x), static_cast<std::size_t>(cell.width));
        for (int i = 0; i < cell.width; ++i) {
            const float distance =
                field(static_cast<float>(i) + 0.5f, static_cast<float>(j) + 0.5f);
            const float coverage = std::clamp(0.5f - distance, 0.0f, 1.0f);
            const auto weight = static_cast<std::uint32_t>(std::lround(coverage * alpha));
            auto& pixel = row[static_cast<std::size_t>(i)];
            pixel = compositeOver(pixel, withAlpha(colour, weight));
        }
    }
}

void paintRows(Canvas& sheet, const Cell& cell, int top, int bottom, std::uint32_t colour)
{
    for (int j = std::max(top, 0); j < std::min(bottom, cell.height); ++j) {
        auto row =
            sheet.row(cell.y + j)
                .subspan(static_cast<std::size_t>(cell.x), static_cast<std::size_t>(cell.width));
        for (auto& pixel : row)
            pixel = compositeOver(pixel, colour);
    }
}

} // namespace beatplate
