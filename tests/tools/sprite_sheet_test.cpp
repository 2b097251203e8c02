#include "render/sprite_atlas.h"
#include "rgba_png.h"
#include "sheet_painter.h"
#include "sprite_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace beatplate {
namespace {

struct Rgb {
    double red = 0;
    double green = 0;
    double blue = 0;
};

std::uint32_t alphaOf(std::uint32_t pixel)
{
    return pixel >> 24;
}

Rgb rgbOf(std::uint32_t pixel)
{
    return { static_cast<double>(pixel >> 16 & 0xFF), static_cast<double>(pixel >> 8 & 0xFF),
             static_cast<double>(pixel & 0xFF) };
}

double distance(const Rgb& a, const Rgb& b)
{
    return std::hypot(a.red - b.red, a.green - b.green, a.blue - b.blue);
}

double hueOf(const Rgb& colour)
{
    return std::atan2(std::sqrt(3.0) * (colour.green - colour.blue),
                      2 * colour.red - colour.green - colour.blue)
        * 180 / 3.14159265358979;
}

double hueDistance(double a, double b)
{
    const double difference = std::fmod(std::abs(a - b), 360.0);
    return std::min(difference, 360 - difference);
}

// One sprite's pixels, cut from the sheet at its atlas rectangle.
class SheetSprite {
public:
    SheetSprite(const Canvas& sheet, SpriteId id)
        : m_sheet(sheet)
        , m_rect(spriteRect(id))
    {
    }

    [[nodiscard]] int width() const { return static_cast<int>(m_rect.width); }
    [[nodiscard]] int height() const { return static_cast<int>(m_rect.height); }
    [[nodiscard]] std::uint32_t at(int x, int y) const
    {
        return m_sheet.pixel(static_cast<int>(m_rect.x) + x, static_cast<int>(m_rect.y) + y);
    }
    [[nodiscard]] std::vector<std::uint32_t> column(int x) const
    {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < height(); ++y)
            pixels.push_back(at(x, y));
        return pixels;
    }
    [[nodiscard]] std::vector<std::uint32_t> row(int y) const
    {
        std::vector<std::uint32_t> pixels;
        for (int x = 0; x < width(); ++x)
            pixels.push_back(at(x, y));
        return pixels;
    }
    [[nodiscard]] std::vector<std::uint32_t> pixels() const
    {
        std::vector<std::uint32_t> all;
        for (int y = 0; y < height(); ++y) {
            const auto line = row(y);
            all.insert(all.end(), line.begin(), line.end());
        }
        return all;
    }
    [[nodiscard]] double coverage() const
    {
        double sum = 0;
        for (const std::uint32_t pixel : pixels())
            sum += alphaOf(pixel) / 255.0;
        return sum;
    }
    [[nodiscard]] Rgb meanOpaqueColour() const
    {
        Rgb sum;
        int count = 0;
        for (const std::uint32_t pixel : pixels()) {
            if (alphaOf(pixel) != 255)
                continue;
            const Rgb colour = rgbOf(pixel);
            sum = { sum.red + colour.red, sum.green + colour.green, sum.blue + colour.blue };
            ++count;
        }
        return { sum.red / count, sum.green / count, sum.blue / count };
    }

private:
    const Canvas& m_sheet;
    RectF m_rect;
};

const Canvas& sheet()
{
    static const Canvas drawn = drawSpriteSheet();
    return drawn;
}

TEST(SpriteSheet, HoldsEveryAtlasRectangle)
{
    EXPECT_GE(sheet().width(), kSpriteSheetMinWidth);
    EXPECT_GE(sheet().height(), kSpriteSheetMinHeight);
    for (SpriteId id = 0; id < kSpriteCount; ++id) {
        const RectF rect = spriteRect(id);
        EXPECT_LE(rect.x + rect.width, static_cast<float>(sheet().width())) << id;
        EXPECT_LE(rect.y + rect.height, static_cast<float>(sheet().height())) << id;
    }
}

TEST(SpriteSheet, EverySpriteShowsSomething)
{
    for (SpriteId id = 0; id < kSpriteCount; ++id) {
        const auto pixels = SheetSprite(sheet(), id).pixels();
        const auto strongest = std::ranges::max(pixels, {}, alphaOf);
        EXPECT_GE(alphaOf(strongest), 48u) << "sprite " << id;
    }
}

