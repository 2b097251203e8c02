#include "render/timeline_places.h"

#include <cassert>

namespace beatplate {

namespace {

// Where a column of the one-column picture lies on the pages.
struct ColumnAt {
    std::size_t part = 0;
    std::size_t column = 0;
    const PageColumn* rows = nullptr;
};

// The column whose rows hold a one-column row top, searched on from the last one found, as
// the rows come in order.
ColumnAt columnHolding(std::span<const ColumnPage> pages, std::int64_t rowTop, ColumnAt from)
{
    for (std::size_t part = from.part; part < pages.size(); ++part) {
        const auto& columns = pages[part].columns;
        for (std::size_t column = part == from.part ? from.column : 0; column < columns.size();
             ++column) {
            if (rowTop < columns[column].source.bottom)
                return { part, column, &columns[column] };
        }
    }
    return from;
}

} // namespace

void placeTimeline(std::vector<MeasureTime>& timeline, const ScoreLayout& layout,
                   std::span<const ColumnPage> pages)
{
    assert(timeline.size() == layout.places().size() && !pages.empty());
    constexpr double kPixelsPerTick = static_cast<double>(kPixelsPerQuarter) / kTicksPerQuarter;
    ColumnAt at;
    std::size_t row = 0;
    for (std::uint32_t i = 0; i < timeline.size(); ++i) {
        const MeasurePlace& place = layout.places()[i];
        if (i > 0 && layout.startsRow(i))
            ++row;
        at = columnHolding(pages, place.top, at);
        if (at.rows == nullptr)
            return;
        const std::int64_t left = static_cast<std::int64_t>(at.column) * (kPageWidth + kColumnGap);
        timeline[i].place = MeasurePicturePlace{ at.part,
                                                 at.column,
                                                 row,
                                                 left + place.left,
                                                 place.top - at.rows->source.top + at.rows->top,
                                                 rowHeight(place.branchMask),
                                                 kPixelsPerTick };
    }
}

} // namespace beatplate
