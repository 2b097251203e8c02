#pragma once

#include "render/score_layout.h"
#include "render/sprite_atlas.h"
#include "render/sprite_painter.h"
#include "support/test_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

namespace beatplate::test {

inline constexpr SpriteId kNoSprite = -1;

inline ChartDocument documentOf(int measureCount, MeasureInfo measure = {})
{
    ChartDocument document;
    document.measures.assign(static_cast<std::size_t>(measureCount), measure);
    return document;
}

inline const Canvas& testSheet()
{
    static const Canvas sheet = makeTestSheet();
    return sheet;
}

// A document laid out, with a blank canvas of its whole picture: what the passes draw on, called
// one by one as a test needs them.
struct PassDrawing {
    explicit PassDrawing(const ChartDocument& document)
        : layout(document)
        , canvas(kPageWidth, layout.canvasHeight())
    {
    }

    [[nodiscard]] DrawTarget target() { return { canvas, 0 }; }

    ScoreLayout layout;
    Canvas canvas;
};

inline SpriteId spriteAt(const Canvas& canvas, int x, int y)
{
    return spriteAt(canvas.pixel(x, y)).value_or(kNoSprite);
}

// A stretch of equal sprites along a row or a column, from inclusive, to exclusive.
struct SpriteRun {
    SpriteId sprite = kNoSprite;
    int from = 0;
    int to = 0;

    bool operator==(const SpriteRun&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SpriteRun& run)
{
    return out << "{" << run.sprite << ", " << run.from << ", " << run.to << "}";
}

template <typename SpriteOf>
std::vector<SpriteRun> runsOf(int from, int to, const SpriteOf& spriteOf)
{
    std::vector<SpriteRun> runs;
    for (int i = from; i < to; ++i) {
        const SpriteId sprite = spriteOf(i);
        if (runs.empty() || runs.back().sprite != sprite)
            runs.push_back({ sprite, i, i + 1 });
        else
            runs.back().to = i + 1;
    }
    return runs;
}

// The sprites along row y between x = from and x = to.
inline std::vector<SpriteRun> rowRuns(const Canvas& canvas, int y, int from = 0, int to = -1)
{
    return runsOf(from, to < 0 ? canvas.width() : to,
                  [&](int x) { return spriteAt(canvas, x, y); });
}

// The sprites down column x between y = from and y = to.
inline std::vector<SpriteRun> columnRuns(const Canvas& canvas, int x, int from = 0, int to = -1)
{
    return runsOf(from, to < 0 ? canvas.height() : to,
                  [&](int y) { return spriteAt(canvas, x, y); });
}

// The bounding box of every pixel showing a sprite, and how many pixels show it.
struct Footprint {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int pixels = 0;

    bool operator==(const Footprint&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Footprint& footprint)
{
    return out << "{" << footprint.x << ", " << footprint.y << ", " << footprint.width << ", "
               << footprint.height << "; " << footprint.pixels << " pixels}";
}

inline Footprint footprintOf(const Canvas& canvas, SpriteId sprite)
{
    int left = canvas.width(), top = canvas.height(), right = -1, bottom = -1, pixels = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (spriteAt(canvas, x, y) != sprite)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            ++pixels;
        }
    }
    if (pixels == 0)
        return {};
    return { left, top, right - left + 1, bottom - top + 1, pixels };
}

// A footprint that is exactly one solid rectangle.
inline Footprint solid(int x, int y, int width, int height)
{
    return { x, y, width, height, width * height };
}

inline int paintedPixels(const Canvas& canvas)
{
    int count = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (const auto pixel : canvas.row(y))
            count += pixel != 0;
    }
    return count;
}

inline int paintedPixels(const PassDrawing& drawing)
{
    return paintedPixels(drawing.canvas);
}

inline Footprint footprintOf(const PassDrawing& drawing, SpriteId sprite)
{
    return footprintOf(drawing.canvas, sprite);
}

} // namespace beatplate::test