TEST(SpriteSheet, NothingLiesOutsideTheSprites)
{
    std::vector<bool> inSprite(static_cast<std::size_t>(sheet().width() * sheet().height()));
    for (SpriteId id = 0; id < kSpriteCount; ++id) {
        const Cell cell = cellOf(spriteRect(id));
        for (int y = cell.y; y < cell.y + cell.height; ++y) {
            for (int x = cell.x; x < cell.x + cell.width; ++x)
                inSprite[static_cast<std::size_t>(y * sheet().width() + x)] = true;
        }
    }
    for (int y = 0; y < sheet().height(); ++y) {
        for (int x = 0; x < sheet().width(); ++x) {
            if (!inSprite[static_cast<std::size_t>(y * sheet().width() + x)]) {
                ASSERT_EQ(alphaOf(sheet().pixel(x, y)), 0u) << x << ", " << y;
            }
        }
    }
}

TEST(SpriteSheet, PiecesStretchedAlongRowsRepeatEveryColumn)
{
    // Span bodies, lane edges, lanes, the page and the gogo band.
    for (const SpriteId id : { 5, 8, 11, 16, 17, 18, 19, 20, 26, 27 }) {
        const SheetSprite sprite(sheet(), id);
        for (int x = 1; x < sprite.width(); ++x)
            EXPECT_EQ(sprite.column(x), sprite.column(0)) << "sprite " << id << " column " << x;
    }
}

TEST(SpriteSheet, PiecesStretchedAlongColumnsRepeatEveryRow)
{
    // The five lines and the page, which is stretched both ways.
    for (const SpriteId id : { 21, 22, 23, 24, 25, 26 }) {
        const SheetSprite sprite(sheet(), id);
        for (int y = 1; y < sprite.height(); ++y)
            EXPECT_EQ(sprite.row(y), sprite.row(0)) << "sprite " << id << " row " << y;
    }
}

TEST(SpriteSheet, PageLanesAndStrongLinesAreOpaque)
{
    // The page and lanes hide what is below them; bar, branch-start and change lines must
    // read over the lanes, the gogo band and the edges.
    for (const SpriteId id : { 26, 18, 19, 20, 21, 24, 25 }) {
        for (const std::uint32_t pixel : SheetSprite(sheet(), id).pixels())
            ASSERT_EQ(alphaOf(pixel), 255u) << "sprite " << id;
    }
}

TEST(SpriteSheet, SpanBodiesAreSolidInTheirMiddleAndSoftAtTheirEdges)
{
    for (const SpriteId id : { 5, 8, 11 }) {
        const SheetSprite body(sheet(), id);
        for (int y = 6; y < 18; ++y)
            EXPECT_EQ(alphaOf(body.at(0, y)), 255u) << "sprite " << id << " row " << y;
        EXPECT_LT(alphaOf(body.at(0, 0)), 255u) << "sprite " << id;
        EXPECT_LT(alphaOf(body.at(0, 23)), 255u) << "sprite " << id;
    }
}

TEST(SpriteSheet, LaneEdgesHaveAnOpaqueFrame)
{
    for (const SpriteId id : { 16, 17 }) {
        const SheetSprite edge(sheet(), id);
        int opaqueRows = 0;
        for (int y = 0; y < edge.height(); ++y)
            opaqueRows += alphaOf(edge.at(0, y)) == 255 ? 1 : 0;
        EXPECT_GE(opaqueRows, 2) << "sprite " << id;
    }
}

TEST(SpriteSheet, SpanPiecesJoinWithoutSeams)
{
    for (const SpriteId head : { 4, 7, 10 }) {
        SCOPED_TRACE(head);
        const SheetSprite headSprite(sheet(), head);
        const SheetSprite body(sheet(), head + 1);
        const SheetSprite tail(sheet(), head + 2);
        EXPECT_EQ(headSprite.column(headSprite.width() - 1), body.column(0));
        EXPECT_EQ(tail.column(0), body.column(0));
        // The caps round off away from the body.
        EXPECT_LT(alphaOf(headSprite.at(0, 5)), alphaOf(headSprite.at(11, 5)));
        EXPECT_LT(alphaOf(tail.at(11, 5)), alphaOf(tail.at(0, 5)));
        // The tail's cap ends within its first half, so that it hides little of the next note.
        EXPECT_GT(alphaOf(tail.at(5, 12)), 0u);
        for (int x = 6; x < tail.width(); ++x)
            EXPECT_TRUE(
                std::ranges::all_of(tail.column(x), [](auto pixel) { return alphaOf(pixel) == 0; }))
                << "column " << x;
    }
}

