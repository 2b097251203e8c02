#pragma once

#include "base/chart_limits.h"
#include "base/page_geometry.h"
#include "chart/chart_document.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

namespace beatplate {

// Whole pixels for a number of ticks, the remainder dropped; in unsigned 32-bit arithmetic, as
// every note point is placed.
[[nodiscard]] constexpr std::uint32_t tickPixels(std::uint32_t ticks)
{
    return ticks * kPixelsPerQuarter / kTicksPerQuarter;
}

// Where one measure lies on the canvas, and how long it is.
struct MeasurePlace {
    std::uint32_t beats = 0;
    double beatLength = 1.0;
    std::int32_t branchMask = 0;
    std::int32_t left = 0; // canvas x of beat 0
    std::int32_t top = 0; // canvas y of the row's top
    double width = 0; // pixels, fraction kept
    std::uint32_t ticks = 0; // any fraction dropped

    bool operator==(const MeasurePlace&) const = default;
};

// Rows [top, bottom) of the picture.
struct RowSpan {
    std::int64_t top = 0;
    std::int64_t bottom = 0;

    bool operator==(const RowSpan&) const = default;
};

struct PointF {
    float x = 0;
    float y = 0;

    bool operator==(const PointF&) const = default;
};

// Where every measure of a document lies on the picture: rows broken, measures placed.
class ScoreLayout {
public:
    explicit ScoreLayout(const ChartDocument& document);

    // The measures that begin a row; always holds 0.
    [[nodiscard]] const std::set<std::uint32_t>& rowStarts() const { return m_rowStarts; }
    [[nodiscard]] const std::vector<MeasurePlace>& places() const { return m_places; }
    [[nodiscard]] bool startsRow(std::uint32_t measure) const;
    [[nodiscard]] bool endsRow(std::uint32_t measure) const;
    // The bottom of the last row: the canvas height; one empty row when nothing is placed.
    [[nodiscard]] int canvasHeight() const;
    // Whether the picture is within what we make: no taller than kMaxPictureRows (pictures are
    // drawn a band of rows at a time, so their height costs time, not memory).
    [[nodiscard]] bool fitsPicture() const { return canvasHeight() <= kMaxPictureRows; }
    // The rows that anything drawn for the measure can reach: its lanes' row, and notes in the
    // lane of any branch, present in the measure or not. Rows may reach into the next row,
    // which is placed below the last measure's lanes only.
    [[nodiscard]] RowSpan drawnRows(std::uint32_t measure) const;

    [[nodiscard]] PointF notePoint(const ChartPosition& position) const;
    // The position ticks after position, walking across measure ends; past the chart's end it
    // is the end of the last measure. Needs at least one measure.
    [[nodiscard]] ChartPosition advancePosition(const ChartPosition& position,
                                                std::uint32_t ticks) const;

private:
    std::set<std::uint32_t> m_rowStarts;
    std::vector<MeasurePlace> m_places;
};

// The height of the lanes' row of a measure with this branch mask, its markers' band included.
[[nodiscard]] int rowHeight(std::int32_t branchMask);

} // namespace beatplate
