#include "pass_test_support.h"
#include "render/compositing.h"
#include "render/sprite_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace beatplate {
namespace {

constexpr std::uint32_t kBlank = 0;

// A 4 x 3 sheet whose pixel (x, y) is opaque with red x + 1, green y + 1.
Canvas makeGradientSheet()
{
    Canvas sheet(4, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x)
            sheet.row(y)[static_cast<std::size_t>(x)] =
                0xFF000000u | static_cast<std::uint32_t>((x + 1) << 16 | (y + 1) << 8);
    }
    return sheet;
}

// A sheet and a canvas of one empty row of the page, and a painter between them.
struct Drawing {
    explicit Drawing(Canvas gradient)
        : sheet(std::move(gradient))
    {
    }

    void drawSprite(const RectF& destination, const RectF& source)
    {
        SpritePainter(sheet, { page, 0 }).drawFrom(destination, source);
    }
    [[nodiscard]] const Canvas& canvas() const { return page; }

    Canvas sheet;
    Canvas page{ 816, 112 };
};

// The sheet pixel that painted canvas pixel (x, y), as (column, row), or (-1, -1) for none.
std::pair<int, int> painter(const Drawing& renderer, int x, int y)
{
    const std::uint32_t pixel = renderer.canvas().pixel(x, y);
    if (pixel == kBlank)
        return { -1, -1 };
    return { static_cast<int>((pixel >> 16) & 0xFF) - 1,
             static_cast<int>((pixel >> 8) & 0xFF) - 1 };
}

TEST(SpritePainter, CopiesPixelForPixelAtItsOwnSize)
{
    auto renderer = Drawing(makeGradientSheet());
    renderer.drawSprite({ 10, 20, 3, 2 }, { 1, 1, 3, 2 });
    EXPECT_EQ(test::paintedPixels(renderer.canvas()), 6);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(painter(renderer, 10 + x, 20 + y), std::make_pair(1 + x, 1 + y));
    }
}

TEST(SpritePainter, StretchRepeatsPixelsWithoutBlending)
{
    auto renderer = Drawing(makeGradientSheet());
    renderer.drawSprite({ 0, 0, 8, 9 }, { 0, 0, 4, 3 });
    EXPECT_EQ(test::paintedPixels(renderer.canvas()), 72);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(painter(renderer, x, y), std::make_pair(x / 2, y / 3));
    }
}

TEST(SpritePainter, ShrinkSamplesAtMappedPixelCentres)
{
    auto renderer = Drawing(makeGradientSheet());
    // Four source columns into two: centres 0.5 and 1.5 map to u = 1 and 3.
    renderer.drawSprite({ 0, 0, 2, 1 }, { 0, 0, 4, 1 });
    EXPECT_EQ(painter(renderer, 0, 0), std::make_pair(1, 0));
    EXPECT_EQ(painter(renderer, 1, 0), std::make_pair(3, 0));
}

TEST(SpritePainter, CentresMappedOntoAPixelBoundaryTakeThePixelAfterIt)
{
    // A 24-pixel row stretched to 147: centre 73.5 maps to exactly 12, centre 24.5 of a
    // 12-pixel row stretched to 147 to exactly 2.
    Canvas sheet(24, 2);
    for (int x = 0; x < 24; ++x) {
        sheet.row(0)[static_cast<std::size_t>(x)] =
            0xFF000000u | static_cast<std::uint32_t>(x + 1) << 16 | 1u << 8;
        sheet.row(1)[static_cast<std::size_t>(x)] =
            0xFF000000u | static_cast<std::uint32_t>(x + 1) << 16 | 2u << 8;
    }
    auto renderer = Drawing(sheet);
    renderer.drawSprite({ 0, 0, 147, 1 }, { 0, 0, 24, 1 });
    renderer.drawSprite({ 0, 1, 147, 1 }, { 0, 1, 12, 1 });
    EXPECT_EQ(painter(renderer, 73, 0), std::make_pair(12, 0));
    EXPECT_EQ(painter(renderer, 72, 0), std::make_pair(11, 0));
    EXPECT_EQ(painter(renderer, 24, 1), std::make_pair(2, 1));
    EXPECT_EQ(painter(renderer, 23, 1), std::make_pair(1, 1));
}

