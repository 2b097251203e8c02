#include "load/header_font.h"
#include "render/text_header.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace beatplate {
namespace {

using test::darkExtent;
using test::filledCanvas;

constexpr int kWidth = 816;
constexpr std::uint32_t kScore = 0xFFF0E0D0;
constexpr int kTitleTop = 8;
constexpr int kTitleBottom = 32;
constexpr int kDifficultyTop = 40;
constexpr int kScoreTop = 60;

ChartDocument makeDocument(std::u16string title, std::u16string difficulty, std::int32_t level)
{
    ChartDocument document;
    document.title = std::move(title);
    document.difficulty = std::move(difficulty);
    document.level = level;
    return document;
}

TEST(TextHeader, BuildsTheDifficultyLineWithTenStars)
{
    const struct {
        std::u16string difficulty;
        std::int32_t level;
        std::u16string expected;
    } cases[] = {
        { u"ふつう", 5, u"ふつう ★★★★★☆☆☆☆☆" },
        { u"おに", 0, u"おに ☆☆☆☆☆☆☆☆☆☆" },
        { u"おに", 1, u"おに ★☆☆☆☆☆☆☆☆☆" },
        { u"おに", 10, u"おに ★★★★★★★★★★" },
        { u"", 7, u" ★★★★★★★☆☆☆" },
        // Outside 0 to 10 the bar keeps ten stars: empty below, full above.
        { u"かんたん", -1, u"かんたん ☆☆☆☆☆☆☆☆☆☆" },
        { u"かんたん", INT_MIN, u"かんたん ☆☆☆☆☆☆☆☆☆☆" },
        { u"むずかしい", 11, u"むずかしい ★★★★★★★★★★" },
        { u"むずかしい", INT_MAX, u"むずかしい ★★★★★★★★★★" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level);
        EXPECT_EQ(difficultyLine(c.difficulty, c.level), c.expected);
    }
}

class TextHeaderDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        font = test::loadIpaGothic();
        ASSERT_TRUE(font.has_value()) << "fonts-ipafont-gothic is not installed";
    }

    [[nodiscard]] Canvas draw(const ChartDocument& document) const
    {
        Canvas canvas = filledCanvas(kWidth, 112, kScore);
        drawHeaderLines(canvas, *font, document);
        return canvas;
    }

    std::optional<HeaderFont> font;
    const Canvas blank = filledCanvas(kWidth, 112, kScore);
};

TEST_F(TextHeaderDrawing, DarkensBothLinesAndLeavesTheScoreAlone)
{
    const Canvas canvas = draw(makeDocument(u"さくら咲く夜のうた", u"おに", 7));
    EXPECT_EQ(test::changedPixels(blank, canvas, 0, kTitleTop), 0);
    EXPECT_EQ(test::changedPixels(blank, canvas, kTitleBottom, kDifficultyTop), 0);
    EXPECT_EQ(test::changedPixels(blank, canvas, kScoreTop, canvas.height()), 0);
    const auto title = darkExtent(canvas, kTitleTop, kTitleBottom);
    const auto difficulty = darkExtent(canvas, kDifficultyTop, kScoreTop);
    EXPECT_GT(title.count, 300);
    EXPECT_GT(difficulty.count, 300);
    // Nine full-width characters of 23 pixels, after the origin and the leading padding.
    EXPECT_GE(title.left, kHeaderOriginX);
    EXPECT_LT(title.left, kHeaderOriginX + 8);
    EXPECT_GT(title.right, kHeaderOriginX + 8 * 23);
    EXPECT_LT(title.right, kHeaderOriginX + 10 * 23);
}

TEST_F(TextHeaderDrawing, LeavesLineOneEmptyForAnEmptyTitle)
{
    const Canvas canvas = draw(makeDocument(u"", u"ふつう", 5));
    EXPECT_EQ(test::changedPixels(blank, canvas, 0, kDifficultyTop), 0);
    EXPECT_GT(darkExtent(canvas, kDifficultyTop, kScoreTop).count, 300);
    EXPECT_EQ(test::changedPixels(blank, canvas, kScoreTop, canvas.height()), 0);
}

