#include "render/events_pass.h"

#include "render/number_text.h"

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
static void drawChangeLine(SpritePainter& painter, const ChartEvent& event,
                           const MarkerFrame& frame)
{
    if (event.position.tick == 0)
        return;
    painter.draw({ frame.x - 1, frame.top + kMarkerBandTop, 2,
                   static_cast<float>(rowPixels(frame.lanes) - kMarkerBandTop) },
                 Sprite::ChangeLine);
}

static void drawTempo(SpritePainter& painter, const ChartEvent& event, const MarkerFrame& frame)
{
    drawChangeLine(painter, event, frame);
    painter.draw({ frame.x, frame.top + kMarkerLabelTop, 18, 6 }, Sprite::TempoLabel);
    // Tempos are positive; a document made otherwise has no minus sprite to show.
    const auto text = NumberText::hundredths(event.value);
    painter.drawNumber(text.view(), frame.x + 18, frame.top + kMarkerLabelTop, Sprite::TempoDigit0,
                       Sprite::TempoPoint);
}

static void drawScrollSpeed(SpritePainter& painter, const ChartEvent& event,
                            const MarkerFrame& frame)
{
    drawChangeLine(painter, event, frame);
    const float y = frame.top + kMarkerBandTop;
    float x = frame.x;
    // For this kind the branch field is the mask of branches the speed applies to.
    const std::int32_t mask = event.position.branch;
    for (int bit = 0; bit < 3; ++bit) {
        if ((mask >> bit & 1) == 0)
            continue;
        painter.draw({ x, y, 6, 6 }, nextSprite(Sprite::BranchIcon0, bit));
        x += 6;
    }
    painter.draw({ x, y, 12, 6 }, Sprite::SpeedLabel);
    const auto text = NumberText::hundredths(event.value);
    painter.drawNumber(text.view(), x + 12, y, Sprite::SpeedDigit0, Sprite::SpeedPoint,
                       Sprite::SpeedMinus);
}

// The branch-start line always stands on the measure's bar line, whatever the event's tick.
static void drawBranchStart(SpritePainter& painter, const MeasurePlace& place, int lanes)
{
    // The layout saturates its sums, so the line's x saturates too rather than overflow.
    const int x = std::max(place.left, std::numeric_limits<int>::min() + 1) - 1;
    painter.drawAt(x, place.top + kMarkerBandTop, 2, rowPixels(lanes) - kMarkerBandTop,
                   Sprite::BranchStartLine);
}

void drawEvents(const ScoreLayout& layout, const BandContents& band, const Canvas& sheet,
                DrawTarget target)
{
    SpritePainter painter(sheet, target);
    const auto& places = layout.places();
    // Directives after the last completed measure have no place on the page and are in no band.
    for (const ChartEvent* eventInBand : band.events) {
        const ChartEvent& event = *eventInBand;
        const MeasurePlace& place = places[event.position.measure];
        const MarkerFrame frame{ layout.notePoint(event.position).x, static_cast<float>(place.top),
                                 laneCount(place.branchMask) };
        switch (event.kind) {
        case ChartEventKind::Tempo:
            drawTempo(painter, event, frame);
            break;
        case ChartEventKind::ScrollSpeed:
            drawScrollSpeed(painter, event, frame);
            break;
        case ChartEventKind::BranchStart:
            drawBranchStart(painter, place, frame.lanes);
            break;
        case ChartEventKind::LineBreak:
            break; // the layout has already broken the row
        }
    }
}

} // namespace beatplate