TEST(SpritePainter, PaintsPixelsWhoseCentresLieInside)
{
    struct Case {
        float x;
        float width;
        std::vector<int> painted;
    };
    const Case cases[] = {
        { 0.4f, 1.0f, { 0 } }, { 0.5f, 1.0f, { 0 } }, // the left edge is inside
        { 0.6f, 1.0f, { 1 } }, { 0.6f, 0.8f, {} }, // covers no centre at all
        { 2.0f, 0.5f, {} }, // the right edge at a centre is outside
        { 2.0f, 0.6f, { 2 } }, { 1.5f, 2.0f, { 1, 2 } },
        { -0.5f, 1.0f, {} },   { -0.4f, 1.0f, { 0 } },
    };
    for (const auto& [x, width, painted] : cases) {
        SCOPED_TRACE(testing::Message() << "x " << x << " width " << width);
        auto renderer = Drawing(makeGradientSheet());
        renderer.drawSprite({ x, 5, width, 1 }, { 0, 0, 1, 1 });
        std::vector<int> columns;
        for (int column = 0; column < 5; ++column) {
            if (renderer.canvas().pixel(column, 5) != kBlank)
                columns.push_back(column);
        }
        EXPECT_EQ(columns, painted);
        EXPECT_EQ(test::paintedPixels(renderer.canvas()), static_cast<int>(painted.size()));
    }
}

TEST(SpritePainter, ClipsAtEveryCanvasEdge)
{
    struct Case {
        RectF destination;
        int painted;
        std::pair<int, int> cornerPainter; // of the canvas corner nearest the sprite
        int cornerX;
        int cornerY;
    };
    const Case cases[] = {
        { { -2, -1, 4, 3 }, 4, { 2, 1 }, 0, 0 },     { { 814, 110, 4, 3 }, 4, { 0, 0 }, 814, 110 },
        { { 813, -2, 4, 3 }, 3, { 2, 2 }, 815, 0 },  { { -3, 111, 4, 3 }, 1, { 3, 0 }, 0, 111 },
        { { 816, 0, 4, 3 }, 0, { -1, -1 }, 815, 0 }, { { 0, 112, 4, 3 }, 0, { -1, -1 }, 0, 111 },
        { { -4, 0, 4, 3 }, 0, { -1, -1 }, 0, 0 },
    };
    for (const auto& [destination, painted, cornerPainter, cornerX, cornerY] : cases) {
        SCOPED_TRACE(testing::Message() << destination.x << "," << destination.y);
        auto renderer = Drawing(makeGradientSheet());
        renderer.drawSprite(destination, { 0, 0, 4, 3 });
        EXPECT_EQ(test::paintedPixels(renderer.canvas()), painted);
        EXPECT_EQ(painter(renderer, cornerX, cornerY), cornerPainter);
    }
}

TEST(SpritePainter, HugeDestinationFillsOnlyTheCanvas)
{
    auto renderer = Drawing(makeGradientSheet());
    renderer.drawSprite({ -1e9f, -1e9f, 3e9f, 3e9f }, { 1, 2, 1, 1 });
    EXPECT_EQ(test::paintedPixels(renderer.canvas()), 816 * 112);
    EXPECT_EQ(painter(renderer, 815, 111), std::make_pair(1, 2));
}

TEST(SpritePainter, DrawsNothingWithoutASheetOrArea)
{
    auto noSheet = Drawing(Canvas());
    noSheet.drawSprite({ 0, 0, 10, 10 }, { 0, 0, 4, 3 });
    EXPECT_EQ(test::paintedPixels(noSheet.canvas()), 0);

    auto renderer = Drawing(makeGradientSheet());
    for (const RectF destination :
         { RectF{ 0, 0, 0, 5 }, RectF{ 0, 0, 5, -1 }, RectF{ 5, 5, -3, 2 } })
        renderer.drawSprite(destination, { 0, 0, 4, 3 });
    renderer.drawSprite({ 0, 0, 5, 5 }, { 0, 0, 0, 3 });
    EXPECT_EQ(test::paintedPixels(renderer.canvas()), 0);

    Canvas noCanvas;
    const Canvas sheet = makeGradientSheet();
    SpritePainter(sheet, { noCanvas, 0 }).drawFrom({ 0, 0, 10, 10 }, { 0, 0, 4, 3 }); // no crash
}

TEST(SpritePainter, SourceOutsideTheSheetIsTransparent)
{
    auto renderer = Drawing(makeGradientSheet());
    renderer.drawSprite({ 0, 0, 6, 1 }, { 2, 0, 6, 1 });
    EXPECT_EQ(painter(renderer, 0, 0), std::make_pair(2, 0));
    EXPECT_EQ(painter(renderer, 1, 0), std::make_pair(3, 0));
    EXPECT_EQ(test::paintedPixels(renderer.canvas()), 2);
}

