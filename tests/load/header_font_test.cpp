#include "load/header_font.h"
#include "support/test_support.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace beatplate {
namespace {

TEST(HeaderFont, GivesNoFaceForAMissingOrBrokenFile)
{
    EXPECT_FALSE(HeaderFont::fromFile("/nonexistent/dir/font.ttf").has_value());
    const test::TempDir dir;
    test::writeFile(dir / "not-a-font.ttf", "this is plain text, not a font\n");
    EXPECT_FALSE(HeaderFont::fromFile(dir / "not-a-font.ttf").has_value());
    EXPECT_FALSE(HeaderFont::fromFile(dir.path()).has_value());
}

TEST(HeaderFont, LoadsIpaGothicAndEmboldensIt)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value()) << "fonts-ipafont-gothic is not installed";
    EXPECT_EQ(font->familyName(), "IPAGothic");
    EXPECT_EQ(font->file(), test::kIpaGothicFile);
    EXPECT_TRUE(font->emboldens()) << "IPAGothic has no bold of its own";
    for (const char32_t c : { U'★', U'☆', U'さ', U'ア', U'咲' })
        EXPECT_TRUE(font->hasChar(c)) << static_cast<unsigned>(c);
    EXPECT_FALSE(font->hasChar(U'\U0010FFFF'));
}

TEST(HeaderFont, TakesABoldFaceAsItIs)
{
    if (!std::filesystem::exists(test::kDejaVuSansBoldFile))
        GTEST_SKIP() << "DejaVu Sans Bold is not installed";
    const auto font = HeaderFont::fromFile(test::kDejaVuSansBoldFile);
    ASSERT_TRUE(font.has_value());
    EXPECT_FALSE(font->emboldens());
}

// IPAGothic: 2048 units per em, usWinAscent 1802, usWinDescent 401, so a 24-pixel cell is a
// 22.31-pixel em with its baseline 19.63 pixels down; an 18-pixel cell a 16.73-pixel em.
TEST(HeaderFont, SizesByCellHeightNotByEm)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const TextRun title = font->layoutLine(u"あ", 24, 1000);
    EXPECT_EQ(title.ascent, 20);
    EXPECT_NEAR(title.emSize, 22.31, 0.01);
    const TextRun difficulty = font->layoutLine(u"あ", 18, 1000);
    EXPECT_EQ(difficulty.ascent, 15);
    EXPECT_NEAR(difficulty.emSize, 16.73, 0.01);
    // A full-width kana is one em wide, plus the pixel synthetic bold adds.
    EXPECT_EQ(title.advance, 22 + 1);
    ASSERT_EQ(title.glyphs.size(), 1u);
    EXPECT_LE(-title.glyphs[0].top, title.ascent) << "glyph rises above the cell";
    EXPECT_LE(title.glyphs[0].height + title.glyphs[0].top, 24 - title.ascent)
        << "glyph drops below the cell";
}

TEST(HeaderFont, SkipsCharactersTheFaceLacks)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const TextRun plain = font->layoutLine(u"あい", 24, 1000);
    const TextRun withMissing = font->layoutLine(u"\U0010FFFFあ\U000E0100い\U0010FFFF", 24, 1000);
    EXPECT_EQ(withMissing.glyphs.size(), 2u);
    EXPECT_EQ(withMissing.advance, plain.advance);
    ASSERT_EQ(withMissing.glyphs.size(), plain.glyphs.size());
    for (std::size_t i = 0; i < plain.glyphs.size(); ++i) {
        EXPECT_EQ(withMissing.glyphs[i].left, plain.glyphs[i].left);
        EXPECT_EQ(withMissing.glyphs[i].coverage, plain.glyphs[i].coverage);
    }
}

TEST(HeaderFont, StopsLayingOutPastTheGivenAdvance)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const std::u16string longTitle(100000, u'あ');
    const TextRun run = font->layoutLine(longTitle, 24, 100);
    // Glyphs start every 23 pixels: those at 0, 23, ..., 92 are within 100.
    EXPECT_EQ(run.glyphs.size(), 5u);
    EXPECT_TRUE(font->layoutLine(u"あ", 0, 100).glyphs.empty());
    EXPECT_TRUE(font->layoutLine(u"あ", -5, 100).glyphs.empty());
}

} // namespace
} // namespace beatplate
