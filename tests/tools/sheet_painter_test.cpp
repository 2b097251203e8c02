#include "sheet_painter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

namespace beatplate {
namespace {

std::uint32_t alphaOf(std::uint32_t pixel)
{
    return pixel >> 24;
}

TEST(SheetPainter, PaintsOnlyInsideTheCell)
{
    Canvas sheet(12, 10);
    const Cell cell{ 3, 2, 5, 4 };
    paintField(sheet, cell, circle(2, 2, 50), argb(10, 20, 30));
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x) {
            const bool inside = x >= 3 && x < 8 && y >= 2 && y < 6;
            EXPECT_EQ(sheet.pixel(x, y), inside ? argb(10, 20, 30) : 0u) << x << ", " << y;
        }
    }
}

TEST(SheetPainter, AntiAliasedDiscCoversItsArea)
{
    Canvas sheet(16, 16);
    const Cell cell{ 0, 0, 16, 16 };
    constexpr float radius = 4.7f;
    paintField(sheet, cell, circle(8, 7.5f, radius), argb(200, 0, 0));
    double covered = 0;
    int partial = 0;
    for (int y = 0; y < 16; ++y) {
        for (const std::uint32_t pixel : sheet.row(y)) {
            covered += alphaOf(pixel) / 255.0;
            partial += alphaOf(pixel) > 0 && alphaOf(pixel) < 255 ? 1 : 0;
        }
    }
    EXPECT_NEAR(covered, std::numbers::pi * radius * radius, 1.0);
    EXPECT_GE(partial, 12);
    EXPECT_EQ(alphaOf(sheet.pixel(7, 7)), 255u);
    EXPECT_EQ(alphaOf(sheet.pixel(0, 0)), 0u);
}

TEST(SheetPainter, PaintedAlphaScalesWithTheColoursAlpha)
{
    Canvas sheet(4, 4);
    paintField(sheet, { 0, 0, 4, 4 }, circle(2, 2, 10), argb(0, 0, 255, 100));
    EXPECT_EQ(sheet.pixel(1, 1), argb(0, 0, 255, 100));
}

TEST(SheetPainter, PolygonDistanceIsNegativeInsideWhicheverWayRound)
{
    const std::array<Vertex, 4> clockwise{ { { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 } } };
    const std::array<Vertex, 4> anticlockwise{ { { 0, 0 }, { 0, 10 }, { 10, 10 }, { 10, 0 } } };
    for (const auto& corners : { clockwise, anticlockwise }) {
        const auto field = polygon(corners);
        EXPECT_FLOAT_EQ(field(5, 5), -5);
        EXPECT_FLOAT_EQ(field(5, 1), -1);
        EXPECT_FLOAT_EQ(field(13, 5), 3);
        EXPECT_FLOAT_EQ(field(13, 14), 5);
    }
}

TEST(SheetPainter, RoundedBoxMeasuresToItsRoundedCorners)
{
    const auto field = roundedBox(0, 0, 5, 3, 2);
    EXPECT_FLOAT_EQ(field(0, 0), -3);
    EXPECT_FLOAT_EQ(field(7, 0), 2);
    EXPECT_FLOAT_EQ(field(0, -4), 1);
    // The corner arc's centre is at (3, 1); the point lies 5 from it.
    EXPECT_FLOAT_EQ(field(6, 5), 3);
}

TEST(SheetPainter, MixesEveryChannelIncludingAlpha)
{
    const std::uint32_t a = argb(0, 100, 255, 0);
    const std::uint32_t b = argb(255, 0, 55, 255);
    EXPECT_EQ(mixColour(a, b, 0), a);
    EXPECT_EQ(mixColour(a, b, 1), b);
    EXPECT_EQ(mixColour(a, b, 0.5f), argb(128, 50, 155, 128));
}

} // namespace
} // namespace beatplate