// A canvas holding only some rows of the picture gets exactly those rows of it.
TEST(SpritePainter, DrawsInPictureRowsOntoATargetThatStartsLower)
{
    const Canvas sheet = makeGradientSheet();
    Canvas whole(816, 112);
    Canvas band(816, 40);
    const RectF destination{ 3.5f, 30.25f, 7, 33 };
    SpritePainter(sheet, { whole, 0 }).drawFrom(destination, { 0, 0, 4, 3 });
    SpritePainter(sheet, { band, 40 }).drawFrom(destination, { 0, 0, 4, 3 });
    EXPECT_NE(whole.pixel(5, 45), kBlank);
    for (int y = 0; y < band.height(); ++y)
        EXPECT_TRUE(std::ranges::equal(band.row(y), whole.row(40 + y))) << "row " << y;
}

TEST(SpritePainter, CompositesByTheSpriteAlpha)
{
    Canvas sheet(3, 1);
    sheet.row(0)[0] = 0xFF204060u;
    sheet.row(0)[1] = 0x80FF0000u; // half-transparent red
    sheet.row(0)[2] = 0x00FFFFFFu; // fully transparent
    auto renderer = Drawing(sheet);
    renderer.drawSprite({ 0, 0, 3, 1 }, { 0, 0, 1, 1 });
    renderer.drawSprite({ 0, 0, 3, 1 }, { 1, 0, 1, 1 });
    renderer.drawSprite({ 0, 0, 3, 1 }, { 2, 0, 1, 1 });
    // Over opaque 0x204060: red 32 + 223 * 128 / 255 = 144, green and blue scaled by 127 / 255.
    EXPECT_EQ(renderer.canvas().pixel(0, 0), 0xFF902030u);
    // Over the blank canvas the sprite's own colour and alpha remain.
    renderer.drawSprite({ 0, 1, 1, 1 }, { 1, 0, 1, 1 });
    EXPECT_EQ(renderer.canvas().pixel(0, 1), 0x80FF0000u);
    renderer.drawSprite({ 1, 1, 1, 1 }, { 2, 0, 1, 1 });
    EXPECT_EQ(renderer.canvas().pixel(1, 1), kBlank);
}

TEST(Compositing, DivideBy255RoundsEveryProductExactly)
{
    for (std::uint32_t value = 0; value <= 255u * 255u; ++value)
        ASSERT_EQ(divideBy255(value), static_cast<std::uint32_t>(std::lround(value / 255.0)))
            << value;
}

TEST(Compositing, OverOpaqueMatchesTheRoundedBlendForEveryPair)
{
    for (std::uint32_t alpha = 0; alpha < 256; ++alpha) {
        for (std::uint32_t colour = 0; colour < 256; ++colour) {
            const std::uint32_t source = alpha << 24 | colour << 16 | (255 - colour) << 8 | 7;
            const std::uint32_t result = compositeOver(0xFF10C0FFu, source);
            const auto blend = [&](std::uint32_t s, std::uint32_t d) {
                return static_cast<std::uint32_t>(
                    std::lround((s * alpha + d * (255 - alpha)) / 255.0));
            };
            ASSERT_EQ(result >> 24, 255u);
            ASSERT_EQ((result >> 16) & 0xFF, blend(colour, 0x10)) << alpha << " " << colour;
            ASSERT_EQ((result >> 8) & 0xFF, blend(255 - colour, 0xC0)) << alpha << " " << colour;
            ASSERT_EQ(result & 0xFF, blend(7, 0xFF)) << alpha << " " << colour;
        }
    }
}

TEST(Compositing, OverTranslucentKeepsStraightAlpha)
{
    for (std::uint32_t sourceAlpha = 1; sourceAlpha < 255; sourceAlpha += 7) {
        for (std::uint32_t destinationAlpha = 0; destinationAlpha < 256; destinationAlpha += 5) {
            const std::uint32_t source = sourceAlpha << 24 | 0xC8u << 16 | 0x10u;
            const std::uint32_t destination = destinationAlpha << 24 | 0x40u << 16 | 0xF0u << 8;
            const std::uint32_t result = compositeOver(destination, source);
            const double sa = sourceAlpha / 255.0;
            const double da = destinationAlpha / 255.0;
            const double alpha = sa + da * (1 - sa);
            const auto channel = [&](double s, double d) {
                return (s * sa + d * da * (1 - sa)) / alpha;
            };
            SCOPED_TRACE(testing::Message() << sourceAlpha << " over " << destinationAlpha);
            EXPECT_NEAR(result >> 24, alpha * 255, 0.5 + 1e-9);
            EXPECT_NEAR((result >> 16) & 0xFF, channel(0xC8, 0x40), 0.5 + 1e-9);
            EXPECT_NEAR((result >> 8) & 0xFF, channel(0, 0xF0), 0.5 + 1e-9);
            EXPECT_NEAR(result & 0xFF, channel(0x10, 0), 0.5 + 1e-9);
        }
    }
}

} // namespace
} // namespace beatplate
