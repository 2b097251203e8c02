#include "render/measures_pass.h"

#include "render/number_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace beatplate {

namespace {
// What one measure draws, in canvas pixels.
struct MeasureFrame {
    float top = 0; // the row's top
    int lanes = 1;
    float left = 0; // beat 0
    double width = 0; // the measure's own width
    float drawnLeft = 0; // left end of what is drawn, including a row's opening overhang
    float drawnWidth = 0; // width of what is drawn, including a row's overhangs
    bool endsRow = false;
};
} // namespace

static MeasureFrame frameOf(const ScoreLayout& layout, std::uint32_t measure)
{
    const MeasurePlace& place = layout.places()[measure];
    const bool startsRow = layout.startsRow(measure);
    const bool endsRow = layout.endsRow(measure);
    MeasureFrame frame;
    frame.top = static_cast<float>(place.top);
    frame.lanes = laneCount(place.branchMask);
    frame.left = static_cast<float>(place.left);
    frame.width = place.width;
    frame.drawnLeft = frame.left - (startsRow ? kRowOverhang : 0);
    frame.drawnWidth = static_cast<float>(frame.width + (startsRow ? kRowOverhang : 0)
                                          + (endsRow ? kRowOverhang : 0));
    frame.endsRow = endsRow;
    return frame;
}

// Lanes stacked in bit order with no gap for absent bits; lane edges over their outer pixels.
static void drawLanes(SpritePainter& painter, std::int32_t branchMask, const MeasureFrame& frame)
{
    const std::int32_t mask = branchMask == 0 ? 1 : branchMask;
    float laneY = frame.top + kLanesTop;
    for (int bit = 0; bit < 3; ++bit) {
        if ((mask >> bit & 1) == 0)
            continue;
        painter.draw({ frame.drawnLeft, laneY, frame.drawnWidth, kLanePixels },
                     nextSprite(Sprite::Lane0, bit));
        laneY += kLanePixels;
    }
    const auto height = static_cast<float>(rowHeight(branchMask));
    painter.draw({ frame.drawnLeft, frame.top + kLaneEdgeTop, frame.drawnWidth, kLaneEdgePixels },
                 Sprite::LaneTopEdge);
    painter.draw({ frame.drawnLeft, frame.top + height - kLaneEdgePixels, frame.drawnWidth,
                   kLaneEdgePixels },
                 Sprite::LaneBottomEdge);
}

namespace {

// Walks the gogo spans measure by measure, in increasing order, keeping only the spans that can
// still overlap the measure at hand: spans are opened in measure order, and one that ended
// before a measure overlaps no later one. So a chart of many closed spans costs no more per
// measure than the spans that really cross it.
class GogoSweep {
public:
    explicit GogoSweep(std::span<const GogoSpan* const> spans)
        : m_spans(spans)
    {
    }

    // Calls visit(lower, upper) for every span that overlaps the measure, clipped to it, in the
    // order the spans were opened.
    template <typename Visit>
    void visit(std::uint32_t measure, const Visit& visit)
    {
        const ChartPosition start{ measure, 0, 0 };
        const ChartPosition end = measure < std::numeric_limits<std::uint32_t>::max()
            ? ChartPosition{ measure + 1, 0, 0 }
            : kChartEnd;
        while (m_next < m_spans.size() && m_spans[m_next]->lower() < end)
            m_live.push_back(m_next++);
        std::erase_if(m_live, [&](std::size_t index) { return m_spans[index]->upper() <= start; });
        for (const std::size_t index : m_live) {
            const GogoSpan& span = *m_spans[index];
            visit(std::max(span.lower(), start), std::min(span.upper(), end));
        }
    }

private:
    std::span<const GogoSpan* const> m_spans;
    std::size_t m_next = 0; // the first span not yet reached
    std::vector<std::size_t> m_live; // spans reached that have not ended before the measure
};

} // namespace

