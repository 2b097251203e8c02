#include "render/number_text.h"
#include "render/score_renderer.h"

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

static constexpr float kOverhang = 24;

// The measure's width; beats * 48 is formed as an unsigned integer before the beat length scales
// it.
static double measureWidth(const MeasurePlace& place)
{
    return static_cast<double>(place.beats * 48u) * place.beatLength;
}

static MeasureFrame frameOf(const ScoreRenderer& renderer, std::uint32_t measure)
{
    const MeasurePlace& place = renderer.places[measure];
    const bool startsRow = measure == 0 || renderer.rowStarts.contains(measure);
    const bool endsRow =
        measure + 1 == renderer.places.size() || renderer.rowStarts.contains(measure + 1);
    MeasureFrame frame;
    frame.top = static_cast<float>(place.top);
    frame.lanes = laneCount(place.branchMask);
    frame.left = static_cast<float>(place.left);
    frame.width = measureWidth(place);
    frame.drawnLeft = frame.left - (startsRow ? kOverhang : 0);
    frame.drawnWidth =
        static_cast<float>(frame.width + (startsRow ? kOverhang : 0) + (endsRow ? kOverhang : 0));
    frame.endsRow = endsRow;
    return frame;
}

// Lanes stacked in bit order with no gap for absent bits; lane edges over their outer pixels.
static void drawLanes(ScoreRenderer& renderer, std::int32_t branchMask, const MeasureFrame& frame)
{
    const std::int32_t mask = branchMask == 0 ? 1 : branchMask;
    float laneY = frame.top + 36;
    for (int bit = 0; bit < 3; ++bit) {
        if ((mask >> bit & 1) == 0)
            continue;
        renderer.drawSprite({ frame.drawnLeft, laneY, frame.drawnWidth, 24 },
                            renderer.atlas[18 + bit]);
        laneY += 24;
    }
    const float height = static_cast<float>(frame.lanes * 24 + 40);
    renderer.drawSprite({ frame.drawnLeft, frame.top + 32, frame.drawnWidth, 6 },
                        renderer.atlas[16]);
    renderer.drawSprite({ frame.drawnLeft, frame.top + height - 6, frame.drawnWidth, 6 },
                        renderer.atlas[17]);
}

namespace {

// Walks the gogo spans measure by measure, in increasing order, keeping only the spans that can
// still overlap the measure at hand: spans are opened in measure order, and one that ended
// before a measure overlaps no later one. So a chart of many closed spans costs no more per
// measure than the spans that really cross it.
class GogoSweep {
public:
    explicit GogoSweep(const std::vector<GogoSpan>& spans)
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
        while (m_next < m_spans.size() && m_spans[m_next].lower() < end)
            m_live.push_back(m_next++);
        std::erase_if(m_live, [&](std::size_t index) { return m_spans[index].upper() <= start; });
        for (const std::size_t index : m_live) {
            const GogoSpan& span = m_spans[index];
            visit(std::max(span.lower(), start), std::min(span.upper(), end));
        }
    }

private:
    const std::vector<GogoSpan>& m_spans;
    std::size_t m_next = 0; // the first span not yet reached
    std::vector<std::size_t> m_live; // spans reached that have not ended before the measure
};

} // namespace