TEST(SpriteSheet, SingleNotesAreRoundWithSoftEdges)
{
    for (const SpriteId id : { 0, 1, 2, 3 }) {
        SCOPED_TRACE(id);
        const SheetSprite note(sheet(), id);
        EXPECT_EQ(alphaOf(note.at(12, 12)), 255u);
        for (const auto& [x, y] : { std::pair{ 0, 0 }, { 23, 0 }, { 0, 23 }, { 23, 23 } })
            EXPECT_EQ(alphaOf(note.at(x, y)), 0u);
        const auto pixels = note.pixels();
        const auto partial = std::ranges::count_if(
            pixels, [](std::uint32_t pixel) { return alphaOf(pixel) > 0 && alphaOf(pixel) < 255; });
        EXPECT_GE(partial, 16);
    }
}

TEST(SpriteSheet, BigNotesAreClearlyLargerThanSmallOnes)
{
    for (const auto& [small, big] : { std::pair{ 0, 1 }, { 2, 3 } }) {
        const SheetSprite smallNote(sheet(), small);
        EXPECT_GT(SheetSprite(sheet(), big).coverage(), 1.5 * smallNote.coverage());
        // A small head leaves a clear margin in its cell.
        for (int i = 0; i < 24; ++i) {
            EXPECT_EQ(alphaOf(smallNote.at(i, 2)), 0u);
            EXPECT_EQ(alphaOf(smallNote.at(2, i)), 0u);
        }
    }
}

TEST(SpriteSheet, NoteKindsDifferInColour)
{
    const auto centre = [](SpriteId id) { return rgbOf(SheetSprite(sheet(), id).at(13, 15)); };
    EXPECT_GT(distance(centre(0), centre(2)), 150);
    EXPECT_GT(distance(centre(1), centre(3)), 150);
    EXPECT_LT(distance(centre(0), centre(1)), 40);
    EXPECT_LT(distance(centre(2), centre(3)), 40);
}

TEST(SpriteSheet, NotesStandOutOnEveryLane)
{
    for (const SpriteId lane : { 18, 19, 20 }) {
        const Rgb tint = rgbOf(SheetSprite(sheet(), lane).at(0, 12));
        for (const SpriteId note : { 0, 2, 4, 7, 10 })
            EXPECT_GT(distance(rgbOf(SheetSprite(sheet(), note).at(11, 15)), tint), 100)
                << "note " << note << " on lane " << lane;
    }
}

TEST(SpriteSheet, LanesHaveTheirOwnTints)
{
    const auto tint = [](SpriteId id) { return rgbOf(SheetSprite(sheet(), id).at(0, 12)); };
    EXPECT_GT(distance(tint(18), tint(19)), 15);
    EXPECT_GT(distance(tint(18), tint(20)), 15);
    EXPECT_GT(distance(tint(19), tint(20)), 15);
}

TEST(SpriteSheet, BranchIconsMatchTheirLanes)
{
    for (SpriteId bit = 0; bit < 3; ++bit) {
        const double iconHue = hueOf(rgbOf(SheetSprite(sheet(), 52 + bit).at(3, 3)));
        double nearest = 360;
        SpriteId nearestLane = -1;
        for (SpriteId lane = 0; lane < 3; ++lane) {
            const double away =
                hueDistance(iconHue, hueOf(rgbOf(SheetSprite(sheet(), 18 + lane).at(0, 12))));
            if (away < nearest) {
                nearest = away;
                nearestLane = lane;
            }
        }
        EXPECT_EQ(nearestLane, bit);
    }
}