std::vector<GogoSpan> gogoPieces(const ScoreLayout& layout, const ChartDocument& document,
                                 std::uint32_t measure)
{
    // Swept over the placed measures before it, as drawing sweeps, so that what it shows is
    // what is drawn.
    std::vector<const GogoSpan*> spans;
    for (const GogoSpan& span : document.gogoSpans)
        spans.push_back(&span);
    GogoSweep sweep(spans);
    const auto ignore = [](const ChartPosition&, const ChartPosition&) {};
    const auto before = std::min<std::size_t>(measure, layout.places().size());
    for (std::uint32_t at = 0; at < before; ++at)
        sweep.visit(at, ignore);
    std::vector<GogoSpan> pieces;
    sweep.visit(measure, [&](const ChartPosition& lower, const ChartPosition& upper) {
        pieces.emplace_back(lower, upper);
    });
    return pieces;
}

// Pieces that cover the same pixels one after another (spans left open stack up on every later
// measure) are drawn as one repeated draw.
static void drawGogoBands(SpritePainter& painter, const ScoreLayout& layout, GogoSweep& gogo,
                          std::uint32_t measure, const MeasureFrame& frame)
{
    std::optional<RectF> pending;
    std::uint32_t times = 0;
    gogo.visit(measure, [&](const ChartPosition& lower, const ChartPosition& upper) {
        // A band reaching the measure's start or end also covers the row's overhang there.
        const float start = lower.tick == 0 ? frame.drawnLeft : layout.notePoint(lower).x;
        const float end = measure < upper.measure ? frame.drawnLeft + frame.drawnWidth
                                                  : layout.notePoint(upper).x;
        const RectF piece{ start, frame.top + kMarkerBandTop, end - start, kGogoBandHeight };
        if (pending && *pending == piece) {
            ++times;
            return;
        }
        if (pending)
            painter.draw(*pending, Sprite::GogoBand, times);
        pending = piece;
        times = 1;
    });
    if (pending)
        painter.draw(*pending, Sprite::GogoBand, times);
}

static void drawBarLines(SpritePainter& painter, const MeasureFrame& frame)
{
    const auto height = static_cast<float>(rowPixels(frame.lanes) - kMarkerBandTop);
    painter.draw({ frame.left - 1, frame.top + kMarkerBandTop, 2, height }, Sprite::BarLine);
    if (frame.endsRow)
        painter.draw({ static_cast<float>(frame.left + frame.width - 1), frame.top + kMarkerBandTop,
                       2, height },
                     Sprite::BarLine);
}

// Beat lines stop where they leave the canvas, and no more lines than the canvas has columns are
// drawn, so that a meter of billions of beats cannot stall the run.
static void drawBeatLines(SpritePainter& painter, const MeasurePlace& place,
                          const MeasureFrame& frame)
{
    const double step = place.beatLength * kPixelsPerQuarter;
    if (!std::isfinite(step))
        return;
    const float y = frame.top + kLaneEdgeTop;
    const auto height = static_cast<float>(rowPixels(frame.lanes) - kLaneEdgeTop);
    const auto canvasWidth = static_cast<double>(kPageWidth);
    const std::uint32_t count =
        std::min<std::uint32_t>(place.beats, static_cast<std::uint32_t>(kPageWidth));
    for (std::uint32_t k = 0; k < count; ++k) {
        const double x = place.left + k * step - 1.0;
        if (step > 0 ? x >= canvasWidth : x + 2 < 0)
            break;
        if (k > 0)
            painter.draw({ static_cast<float>(x), y, 2, height }, Sprite::BeatLine);
        painter.draw({ static_cast<float>(x + step / 2), y, 2, height }, Sprite::HalfBeatLine);
    }
}

void drawMeasures(const ScoreLayout& layout, const BandContents& band, const Canvas& sheet,
                  DrawTarget target)
{
    SpritePainter painter(sheet, target);
    // The band's spans are every span that overlaps its measures, so a sweep from its first
    // measure meets each measure's spans in the same order as one from the first measure.
    GogoSweep gogo(band.gogoSpans);
    const auto& places = layout.places();
    for (std::uint32_t measure = band.firstMeasure; measure < band.endMeasure; ++measure) {
        const MeasureFrame frame = frameOf(layout, measure);
        drawLanes(painter, places[measure].branchMask, frame);
        drawGogoBands(painter, layout, gogo, measure, frame);
        drawBarLines(painter, frame);
        drawBeatLines(painter, places[measure], frame);
        // Measures are counted from 1 on the page.
        painter.drawNumber(NumberText::wholeNumber(measure + 1).view(), frame.left,
                           frame.top + kMeasureNumberTop, Sprite::SmallDigit0, std::nullopt);
    }
}

} // namespace beatplate
