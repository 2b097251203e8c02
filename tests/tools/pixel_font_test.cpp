#include "pixel_font.h"

#include <gtest/gtest.h>

#include <string_view>

namespace beatplate {
namespace {

constexpr std::string_view kCharacters = "0123456789.BHMPS";

std::uint32_t alphaOf(std::uint32_t pixel)
{
    return pixel >> 24;
}

TEST(PixelFont, EveryGlyphRowHasTheGlyphsWidth)
{
    for (const char character : kCharacters) {
        const Glyph& glyph = glyphOf(character);
        for (const std::string_view row : glyph.rows)
            EXPECT_EQ(static_cast<int>(row.size()), glyph.width) << character;
    }
}

TEST(PixelFont, GlyphsAreAllDifferent)
{
    for (std::size_t i = 0; i < kCharacters.size(); ++i) {
        for (std::size_t j = i + 1; j < kCharacters.size(); ++j)
            EXPECT_NE(glyphOf(kCharacters[i]).rows, glyphOf(kCharacters[j]).rows)
                << kCharacters[i] << kCharacters[j];
    }
}

TEST(PixelFont, LetteringSetsInkAndKeepsItsHaloInsideTheCell)
{
    Canvas sheet(24, 10);
    const Cell cell{ 2, 2, 18, 6 };
    const Lettering style{ argb(200, 0, 0), argb(255, 255, 255, 200) };
    EXPECT_EQ(drawLettering(sheet, cell, 1, 0, "BPM", style), 15);
    // "B" starts with ink along its top row and left column; "M" ends at cell column 15.
    EXPECT_EQ(sheet.pixel(3, 2), style.ink);
    EXPECT_EQ(sheet.pixel(3, 6), style.ink);
    EXPECT_EQ(sheet.pixel(17, 2), style.ink);
    EXPECT_EQ(sheet.pixel(2, 3), style.halo) << "beside ink";
    EXPECT_EQ(alphaOf(sheet.pixel(2, 7)), 100u) << "diagonal to ink: half the halo";
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x) {
            const bool inside = x >= 2 && x < 20 && y >= 2 && y < 8;
            if (!inside) {
                EXPECT_EQ(sheet.pixel(x, y), 0u) << x << ", " << y;
            }
        }
    }
}

} // namespace
} // namespace beatplate
