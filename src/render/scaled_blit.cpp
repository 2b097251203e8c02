#include "render/scaled_blit.h"

#include "render/compositing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace beatplate {

namespace {

struct PixelRange {
    int first = 0;
    int end = 0; // one past the last
};

// How the sheet pixels that one canvas row takes from its source row can be written.
enum class RowKind : std::uint8_t { Unknown, Fill, Copy, Blend };

} // namespace

// Index of the first pixel whose centre (index + 0.5) is at or after edge.
static std::int64_t firstCentreAtOrAfter(double edge)
{
    return static_cast<std::int64_t>(std::ceil(edge - 0.5));
}

// Canvas pixels whose centres lie in [start, start + length), clipped to [0, limit).
static PixelRange coveredPixels(double start, double length, int limit)
{
    const std::int64_t first = std::max<std::int64_t>(firstCentreAtOrAfter(start), 0);
    const std::int64_t end = std::min<std::int64_t>(firstCentreAtOrAfter(start + length), limit);
    if (first >= end)
        return {};
    return { static_cast<int>(first), static_cast<int>(end) };
}

// Sheet pixel containing the point mapped from a canvas pixel centre, or -1 outside the sheet.
static int sourcePixel(int canvasIndex, double destinationStart, double scale, double sourceStart,
                       double sourceLength, int sheetLimit)
{
    double u = sourceStart + (canvasIndex + 0.5 - destinationStart) * scale;
    // Rounding must never step outside the source rectangle.
    u = std::min(u, sourceStart + sourceLength - 0.5);
    u = std::max(u, sourceStart);
    const auto pixel = static_cast<std::int64_t>(std::floor(u));
    if (pixel < 0 || pixel >= sheetLimit)
        return -1;
    return static_cast<int>(pixel);
}

static bool drawable(const RectF& rect)
{
    return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width)
        && std::isfinite(rect.height) && rect.width > 0 && rect.height > 0;
}

// Fill when every taken pixel is the same opaque colour, Copy when all are opaque.
static RowKind classifyRow(std::span<const std::uint32_t> sourceRow,
                           const std::vector<int>& columns)
{
    const std::uint32_t first = sourceRow[static_cast<std::size_t>(columns.front())];
    bool uniform = true;
    for (const int column : columns) {
        const std::uint32_t pixel = sourceRow[static_cast<std::size_t>(column)];
        if (pixel < 0xFF000000u)
            return RowKind::Blend;
        uniform = uniform && pixel == first;
    }
    return uniform ? RowKind::Fill : RowKind::Copy;
}

static void blendRow(std::uint32_t* target, std::span<const std::uint32_t> sourceRow,
                     const std::vector<int>& columns)
{
    for (const int column : columns) {
        const std::uint32_t pixel = sourceRow[static_cast<std::size_t>(column)];
        const std::uint32_t alpha = pixel >> 24;
        if (alpha == 255)
            *target = pixel;
        else if (alpha != 0)
            *target = compositeOver(*target, pixel);
        ++target;
    }
}

static void writeRow(RowKind kind, std::uint32_t* target, std::span<const std::uint32_t> sourceRow,
                     const std::vector<int>& columns)
{
    switch (kind) {
    case RowKind::Fill:
        std::fill_n(target, columns.size(), sourceRow[static_cast<std::size_t>(columns.front())]);
        return;
    case RowKind::Copy:
        for (const int column : columns)
            *target++ = sourceRow[static_cast<std::size_t>(column)];
        return;
    default:
        blendRow(target, sourceRow, columns);
    }
}

void blitScaled(Canvas& canvas, const Canvas& sheet, const RectF& destination, const RectF& source,
                BlitScratch& scratch)
{
    if (canvas.empty() || sheet.empty() || !drawable(destination) || !drawable(source))
        return;
    PixelRange columns = coveredPixels(destination.x, destination.width, canvas.width());
    const PixelRange rows = coveredPixels(destination.y, destination.height, canvas.height());
    if (columns.first == columns.end || rows.first == rows.end)
        return;

    const double scaleX = double{ source.width } / destination.width;
    const double scaleY = double{ source.height } / destination.height;
    // Columns whose source lies outside the sheet are trimmed: the mapping is monotonic, so
    // they can only stand at the ends.
    auto& sourceColumns = scratch.sourceColumns;
    sourceColumns.clear();
    for (int x = columns.first; x < columns.end; ++x) {
        const int column =
            sourcePixel(x, destination.x, scaleX, source.x, source.width, sheet.width());
        if (column < 0 && sourceColumns.empty())
            columns.first = x + 1;
        else if (column >= 0)
            sourceColumns.push_back(column);
    }
    if (sourceColumns.empty())
        return;

    // Rows repeat when a sprite is stretched downward, so each source row is classified once.
    auto& rowKinds = scratch.rowKinds;
    rowKinds.assign(static_cast<std::size_t>(sheet.height()),
                    static_cast<std::uint8_t>(RowKind::Unknown));
    for (int y = rows.first; y < rows.end; ++y) {
        const int sourceY =
            sourcePixel(y, destination.y, scaleY, source.y, source.height, sheet.height());
        if (sourceY < 0)
            continue;
        const auto sourceRow = sheet.row(sourceY);
        auto& kind = rowKinds[static_cast<std::size_t>(sourceY)];
        if (kind == static_cast<std::uint8_t>(RowKind::Unknown))
            kind = static_cast<std::uint8_t>(classifyRow(sourceRow, sourceColumns));
        writeRow(static_cast<RowKind>(kind), canvas.row(y).data() + columns.first, sourceRow,
                 sourceColumns);
    }
}

} // namespace beatplate
