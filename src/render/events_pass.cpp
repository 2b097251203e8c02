#include "render/number_text.h"
#include "render/score_renderer.h"

#include <algorithm>
#include <limits>

namespace beatplate {

namespace {
// Where an event's marks go, in canvas pixels.
struct MarkerFrame {
    float x = 0; // the event's tick on the measure
    float top = 0; // the row's top
    int lanes = 1;
};
} // namespace

// A change on the bar line needs no line of its own: the bar line already stands there.
static void drawChangeLine(ScoreRenderer& renderer, const ChartEvent& event,
                           const MarkerFrame& frame)
{
    if (event.position.tick == 0)
        return;
    renderer.drawSprite(
        { frame.x - 1, frame.top + 14, 2, static_cast<float>(frame.lanes * 24 + 26) },
        renderer.atlas[25]);
}

static void drawTempo(ScoreRenderer& renderer, const ChartEvent& event, const MarkerFrame& frame)
{
    drawChangeLine(renderer, event, frame);
    renderer.drawSprite({ frame.x, frame.top + 20, 18, 6 }, renderer.atlas[28]);
    // Tempos are positive; a document made otherwise has no minus sprite to show.
    const auto text = NumberText::hundredths(event.value);
    renderer.drawSpriteNumber(text.view(), frame.x + 18, frame.top + 20, 30, 29);
}

static void drawScrollSpeed(ScoreRenderer& renderer, const ChartEvent& event,
                            const MarkerFrame& frame)
{
    drawChangeLine(renderer, event, frame);
    const float y = frame.top + 14;
    float x = frame.x;
    // For this kind the branch field is the mask of branches the speed applies to.
    const std::int32_t mask = event.position.branch;
    for (int bit = 0; bit < 3; ++bit) {
        if ((mask >> bit & 1) == 0)
            continue;
        renderer.drawSprite({ x, y, 6, 6 }, renderer.atlas[52 + bit]);
        x += 6;
    }
    renderer.drawSprite({ x, y, 12, 6 }, renderer.atlas[51]);
    const auto text = NumberText::hundredths(event.value);
    renderer.drawSpriteNumber(text.view(), x + 12, y, 40, 50, 65);
}

// The branch-start line always stands on the measure's bar line, whatever the event's tick.
static void drawBranchStart(ScoreRenderer& renderer, const MeasurePlace& place, int lanes)
{
    // The layout saturates its sums, so the line's x saturates too rather than overflow.
    const int x = std::max(place.left, std::numeric_limits<int>::min() + 1) - 1;
    renderer.drawSpriteInt(x, place.top + 14, 2, lanes * 24 + 26, renderer.atlas[24]);
}

void ScoreRenderer::drawEvents(const ChartDocument& document)
{
    for (const ChartEvent& event : document.events) {
        // Directives after the last completed measure have no place on the page.
        if (event.position.measure >= places.size())
            continue;
        const MeasurePlace& place = places[event.position.measure];
        const MarkerFrame frame{ notePoint(event.position).x, static_cast<float>(place.top),
                                 laneCount(place.branchMask) };
        switch (event.kind) {
        case ChartEventKind::Tempo:
            drawTempo(*this, event, frame);
            break;
        case ChartEventKind::ScrollSpeed:
            drawScrollSpeed(*this, event, frame);
            break;
        case ChartEventKind::BranchStart:
            drawBranchStart(*this, place, frame.lanes);
            break;
        case ChartEventKind::LineBreak:
            break; // the layout has already broken the row
        }
    }
}

} // namespace beatplate
