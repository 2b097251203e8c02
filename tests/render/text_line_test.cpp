#include "load/header_font.h"
#include "render/text_line.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <string>

namespace beatplate {
namespace {

using test::filledCanvas;

constexpr std::uint32_t kPaper = 0xFFF0E0D0;

// The part of a larger canvas that a smaller one at (x0, y0) would show.
Canvas crop(const Canvas& canvas, int x0, int y0, int width, int height)
{
    Canvas part(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            part.row(y)[static_cast<std::size_t>(x)] = canvas.pixel(x0 + x, y0 + y);
    }
    return part;
}

TEST(TextLine, DrawsOpaqueBlackWithAntiAliasedEdges)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    Canvas canvas = filledCanvas(200, 40, 0xFFFFFFFF);
    drawTextLine(canvas, *font, u"さくら咲く", 8, 8, 24);
    int solid = 0;
    int partial = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (const std::uint32_t pixel : canvas.row(y)) {
            const std::uint32_t grey = pixel & 0xFF;
            EXPECT_EQ(pixel >> 24, 0xFFu);
            EXPECT_EQ(pixel & 0xFFFFFF, grey * 0x010101u) << "black over white stays grey";
            solid += pixel == 0xFF000000 ? 1 : 0;
            partial += grey > 0 && grey < 255 ? 1 : 0;
        }
    }
    EXPECT_GT(solid, 50);
    EXPECT_GT(partial, 50);
}

TEST(TextLine, KeepsInsideItsCellBelowAndRightOfTheOrigin)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const Canvas before = filledCanvas(300, 60, kPaper);
    Canvas canvas = before;
    drawTextLine(canvas, *font, u"夜のうた★☆gyÅ", 20, 10, 24);
    EXPECT_EQ(test::changedPixels(before, canvas, 0, 10), 0);
    EXPECT_EQ(test::changedPixels(before, canvas, 34, 60), 0);
    const auto extent = test::darkExtent(canvas, 10, 34);
    EXPECT_GT(extent.count, 100);
    // The default layout's leading padding: a sixth of the 22.3-pixel em.
    EXPECT_GE(extent.left, 20 + 3);
    EXPECT_LE(extent.left, 20 + 6);
}

// Drawing onto a small canvas must give exactly the window of the same line on a big one,
// whichever edges the window cuts.
TEST(TextLine, ClipsAtEveryCanvasEdgeLikeAWindowOntoAnUnclippedLine)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const std::u16string text = u"さくら咲く夜のうた ★★☆";
    Canvas big = filledCanvas(400, 100, kPaper);
    drawTextLine(big, *font, text, 40, 30, 24);
    struct Window {
        int x, y, width, height;
    };
    const Window windows[] = { { 0, 0, 400, 100 }, { 50, 30, 60, 20 }, { 45, 40, 1, 1 },
                               { 60, 35, 1, 40 },  { 40, 42, 300, 1 }, { 100, 20, 300, 20 },
                               { 10, 38, 50, 60 }, { 200, 25, 7, 5 } };
    for (const auto& window : windows) {
        SCOPED_TRACE(testing::Message() << "window " << window.x << "," << window.y << " "
                                        << window.width << "x" << window.height);
        Canvas small = filledCanvas(window.width, window.height, kPaper);
        drawTextLine(small, *font, text, 40 - window.x, 30 - window.y, 24);
        EXPECT_EQ(small, crop(big, window.x, window.y, window.width, window.height));
    }
    EXPECT_GT(test::darkExtent(big, 0, 100).count, 200) << "the reference line is drawn";
}

TEST(TextLine, DrawsNothingForEmptyOrFarAwayText)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const Canvas before = filledCanvas(100, 50, kPaper);
    const struct {
        std::u16string text;
        int x, y;
    } cases[] = { { u"", 8, 8 },
                  { u"あいう", 100, 8 },
                  { u"あいう", -200, 8 },
                  { u"あいう", 8, 50 },
                  { u"あいう", 8, -24 },
                  { u"あいう", 2147483000, 8 },
                  { u"あいう", -2147483000, 8 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "origin " << c.x << "," << c.y);
        Canvas canvas = before;
        drawTextLine(canvas, *font, c.text, c.x, c.y, 24);
        EXPECT_EQ(canvas, before);
    }
    Canvas empty;
    drawTextLine(empty, *font, u"あいう", 0, 0, 24);
    EXPECT_TRUE(empty.empty());
}

} // namespace
} // namespace beatplate
