#include "render/number_text.h"
#include "render/score_renderer.h"

namespace beatplate {

static constexpr SpriteId kCountedHead = 10;
static constexpr SpriteId kCountedBody = 11;
static constexpr SpriteId kCountedTail = 12;
static constexpr SpriteId kSmallDigits = 55;

// Pixels for a number of ticks, one per ten, in the same unsigned arithmetic as notePoint.
static float tickPixels(std::uint32_t ticks)
{
    const std::uint32_t pixels = ticks * 48u / 480u; // whole pixels, the remainder dropped
    return static_cast<float>(pixels);
}

static std::uint32_t ticksBetween(std::uint32_t from, std::uint32_t to)
{
    return to > from ? to - from : 0;
}

// The measure's width; beats * 48 is formed as an unsigned integer before the beat length scales
// it.
static float measureWidth(const MeasurePlace& place)
{
    return static_cast<float>(static_cast<double>(place.beats * 48u) * place.beatLength);
}

// One body piece per measure, each in its own measure's row and in the lane of the span's branch.
static void drawSpanBody(ScoreRenderer& renderer, const RectF& body, const ChartPosition& start,
                         const ChartPosition& end)
{
    const PointF from = renderer.notePoint(start);
    if (end.measure == start.measure) {
        // Measured to the end, not by the length: a span cut off at the chart's end stops at its
        // tail.
        renderer.drawSprite(
            { from.x, from.y - 12, tickPixels(ticksBetween(start.tick, end.tick)), 24 }, body);
        return;
    }
    const std::uint32_t rest = ticksBetween(start.tick, renderer.measureTicks(start.measure));
    renderer.drawSprite({ from.x, from.y - 12, tickPixels(rest), 24 }, body);
    for (std::uint32_t measure = start.measure + 1; measure < end.measure; ++measure) {
        const PointF point = renderer.notePoint({ measure, 0, start.branch });
        renderer.drawSprite({ point.x, point.y - 12, measureWidth(renderer.places[measure]), 24 },
                            body);
    }
    const PointF last = renderer.notePoint({ end.measure, 0, end.branch });
    renderer.drawSprite({ last.x, last.y - 12, tickPixels(end.tick), 24 }, body);
}

void ScoreRenderer::drawSpan(SpriteId head, SpriteId body, SpriteId tail, const ChartNote& note)
{
    const ChartPosition& start = note.position;
    if (start.measure >= places.size())
        return;
    const PointF from = notePoint(start);
    drawSprite({ from.x - 12, from.y - 12, 12, 24 }, atlas[head]);
    const ChartPosition end = advancePosition(start, static_cast<std::uint32_t>(note.length));
    drawSpanBody(*this, atlas[body], start, end);
    const PointF to = notePoint(end);
    drawSprite({ to.x, to.y - 12, 12, 24 }, atlas[tail]);
}

void ScoreRenderer::drawCountedSpan(SpriteId icon, const ChartNote& note)
{
    if (note.position.measure >= places.size())
        return;
    const PointF point = notePoint(note.position);
    drawSprite({ point.x - 12, point.y - 12, 24, 24 }, atlas[icon]);
    // The count is centred on the note point, over the icon; a count of 0 is written too.
    const auto text = NumberText::wholeNumber(static_cast<std::uint32_t>(note.count));
    drawSpriteNumber(text.view(), point.x - static_cast<float>(3 * text.size()), point.y - 3,
                     kSmallDigits, std::nullopt);
}

static void drawSingle(ScoreRenderer& renderer, SpriteId sprite, const ChartNote& note)
{
    const PointF point = renderer.notePoint(note.position);
    renderer.drawSprite({ point.x - 12, point.y - 12, 24, 24 }, renderer.atlas[sprite]);
}

// The icon of a counted kind, or none for every other kind.
static std::optional<SpriteId> countIcon(std::int32_t kind)
{
    switch (kind) {
    case '@':
        return 13;
    case 'p':
        return 14;
    case 'b':
        return 15;
    default:
        return std::nullopt;
    }
}

// Everything of a note but a counted span's icon and count, which lie in a layer above.
static void drawNote(ScoreRenderer& renderer, const ChartNote& note)
{
    if (countIcon(note.kind))
        return renderer.drawSpan(kCountedHead, kCountedBody, kCountedTail, note);
    switch (note.kind) {
    case 'o':
        return drawSingle(renderer, 0, note);
    case 'O':
        return drawSingle(renderer, 1, note);
    case 'x':
        return drawSingle(renderer, 2, note);
    case 'X':
        return drawSingle(renderer, 3, note);
    case '<':
        return renderer.drawSpan(4, 5, 6, note);
    case '(':
        return renderer.drawSpan(7, 8, 9, note);
    default:
        return; // kinds outside the notation are not drawn
    }
}

void ScoreRenderer::drawNotes(const ChartDocument& document)
{
    // Last to first, so that where notes overlap the earlier one lies on top.
    for (auto note = document.notes.rbegin(); note != document.notes.rend(); ++note) {
        // Notes of measures that were never completed have no place on the page.
        if (note->position.measure < places.size())
            drawNote(*this, *note);
    }
    // A counted span that starts where another span ends lies under that span's body end and
    // tail; its icon and count go on top of every note so that the count can always be read.
    for (auto note = document.notes.rbegin(); note != document.notes.rend(); ++note) {
        if (const auto icon = countIcon(note->kind))
            drawCountedSpan(*icon, *note);
    }
}

} // namespace beatplate