TEST(SpriteSheet, GogoBandLetsWhatLiesBelowShowThrough)
{
    for (const std::uint32_t pixel : SheetSprite(sheet(), 27).pixels()) {
        EXPECT_GT(alphaOf(pixel), 0u);
        EXPECT_LE(alphaOf(pixel), 200u);
    }
}

TEST(SpriteSheet, LinesCanBeToldApart)
{
    std::set<std::uint32_t> looks;
    for (SpriteId id = 21; id <= 25; ++id)
        looks.insert(SheetSprite(sheet(), id).at(0, 0));
    EXPECT_EQ(looks.size(), 5u);
}

TEST(SpriteSheet, SpanIconsDifferAndKeepALightCentre)
{
    const std::array<SpriteId, 3> icons{ 13, 14, 15 };
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const SheetSprite icon(sheet(), icons[i]);
        const Rgb centre = rgbOf(icon.at(12, 12));
        EXPECT_GT(centre.red + centre.green + centre.blue, 3 * 220.0) << icons[i];
        EXPECT_EQ(alphaOf(icon.at(12, 12)), 255u) << icons[i];
        for (std::size_t j = i + 1; j < icons.size(); ++j) {
            const auto a = icon.pixels();
            const auto b = SheetSprite(sheet(), icons[j]).pixels();
            std::size_t differing = 0;
            for (std::size_t k = 0; k < a.size(); ++k)
                differing += a[k] != b[k] ? 1 : 0;
            EXPECT_GE(differing, 100u) << icons[i] << " and " << icons[j];
        }
    }
}

TEST(SpriteSheet, DigitsOfASetAreAllDifferent)
{
    for (const SpriteId base : { 30, 40, 55 }) {
        for (int a = 0; a < 10; ++a) {
            for (int b = a + 1; b < 10; ++b)
                EXPECT_NE(SheetSprite(sheet(), base + a).pixels(),
                          SheetSprite(sheet(), base + b).pixels())
                    << "set " << base << ": " << a << " and " << b;
        }
    }
    for (const auto& [point, base] : { std::pair{ 29, 30 }, { 50, 40 } }) {
        for (int digit = 0; digit < 10; ++digit)
            EXPECT_NE(SheetSprite(sheet(), point).pixels(),
                      SheetSprite(sheet(), base + digit).pixels());
    }
}

TEST(SpriteSheet, DigitSetsAndTheirLabelsHaveTheirOwnInk)
{
    const auto ink = [](SpriteId id) { return SheetSprite(sheet(), id).meanOpaqueColour(); };
    const std::array<SpriteId, 3> eights{ 38, 48, 63 };
    for (std::size_t i = 0; i < eights.size(); ++i) {
        for (std::size_t j = i + 1; j < eights.size(); ++j)
            EXPECT_GT(distance(ink(eights[i]), ink(eights[j])), 60) << eights[i] << eights[j];
    }
    EXPECT_LT(distance(ink(28), ink(38)), 10); // tempo label
    EXPECT_LT(distance(ink(51), ink(48)), 10); // scroll-speed label
    EXPECT_LT(distance(ink(29), ink(38)), 10);
    EXPECT_LT(distance(ink(50), ink(48)), 10);
}

TEST(SpriteSheet, DigitInkKeepsClearOfTheCellsLeftColumn)
{
    // Numbers start on a bar or change line, which covers their first column.
    for (const SpriteId base : { 30, 40, 55 }) {
        for (int digit = 0; digit < 10; ++digit) {
            const SheetSprite sprite(sheet(), base + digit);
            for (int y = 0; y < sprite.height(); ++y)
                EXPECT_LT(alphaOf(sprite.at(0, y)), 255u) << base + digit;
        }
    }
}

TEST(SpriteSheet, BuiltSheetIsTheGeneratedOne)
{
    EXPECT_TRUE(readRgbaPng(BEATPLATE_BUILT_SPRITE_SHEET) == sheet());
}

TEST(SpriteSheet, ReferenceCopyIsUpToDate)
{
    EXPECT_TRUE(readRgbaPng(BEATPLATE_REFERENCE_SPRITE_SHEET) == sheet())
        << "assets/pic.png is stale: build the target update_sprite_sheet_reference";
}

} // namespace
} // namespace beatplate
