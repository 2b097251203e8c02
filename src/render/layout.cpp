#include "render/score_renderer.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace beatplate {

static constexpr int kRowLeft = 24;
static constexpr int kFirstRowTop = 48;
static constexpr double kQuarterNotesPerRow = 16.0;

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

static int rowHeight(std::int32_t branchMask)
{
    return laneCount(branchMask) * 24 + 40;
}

void ScoreRenderer::breakRows(const ChartDocument& document)
{
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
}

void ScoreRenderer::placeMeasures(const ChartDocument& document)
{
    std::int64_t x = kRowLeft;
    std::int64_t rowTop = kFirstRowTop;
    places.reserve(document.measures.size());
    for (std::uint32_t i = 0; i < document.measures.size(); ++i) {
        const MeasureInfo& measure = document.measures[i];
        places.push_back({ static_cast<std::uint32_t>(measure.beats), measure.beatLength,
                           measure.branchMask, saturate(x), saturate(rowTop) });
        // Pixels as beats x 48 x beat length, in that order, so that the next measure starts
        // exactly where this one's lanes end ((7 x 4/3) x 48 falls just short of 448).
        x += static_cast<std::int64_t>(static_cast<std::uint32_t>(measure.beats) * 48.0
                                       * measure.beatLength);
        if (rowStarts.contains(i + 1)) {
            rowTop += rowHeight(measure.branchMask);
            x = kRowLeft;
        }
    }
}

int ScoreRenderer::canvasHeight() const
{
    if (places.empty())
        return kFirstRowTop + rowHeight(0);
    const MeasurePlace& last = places.back();
    return saturate(std::int64_t{ last.top } + rowHeight(last.branchMask));
}

PointF ScoreRenderer::notePoint(const ChartPosition& position) const
{
    assert(position.measure < places.size());
    const MeasurePlace& place = places[position.measure];
    const std::uint32_t offset = position.tick * 48u / 480u;
    float y = static_cast<float>(place.top + 48);
    const int bit0 = place.branchMask & 1;
    const int bit1 = (place.branchMask >> 1) & 1;
    if (position.branch == 2)
        y += static_cast<float>(24 * bit0);
    else if (position.branch == 4)
        y += static_cast<float>(24 * (bit0 + bit1));
    return { static_cast<float>(place.left) + static_cast<float>(offset), y };
}

std::uint32_t ScoreRenderer::measureTicks(std::uint32_t measure) const
{
    const MeasurePlace& place = places[measure];
    return static_cast<std::uint32_t>(place.beats * place.beatLength * 480.0);
}

ChartPosition ScoreRenderer::advancePosition(const ChartPosition& position,
                                             std::uint32_t ticks) const
{
    if (places.empty())
        return position;
    const auto count = static_cast<std::uint32_t>(places.size());
    std::int64_t remaining = ticks;
    std::int64_t offset = position.tick;
    for (std::uint32_t i = position.measure; i < count; ++i) {
        const std::int64_t room = std::int64_t{ measureTicks(i) } - offset;
        if (remaining <= room)
            return { i, static_cast<std::uint32_t>(offset + remaining), position.branch };
        // A start beyond its measure's end carries the whole length on.
        remaining -= std::max<std::int64_t>(room, 0);
        offset = 0;
    }
    return { count - 1, measureTicks(count - 1), position.branch };
}

} // namespace beatplate
