#include "load/header_font.h"
#include "render/header_text_pass.h"
#include "render/score_renderer.h"
#include "support/test_sheet.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace beatplate {
namespace {

ChartDocument oneMeasureChart()
{
    ChartDocument document;
    document.title = u"さくら咲く夜のうた";
    document.measures.push_back(MeasureInfo{});
    return document;
}

// Without a face the header is left out and the rest of the picture stands; drawn last, the
// header changes nothing below its lines.
TEST(ScoreRenderer, WritesTheHeaderLastOverThePicture)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const ChartDocument document = oneMeasureChart();
    const Canvas sheet = test::makeTestSheet();
    const Canvas plain = ScoreRenderer(sheet).render(document);
    const Canvas canvas = ScoreRenderer(sheet, &*font).render(document);
    ASSERT_EQ(canvas.height(), plain.height());
    EXPECT_GT(test::darkExtent(canvas, 8, 32).count, 300);
    EXPECT_GT(test::darkExtent(canvas, 40, 60).count, 300);
    EXPECT_GT(test::changedPixels(plain, canvas, 0, 60), 600);
    EXPECT_EQ(test::changedPixels(plain, canvas, 60, canvas.height()), 0);
}

// Onto a canvas that starts lower in the picture, the lines land on the same picture rows.
TEST(ScoreRenderer, HeaderTextKeepsToThePictureRowsOfItsTarget)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const ChartDocument document = oneMeasureChart();
    Canvas whole(kPageWidth, 112);
    Canvas band(kPageWidth, 20);
    drawHeaderText(document, *font, { whole, 0 });
    drawHeaderText(document, *font, { band, 20 });
    EXPECT_GT(test::darkExtent(band, 0, 20).count, 0);
    for (int y = 0; y < band.height(); ++y)
        EXPECT_TRUE(std::ranges::equal(band.row(y), whole.row(20 + y))) << "row " << y;
}

} // namespace
} // namespace beatplate
