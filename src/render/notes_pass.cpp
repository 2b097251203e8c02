#include "render/notes_pass.h"

#include "render/number_text.h"

#include <algorithm>
#include <optional>

namespace beatplate {

namespace {

// The three pieces a span is drawn with.
struct SpanSprites {
    Sprite head;
    Sprite body;
    Sprite tail;
};

constexpr SpanSprites kAngleSpan{ Sprite::AngleSpanHead, Sprite::AngleSpanBody,
                                  Sprite::AngleSpanTail };
constexpr SpanSprites kParenSpan{ Sprite::ParenSpanHead, Sprite::ParenSpanBody,
                                  Sprite::ParenSpanTail };
constexpr SpanSprites kCountedSpan{ Sprite::CountedSpanHead, Sprite::CountedSpanBody,
                                    Sprite::CountedSpanTail };

// What the notes pass reads and where it draws.
struct NotesScene {
    const ScoreLayout& layout;
    const BandContents& band;
    SpritePainter& painter;
};

} // namespace

static float pixelsOf(std::uint32_t ticks)
{
    return static_cast<float>(tickPixels(ticks));
}

static std::uint32_t ticksBetween(std::uint32_t from, std::uint32_t to)
{
    return to > from ? to - from : 0;
}

// One body piece per measure, each in its own measure's row and in the lane of the span's branch.
static void drawSpanBody(const NotesScene& scene, Sprite body, const ChartPosition& start,
                         const ChartPosition& end)
{
    const ScoreLayout& layout = scene.layout;
    const PointF from = layout.notePoint(start);
    if (end.measure == start.measure) {
        // Measured to the end, not by the length: a span cut off at the chart's end stops at its
        // tail.
        scene.painter.draw(
            { from.x, from.y - 12, pixelsOf(ticksBetween(start.tick, end.tick)), 24 }, body);
        return;
    }
    const std::uint32_t rest = ticksBetween(start.tick, layout.places()[start.measure].ticks);
    scene.painter.draw({ from.x, from.y - 12, pixelsOf(rest), 24 }, body);
    // Pieces in measures that cannot reach the band would draw nothing on it.
    const std::uint32_t firstMiddle = std::max(start.measure + 1, scene.band.firstMeasure);
    const std::uint32_t endMiddle = std::min(end.measure, scene.band.endMeasure);
    for (std::uint32_t measure = firstMiddle; measure < endMiddle; ++measure) {
        const PointF point = layout.notePoint({ measure, 0, start.branch });
        scene.painter.draw(
            { point.x, point.y - 12, static_cast<float>(layout.places()[measure].width), 24 },
            body);
    }
    const PointF last = layout.notePoint({ end.measure, 0, end.branch });
    scene.painter.draw({ last.x, last.y - 12, pixelsOf(end.tick), 24 }, body);
}

static void drawSpan(const NotesScene& scene, const SpanSprites& sprites, const ChartNote& note)
{
    const ChartPosition& start = note.position;
    const PointF from = scene.layout.notePoint(start);
    scene.painter.draw({ from.x - 12, from.y - 12, 12, 24 }, sprites.head);
    const ChartPosition end =
        scene.layout.advancePosition(start, static_cast<std::uint32_t>(note.length));
    drawSpanBody(scene, sprites.body, start, end);
    const PointF to = scene.layout.notePoint(end);
    scene.painter.draw({ to.x, to.y - 12, 12, 24 }, sprites.tail);
}

// A counted span's icon and count over its head.
static void drawCountedSpan(const NotesScene& scene, Sprite icon, const ChartNote& note)
{
    const PointF point = scene.layout.notePoint(note.position);
    scene.painter.draw({ point.x - 12, point.y - 12, 24, 24 }, icon);
    // The count is centred on the note point, over the icon; a count of 0 is written too.
    const auto text = NumberText::wholeNumber(static_cast<std::uint32_t>(note.count));
    scene.painter.drawNumber(text.view(), point.x - static_cast<float>(3 * text.size()),
                             point.y - 3, Sprite::SmallDigit0, std::nullopt);
}

static void drawSingle(const NotesScene& scene, Sprite sprite, const ChartNote& note)
{
    const PointF point = scene.layout.notePoint(note.position);
    scene.painter.draw({ point.x - 12, point.y - 12, 24, 24 }, sprite);
}

std::optional<Sprite> countIcon(NoteKind kind)
{
    switch (kind) {
    case NoteKind::AtSpan:
        return Sprite::AtIcon;
    case NoteKind::PSpan:
        return Sprite::PIcon;
    case NoteKind::BSpan:
        return Sprite::BIcon;
    default:
        return std::nullopt;
    }
}

// Everything of a note but a counted span's icon and count, which lie in a layer above.
static void drawNote(const NotesScene& scene, const ChartNote& note)
{
    if (countIcon(note.kind))
        return drawSpan(scene, kCountedSpan, note);
    switch (note.kind) {
    case NoteKind::O:
        return drawSingle(scene, Sprite::NoteO, note);
    case NoteKind::BigO:
        return drawSingle(scene, Sprite::NoteBigO, note);
    case NoteKind::X:
        return drawSingle(scene, Sprite::NoteX, note);
    case NoteKind::BigX:
        return drawSingle(scene, Sprite::NoteBigX, note);
    case NoteKind::AngleSpan:
        return drawSpan(scene, kAngleSpan, note);
    case NoteKind::ParenSpan:
        return drawSpan(scene, kParenSpan, note);
    default:
        return; // a span without a kind, and kinds outside the notation, are not drawn
    }
}

void drawNotes(const ScoreLayout& layout, const BandContents& band, const Canvas& sheet,
               DrawTarget target)
{
    SpritePainter painter(sheet, target);
    const NotesScene scene{ layout, band, painter };
    // Last to first, so that where notes overlap the earlier one lies on top. Notes of measures
    // that were never completed have no place on the page and are in no band.
    band.notes.forEachLastToFirst([&scene](const ChartNote& note) { drawNote(scene, note); });
    // A counted span that starts where another span ends lies under that span's body end and
    // tail; its icon and count go on top of every note so that the count can always be read.
    for (const ChartNote* note : band.countedNotes)
        drawCountedSpan(scene, *countIcon(note->kind), *note);
}

} // namespace beatplate
