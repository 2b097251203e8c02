#include "render/score_layout.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace beatplate {

// Layout sums are formed in 64 bits and saturate, so that absurd charts stay well-defined
// until the canvas refuses their size.
static std::int32_t saturate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

static double quarterNotes(const MeasureInfo& measure)
{
    return static_cast<std::uint32_t>(measure.beats) * measure.beatLength;
}

int rowHeight(std::int32_t branchMask)
{
    return rowPixels(laneCount(branchMask));
}

static std::set<std::uint32_t> breakRows(const ChartDocument& document)
{
    std::set<std::uint32_t> rowStarts;
    for (const auto& event : document.events) {
        if (event.kind == ChartEventKind::LineBreak)
            rowStarts.insert(event.position.measure);
    }
    double running = 0.0;
    for (std::uint32_t i = 0; i < document.measures.size(); ++i) {
        if (rowStarts.contains(i))
            running = 0.0;
        running += quarterNotes(document.measures[i]);
        if (running > kQuarterNotesPerRow) {
            rowStarts.insert(i);
            running = quarterNotes(document.measures[i]);
        }
    }
    rowStarts.insert(0);
    return rowStarts;
}

// The one width of a measure. Pixels as beats x 48 x beat length, in that order, so that the
// next measure starts exactly where this one's lanes end ((7 x 4/3) x 48 falls just short of
// 448); beats x 48 is exact, as the parser keeps beats x 480 inside 32 bits.
static double measureWidth(std::uint32_t beats, double beatLength)
{
    return beats * static_cast<double>(kPixelsPerQuarter) * beatLength;
}

static std::uint32_t measureTicks(std::uint32_t beats, double beatLength)
{
    return static_cast<std::uint32_t>(beats * beatLength * static_cast<double>(kTicksPerQuarter));
}

ScoreLayout::ScoreLayout(const ChartDocument& document)
    : m_rowStarts(breakRows(document))
{
    std::int64_t x = kRowLeft;
    std::int64_t rowTop = kFirstRowTop;
    m_places.reserve(document.measures.size());
    for (std::uint32_t i = 0; i < document.measures.size(); ++i) {
        const MeasureInfo& measure = document.measures[i];
        const auto beats = static_cast<std::uint32_t>(measure.beats);
        const double width = measureWidth(beats, measure.beatLength);
        m_places.push_back({ beats, measure.beatLength, measure.branchMask, saturate(x),
                             saturate(rowTop), width, measureTicks(beats, measure.beatLength) });
        x += static_cast<std::int64_t>(width);
        if (m_rowStarts.contains(i + 1)) {
            rowTop += rowHeight(measure.branchMask);
            x = kRowLeft;
        }
    }
}

bool ScoreLayout::startsRow(std::uint32_t measure) const
{
    return measure == 0 || m_rowStarts.contains(measure);
}

bool ScoreLayout::endsRow(std::uint32_t measure) const
{
    return measure + 1 == m_places.size() || m_rowStarts.contains(measure + 1);
}

int ScoreLayout::canvasHeight() const
{
    if (m_places.empty())
        return kFirstRowTop + rowHeight(0);
    const MeasurePlace& last = m_places.back();
    return saturate(std::int64_t{ last.top } + rowHeight(last.branchMask));
}

RowSpan ScoreLayout::drawnRows(std::uint32_t measure) const
{
    const MeasurePlace& place = m_places[measure];
    // A note is drawn kNoteRadius rows either side of its point; branch 4 lies lowest.
    const auto lowestNote = static_cast<std::int64_t>(notePoint({ measure, 0, 4 }).y) + kNoteRadius;
    return { place.top,
             std::max(std::int64_t{ place.top } + rowHeight(place.branchMask), lowestNote) };
}

PointF ScoreLayout::notePoint(const ChartPosition& position) const
{
    assert(position.measure < m_places.size());
    const MeasurePlace& place = m_places[position.measure];
    const std::uint32_t offset = tickPixels(position.tick);
    float y = static_cast<float>(place.top + kFirstNoteCentre);
    const int bit0 = place.branchMask & 1;
    const int bit1 = (place.branchMask >> 1) & 1;
    if (position.branch == 2)
        y += static_cast<float>(kLanePixels * bit0);
    else if (position.branch == 4)
        y += static_cast<float>(kLanePixels * (bit0 + bit1));
    return { static_cast<float>(place.left) + static_cast<float>(offset), y };
}

ChartPosition ScoreLayout::advancePosition(const ChartPosition& position, std::uint32_t ticks) const
{
    if (m_places.empty())
        return position;
    const auto count = static_cast<std::uint32_t>(m_places.size());
    std::int64_t remaining = ticks;
    std::int64_t offset = position.tick;
    for (std::uint32_t i = position.measure; i < count; ++i) {
        const std::int64_t room = std::int64_t{ m_places[i].ticks } - offset;
        if (remaining <= room)
            return { i, static_cast<std::uint32_t>(offset + remaining), position.branch };
        // A start beyond its measure's end carries the whole length on.
        remaining -= std::max<std::int64_t>(room, 0);
        offset = 0;
    }
    return { count - 1, m_places[count - 1].ticks, position.branch };
}

} // namespace beatplate
