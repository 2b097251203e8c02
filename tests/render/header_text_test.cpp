#include "render/header_font.h"
#include "render/score_renderer.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

ChartDocument oneMeasureChart()
{
    ChartDocument document;
    document.title = L"さくら咲く夜のうた";
    document.measures.push_back(MeasureInfo{});
    return document;
}

// A run without any usable face still draws everything else, and a renderer without a canvas
// has nothing to write on.
TEST(ScoreRenderer, LeavesTheCanvasAloneWithoutAFaceOrACanvas)
{
    const ChartDocument document = oneMeasureChart();
    ScoreRenderer withoutFace("/nonexistent/pic.png");
    withoutFace.render(document);
    const Canvas drawn = withoutFace.canvas();
    withoutFace.drawHeaderText(document);
    EXPECT_EQ(withoutFace.canvas(), drawn);

    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    ScoreRenderer withoutCanvas("/nonexistent/pic.png");
    withoutCanvas.setHeaderFont(&*font);
    withoutCanvas.drawHeaderText(document);
    EXPECT_TRUE(withoutCanvas.canvas().empty());
}

TEST(ScoreRenderer, WritesTheHeaderLastOverThePicture)
{
    const auto font = test::loadIpaGothic();
    ASSERT_TRUE(font.has_value());
    const ChartDocument document = oneMeasureChart();
    ScoreRenderer plain("/nonexistent/pic.png");
    plain.render(document);
    if (plain.canvas().empty())
        GTEST_SKIP() << "the renderer makes no canvas yet";
    ScoreRenderer withHeader("/nonexistent/pic.png");
    withHeader.setHeaderFont(&*font);
    withHeader.render(document);
    const Canvas& canvas = withHeader.canvas();
    ASSERT_EQ(canvas.height(), plain.canvas().height());
    EXPECT_GT(test::darkExtent(canvas, 8, 32).count, 300);
    EXPECT_GT(test::darkExtent(canvas, 40, 60).count, 300);
    EXPECT_EQ(test::changedPixels(plain.canvas(), canvas, 60, canvas.height()), 0);
}

} // namespace
} // namespace beatplate
