#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"
#include "load/sprite_sheet.h"
#include "pass_test_support.h"
#include "render/background_pass.h"
#include "render/compositing.h"
#include "render/events_pass.h"
#include "render/measures_pass.h"
#include "render/notes_pass.h"
#include "render/score_renderer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace beatplate {
namespace {

using test::columnRuns;
using test::documentOf;
using test::Footprint;
using test::footprintOf;
using test::kNoSprite;
using test::paintedPixels;
using test::PassDrawing;
using test::rowRuns;
using test::solid;
using test::SpriteRun;
using test::testSheet;

ChartNote single(char kind, ChartPosition position)
{
    return { static_cast<NoteKind>(kind), 0, 0, position };
}

ChartNote span(char kind, ChartPosition position, std::int32_t length, std::int32_t count = 0)
{
    return { static_cast<NoteKind>(kind), length, count, position };
}

// 4/4 measures without branches: measure 0 at left 24, measure 1 at left 216, row top 48.
PassDrawing drawnNotes(std::initializer_list<ChartNote> notes,
                       ChartDocument document = documentOf(2))
{
    for (const auto& note : notes)
        document.notes.insert(note);
    PassDrawing drawing(document);
    drawNotes(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
              drawing.target());
    return drawing;
}

TEST(ScoreRendererNotes, SingleNotesAreCentredOnTheirPoint)
{
    struct Case {
        char kind;
        ChartPosition position;
        SpriteId sprite;
        int x;
    };
    const Case cases[] = {
        { 'o', { 0, 0, 0 }, 0, 12 },
        { 'O', { 0, 960, 0 }, 1, 108 },
        { 'x', { 1, 120, 0 }, 2, 216 },
        { 'X', { 1, 1800, 0 }, 3, 384 },
    };
    for (const auto& [kind, position, sprite, x] : cases) {
        SCOPED_TRACE(kind);
        const auto drawing = drawnNotes({ single(kind, position) });
        EXPECT_EQ(footprintOf(drawing.canvas, sprite), solid(x, 84, 24, 24));
        EXPECT_EQ(paintedPixels(drawing.canvas), 24 * 24);
    }
}

TEST(ScoreRendererNotes, BranchNotesSitInTheirOwnLanes)
{
    const auto drawing = drawnNotes(
        { single('o', { 0, 480, 1 }), single('O', { 0, 480, 2 }), single('x', { 0, 480, 4 }) },
        documentOf(1, { 4, 1.0, 7 }));
    EXPECT_EQ(footprintOf(drawing.canvas, 0), solid(60, 84, 24, 24));
    EXPECT_EQ(footprintOf(drawing.canvas, 1), solid(60, 108, 24, 24));
    EXPECT_EQ(footprintOf(drawing.canvas, 2), solid(60, 132, 24, 24));
}

TEST(ScoreRendererNotes, EarlierNoteLiesOnTopWhereNotesOverlap)
{
    struct Case {
        char first;
        char second;
        std::vector<SpriteRun> row;
    };
    // Sixteenth notes are 12 pixels apart, so the heads overlap by half.
    const Case cases[] = {
        { 'o', 'x', { { 0, 12, 36 }, { 2, 36, 48 } } },
        { 'x', 'o', { { 2, 12, 36 }, { 0, 36, 48 } } },
    };
    for (const auto& [first, second, row] : cases) {
        SCOPED_TRACE(testing::Message() << first << second);
        const auto drawing =
            drawnNotes({ single(second, { 0, 120, 0 }), single(first, { 0, 0, 0 }) });
        EXPECT_EQ(rowRuns(drawing.canvas, 96, 12, 48), row);
    }
}

TEST(ScoreRendererNotes, SpanBodyRunsFromHeadToTail)
{
    struct Case {
        const char* name;
        ChartNote note;
        std::vector<SpriteRun> row; // at the centre line y = 96
    };
    const Case cases[] = {
        { "inside one measure",
          span('(', { 0, 960, 0 }, 480),
          { { kNoSprite, 100, 108 },
            { 7, 108, 120 },
            { 8, 120, 168 },
            { 9, 168, 180 },
            { kNoSprite, 180, 420 } } },
        { "over a bar line",
          span('(', { 0, 1440, 0 }, 960),
          { { kNoSprite, 100, 156 },
            { 7, 156, 168 },
            { 8, 168, 264 },
            { 9, 264, 276 },
            { kNoSprite, 276, 420 } } },
        { "ending on a bar line, in the earlier measure",
          span('<', { 0, 960, 0 }, 960),
          { { kNoSprite, 100, 108 },
            { 4, 108, 120 },
            { 5, 120, 216 },
            { 6, 216, 228 },
            { kNoSprite, 228, 420 } } },
        { "past the end of the chart",
          span('<', { 1, 960, 0 }, 100000),
          { { kNoSprite, 100, 300 }, { 4, 300, 312 }, { 5, 312, 408 }, { 6, 408, 420 } } },
        { "from the first measure past the end",
          span('(', { 0, 1440, 0 }, 100000),
          { { kNoSprite, 100, 156 }, { 7, 156, 168 }, { 8, 168, 408 }, { 9, 408, 420 } } },
    };
    for (const auto& [name, note, row] : cases) {
        SCOPED_TRACE(name);
        const auto drawing = drawnNotes({ note });
        EXPECT_EQ(rowRuns(drawing.canvas, 96, 100, 420), row);
        // Every piece is 24 pixels high, centred on the lane.
        const SpriteId body = note.kind == NoteKind::ParenSpan ? 8 : 5;
        EXPECT_EQ(columnRuns(drawing.canvas, row[2].from),
                  (std::vector<SpriteRun>{
                      { kNoSprite, 0, 84 }, { body, 84, 108 }, { kNoSprite, 108, 112 } }));
    }
}

TEST(ScoreRendererNotes, SpanContinuesAtTheLeftOfTheNextRow)
{
    // Five measures: measure 3 ends the first row at left 600, measure 4 starts the second at top
    // 112.
    const auto drawing = drawnNotes({ span('(', { 3, 1440, 0 }, 960 + 1920 + 480) }, documentOf(6));
    // The first piece ends at the right end of its measure, not in the row's overhang.
    EXPECT_EQ(
        rowRuns(drawing.canvas, 96, 720, 816),
        (std::vector<SpriteRun>{
            { kNoSprite, 720, 732 }, { 7, 732, 744 }, { 8, 744, 792 }, { kNoSprite, 792, 816 } }));
    // A whole piece over measure 4 from x 24, then measure 5 up to tick 960 and the tail.
    EXPECT_EQ(
        rowRuns(drawing.canvas, 160, 0, 340),
        (std::vector<SpriteRun>{
            { kNoSprite, 0, 24 }, { 8, 24, 312 }, { 9, 312, 324 }, { kNoSprite, 324, 340 } }));
    EXPECT_EQ(footprintOf(drawing.canvas, 8).pixels, (48 + 192 + 96) * 24);
}

TEST(ScoreRendererNotes, SpanInABranchLaneStaysInItAcrossMeasures)
{
    auto document = documentOf(2, { 4, 1.0, 6 });
    const auto drawing = drawnNotes({ span('(', { 0, 1440, 4 }, 960) }, document);
    // Branch 4 is the second lane of mask 6: centre at top + 72.
    EXPECT_EQ(footprintOf(drawing.canvas, 8), solid(168, 108, 96, 24));
    EXPECT_EQ(footprintOf(drawing.canvas, 9), solid(264, 108, 12, 24));
}

TEST(ScoreRendererNotes, CountedSpanShowsIconAndCentredCount)
{
    struct Case {
        char kind;
        std::int32_t count;
        SpriteId icon;
        SpriteId digitAtCentre; // the digit over the note point's column x = 24
        std::vector<SpriteRun> countRow; // y = 95, through the digits
    };
    const Case cases[] = {
        // clang-format off
        { '@', 5, 13, 60, { { 13, 12, 21 }, { 60, 21, 27 }, { 13, 27, 36 }, { 11, 36, 72 },
            { 12, 72, 84 } } },
        { '@', 12, 13, 57, { { 13, 12, 18 }, { 56, 18, 24 }, { 57, 24, 30 }, { 13, 30, 36 },
            { 11, 36, 72 }, { 12, 72, 84 } } },
        { 'p', 0, 14, 55, { { 14, 12, 21 }, { 55, 21, 27 }, { 14, 27, 36 }, { 11, 36, 72 },
            { 12, 72, 84 } } },
        { 'b', 123, 15, 57, { { 15, 12, 15 }, { 56, 15, 21 }, { 57, 21, 27 }, { 58, 27, 33 },
            { 15, 33, 36 }, { 11, 36, 72 }, { 12, 72, 84 } } },
        // clang-format on
    };
    for (const auto& [kind, count, icon, digitAtCentre, countRow] : cases) {
        SCOPED_TRACE(testing::Message() << kind << count);
        const auto drawing = drawnNotes({ span(kind, { 0, 0, 0 }, 480, count) });
        EXPECT_EQ(rowRuns(drawing.canvas, 95, 12, 84), countRow);
        // The icon covers the head and stands 24 x 24 on the note point; the digits are 6 high.
        EXPECT_EQ(footprintOf(drawing.canvas, 10).pixels, 0);
        EXPECT_EQ(columnRuns(drawing.canvas, 13, 80, 112),
                  (std::vector<SpriteRun>{
                      { kNoSprite, 80, 84 }, { icon, 84, 108 }, { kNoSprite, 108, 112 } }));
        EXPECT_EQ(columnRuns(drawing.canvas, 24, 84, 108),
                  (std::vector<SpriteRun>{
                      { icon, 84, 93 }, { digitAtCentre, 93, 99 }, { icon, 99, 108 } }));
    }
}

// A sprite placed in a 24 x 24 patch at its own size, as drawSprite copies it.
struct PatchLayer {
    SpriteId sprite = 0;
    int x = 0;
    int y = 0;
};

// The layers, copied from the sheet one over the other, look the same over anything where they
// are opaque: how many of those pixels, from column fromX on, the picture centred on at shows
// otherwise.
int coveredPixels(const Canvas& picture, PointF at, const Canvas& sheet,
                  const std::vector<PatchLayer>& layers, int fromX = 0)
{
    Canvas patch(24, 24);
    for (const auto& [sprite, x, y] : layers) {
        const RectF rect = spriteRect(sprite);
        const int left = static_cast<int>(rect.x);
        const int top = static_cast<int>(rect.y);
        for (int j = 0; j < static_cast<int>(rect.height); ++j) {
            for (int i = 0; i < static_cast<int>(rect.width); ++i) {
                auto& pixel = patch.row(y + j)[static_cast<std::size_t>(x + i)];
                pixel = compositeOver(pixel, sheet.pixel(left + i, top + j));
            }
        }
    }
    int covered = 0;
    for (int j = 0; j < 24; ++j) {
        for (int i = fromX; i < 24; ++i) {
            const std::uint32_t expected = patch.pixel(i, j);
            covered += expected >> 24 == 255
                && picture.pixel(static_cast<int>(at.x) - 12 + i, static_cast<int>(at.y) - 12 + j)
                    != expected;
        }
    }
    return covered;
}

TEST(ScoreRendererNotes, CountsAndNotesAfterASpanStayInViewOnOurSheet)
{
    // Every kind followed by every kind, one pair to a measure, right at the first one's end
    // or one slot later.
    auto reader =
        ChartTextReader::open(std::filesystem::path(BEATPLATE_TEST_DATA_DIR) / "span_pairings.txt");
    ASSERT_TRUE(reader);
    const ChartReading reading = readChart(*reader, ChartScope::FirstError);
    ASSERT_FALSE(reading.hasErrors());
    const ChartDocument* document = &reading.document;
    const auto loaded = loadSpriteSheet(BEATPLATE_BUILT_SPRITE_SHEET);
    ASSERT_TRUE(loaded);
    const Canvas& sheet = *loaded;
    const struct {
        ScoreLayout layout;
        Canvas canvas;
    } drawing{ ScoreLayout(*document), ScoreRenderer(sheet).render(*document) };
    const std::map<NoteKind, SpriteId> icons{ { NoteKind::AtSpan, 13 },
                                              { NoteKind::PSpan, 14 },
                                              { NoteKind::BSpan, 15 } };
    const std::map<NoteKind, SpriteId> singles{
        { NoteKind::O, 0 }, { NoteKind::BigO, 1 }, { NoteKind::X, 2 }, { NoteKind::BigX, 3 }
    };

    std::map<std::uint32_t, std::vector<ChartNote>> pairs;
    for (const ChartNote& note : document->notes)
        pairs[note.position.measure].push_back(note);
    int countsSeen = 0;
    int notesAfterSpans = 0;
    for (const auto& [measure, notes] : pairs) {
        ASSERT_EQ(notes.size(), 2u) << "measure " << measure;
        SCOPED_TRACE(testing::Message() << "measure " << measure + 1);
        for (const ChartNote& note : notes) {
            if (!icons.contains(note.kind))
                continue;
            // The icon with its count centred on it, over everything.
            std::vector<PatchLayer> counted{ { icons.at(note.kind), 0, 0 } };
            const std::string count = std::to_string(note.count);
            const int digits = static_cast<int>(count.size());
            for (int i = 0; i < digits; ++i)
                counted.push_back({ 55 + (count[static_cast<std::size_t>(i)] - '0'),
                                    12 - 3 * digits + 6 * i, 9 });
            EXPECT_EQ(coveredPixels(drawing.canvas, drawing.layout.notePoint(note.position), sheet,
                                    counted),
                      0);
            ++countsSeen;
        }
        const ChartNote& first = notes[0];
        const ChartNote& next = notes[1];
        if (first.length == 0 || !singles.contains(next.kind)
            || next.position.tick
                != drawing.layout.advancePosition(first.position, first.length).tick + 120)
            continue;
        // A note one slot after the span's end loses no more than its leftmost quarter.
        EXPECT_EQ(coveredPixels(drawing.canvas, drawing.layout.notePoint(next.position), sheet,
                                { { singles.at(next.kind), 0, 0 } }, 6),
                  0);
        ++notesAfterSpans;
    }
    EXPECT_EQ(countsSeen, 3 * 9 * 2 * 2);
    EXPECT_EQ(notesAfterSpans, 5 * 4);
}

TEST(ScoreRendererNotes, PlainSpansShowNoCount)
{
    const auto drawing = drawnNotes({ span('<', { 0, 0, 0 }, 480, 7) });
    for (SpriteId digit = 55; digit < 65; ++digit)
        EXPECT_EQ(footprintOf(drawing.canvas, digit).pixels, 0) << digit;
    EXPECT_EQ(footprintOf(drawing.canvas, 4), solid(12, 84, 12, 24));
}

TEST(ScoreRendererNotes, DrawsNothingForStrayKindsAndMissingMeasures)
{
    // A "[" span closed without a kind letter keeps a kind outside the table.
    EXPECT_EQ(
        paintedPixels(drawnNotes({ span('[', { 0, 0, 0 }, 480), single('z', { 0, 960, 0 }) })), 0);
    // Notes of a branch group whose last line is missing lie beyond the completed measures.
    EXPECT_EQ(
        paintedPixels(drawnNotes({ single('o', { 2, 0, 0 }), span('@', { 2, 0, 0 }, 480, 5) })), 0);

    ChartDocument empty;
    const ChartNote counted = span('@', { 0, 0, 0 }, 480, 5);
    empty.notes.insert(counted);
    PassDrawing drawing(empty);
    drawNotes(drawing.layout, WholeBand(drawing.layout, empty).contents(), testSheet(),
              drawing.target());
    EXPECT_EQ(paintedPixels(drawing.canvas), 0);
}

TEST(ScoreRendererNotes, NotesLieOverMarkersAndMarkersOverMeasures)
{
    auto document = documentOf(1);
    document.events.insert({ ChartEventKind::BranchStart, 0, { 0, 0, 0 } });
    document.events.insert({ ChartEventKind::Tempo, 15000, { 0, 480, 0 } });
    document.notes.insert(single('o', { 0, 0, 0 }));
    document.notes.insert(single('x', { 0, 480, 0 }));
    PassDrawing drawing(document);
    // The passes in the order the drawing runs them.
    drawBackground(drawing.layout, testSheet(), drawing.target());
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                 drawing.target());
    drawEvents(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
               drawing.target());
    drawNotes(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
              drawing.target());
    // The branch-start line covers the bar line and the measure number; the note covers the line.
    EXPECT_EQ(columnRuns(drawing.canvas, 24),
              (std::vector<SpriteRun>{
                  { 26, 0, 62 }, { 24, 62, 84 }, { 0, 84, 108 }, { 24, 108, 112 } }));
    // The change line covers the beat line; the tempo label and the note cover the change line.
    EXPECT_EQ(columnRuns(drawing.canvas, 72),
              (std::vector<SpriteRun>{ { 26, 0, 62 },
                                       { 25, 62, 68 },
                                       { 28, 68, 74 },
                                       { 25, 74, 84 },
                                       { 2, 84, 108 },
                                       { 25, 108, 112 } }));
}

} // namespace
} // namespace beatplate