std::vector<GogoSpan> ScoreRenderer::gogoPieces(const ChartDocument& document,
                                                std::uint32_t measure) const
{
    // Swept over the placed measures before it, as drawing sweeps, so that what it shows is
    // what is drawn.
    GogoSweep sweep(document.gogoSpans);
    const auto ignore = [](const ChartPosition&, const ChartPosition&) {};
    const auto before = std::min<std::size_t>(measure, places.size());
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
static void drawGogoBands(ScoreRenderer& renderer, GogoSweep& gogo, std::uint32_t measure,
                          const MeasureFrame& frame)
{
    const RectF band = renderer.atlas[27];
    std::optional<RectF> pending;
    std::uint32_t times = 0;
    gogo.visit(measure, [&](const ChartPosition& lower, const ChartPosition& upper) {
        // A band reaching the measure's start or end also covers the row's overhang there.
        const float start = lower.tick == 0 ? frame.drawnLeft : renderer.notePoint(lower).x;
        const float end = measure < upper.measure ? frame.drawnLeft + frame.drawnWidth
                                                  : renderer.notePoint(upper).x;
        const RectF piece{ start, frame.top + 14, end - start, 18 };
        if (pending && *pending == piece) {
            ++times;
            return;
        }
        if (pending)
            renderer.drawSprite(*pending, band, times);
        pending = piece;
        times = 1;
    });
    if (pending)
        renderer.drawSprite(*pending, band, times);
}

static void drawBarLines(ScoreRenderer& renderer, const MeasureFrame& frame)
{
    const RectF bar = renderer.atlas[21];
    const auto height = static_cast<float>(frame.lanes * 24 + 26);
    renderer.drawSprite({ frame.left - 1, frame.top + 14, 2, height }, bar);
    if (frame.endsRow)
        renderer.drawSprite(
            { static_cast<float>(frame.left + frame.width - 1), frame.top + 14, 2, height }, bar);
}

// Beat lines stop where they leave the canvas, and no more lines than the canvas has columns are
// drawn, so that a meter of billions of beats cannot stall the run.
static void drawBeatLines(ScoreRenderer& renderer, const MeasurePlace& place,
                          const MeasureFrame& frame)
{
    const double step = place.beatLength * 48.0;
    if (!std::isfinite(step))
        return;
    const RectF beat = renderer.atlas[22];
    const RectF halfBeat = renderer.atlas[23];
    const float y = frame.top + 32;
    const auto height = static_cast<float>(frame.lanes * 24 + 8);
    const auto canvasWidth = static_cast<double>(renderer.width());
    const std::uint32_t count =
        std::min<std::uint32_t>(place.beats, static_cast<std::uint32_t>(renderer.width()));
    for (std::uint32_t k = 0; k < count; ++k) {
        const double x = place.left + k * step - 1.0;
        if (step > 0 ? x >= canvasWidth : x + 2 < 0)
            break;
        if (k > 0)
            renderer.drawSprite({ static_cast<float>(x), y, 2, height }, beat);
        renderer.drawSprite({ static_cast<float>(x + step / 2), y, 2, height }, halfBeat);
    }
}

void ScoreRenderer::drawBackground()
{
    drawSprite({ 0, 0, static_cast<float>(m_width), static_cast<float>(m_height) }, atlas[26]);
}

void ScoreRenderer::drawMeasures(const ChartDocument& document)
{
    GogoSweep gogo(document.gogoSpans);
    for (std::uint32_t measure = 0; measure < places.size(); ++measure) {
        const MeasureFrame frame = frameOf(*this, measure);
        drawLanes(*this, places[measure].branchMask, frame);
        drawGogoBands(*this, gogo, measure, frame);
        drawBarLines(*this, frame);
        drawBeatLines(*this, places[measure], frame);
        // Measures are counted from 1 on the page.
        drawSpriteNumber(NumberText::wholeNumber(measure + 1).view(), frame.left, frame.top + 26,
                         55, std::nullopt);
    }
}

void ScoreRenderer::drawSpriteNumber(std::string_view text, float x0, float y0, SpriteId digitBase,
                                     std::optional<SpriteId> pointSprite,
                                     std::optional<SpriteId> minusSprite)
{
    float x = x0;
    for (const char c : text) {
        std::optional<SpriteId> sprite;
        if (c >= '0' && c <= '9')
            sprite = digitBase + (c - '0');
        else if (c == '.')
            sprite = pointSprite;
        else if (c == '-')
            sprite = minusSprite;
        // A character without a sprite is left out and takes no room; the rest closes up.
        if (!sprite)
            continue;
        drawSprite({ x, y0, 6, 6 }, atlas[*sprite]);
        x += 6;
    }
}

} // namespace beatplate