TEST_F(TextHeaderDrawing, CutsALongTitleAtTheRightEdge)
{
    const Canvas canvas = draw(makeDocument(std::u16string(500, u'漢'), u"おに", 3));
    EXPECT_GE(darkExtent(canvas, kTitleTop, kTitleBottom).right, kWidth - 4);
    int darkNearEdge = 0;
    for (int y = kTitleTop; y < kTitleBottom; ++y) {
        for (int x = kWidth - 12; x < kWidth; ++x)
            darkNearEdge += test::isDark(canvas.pixel(x, y)) ? 1 : 0;
    }
    EXPECT_GT(darkNearEdge, 10);
    EXPECT_EQ(test::changedPixels(blank, canvas, kTitleBottom, kDifficultyTop), 0);
    EXPECT_EQ(test::changedPixels(blank, canvas, kScoreTop, canvas.height()), 0);
}

TEST_F(TextHeaderDrawing, KeepsTheRatingBarOneWidthForEveryLevel)
{
    const auto reference =
        darkExtent(draw(makeDocument(u"", u"おに", 0)), kDifficultyTop, kScoreTop);
    int previousCount = 0;
    for (int level = 0; level <= 10; ++level) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        const auto extent =
            darkExtent(draw(makeDocument(u"", u"おに", level)), kDifficultyTop, kScoreTop);
        EXPECT_EQ(extent.left, reference.left);
        EXPECT_EQ(extent.right, reference.right);
        // Each filled star darkens more than the outline it replaces.
        EXPECT_GT(extent.count, previousCount);
        previousCount = extent.count;
    }
    EXPECT_EQ(draw(makeDocument(u"", u"おに", -4)), draw(makeDocument(u"", u"おに", 0)));
    EXPECT_EQ(draw(makeDocument(u"", u"おに", 25)), draw(makeDocument(u"", u"おに", 10)));
}

// A part of a picture cut in parts says which after the stars, on the same line, and leaves the
// title and the stars as they were.
TEST_F(TextHeaderDrawing, WritesThePartAfterTheStars)
{
    const ChartDocument document = makeDocument(u"さくら", u"おに", 7);
    Canvas whole = filledCanvas(kWidth, 112, kScore);
    drawHeaderLines(whole, layOutHeaderLines(*font, document, kWidth));
    Canvas part = filledCanvas(kWidth, 112, kScore);
    drawHeaderLines(part, layOutHeaderLines(*font, document, kWidth, u"2/3"));
    const auto stars = darkExtent(whole, kDifficultyTop, kScoreTop);
    const auto labelled = darkExtent(part, kDifficultyTop, kScoreTop);
    EXPECT_EQ(labelled.left, stars.left);
    EXPECT_GT(labelled.right, stars.right + 20);
    EXPECT_EQ(test::changedPixels(whole, part, 0, kDifficultyTop), 0);
    EXPECT_GT(test::changedPixels(whole, part, kDifficultyTop, kScoreTop), 20);
    EXPECT_EQ(test::changedPixels(whole, part, kScoreTop, part.height()), 0);
}

// At the 18-pixel cell a full-width character advances 17 pixels plus bold's one, a space 10.
TEST_F(TextHeaderDrawing, KeepsTheSpaceBeforeTheStarsWithoutADifficulty)
{
    const auto bare = darkExtent(draw(makeDocument(u"", u"", 5)), kDifficultyTop, kScoreTop);
    const auto named = darkExtent(draw(makeDocument(u"", u"ふつう", 5)), kDifficultyTop, kScoreTop);
    EXPECT_GT(bare.count, 200);
    EXPECT_EQ(named.right - bare.right, 3 * 18);
    EXPECT_GE(bare.left, kHeaderOriginX + 10);
}

} // namespace
} // namespace beatplate
