#include "image/banded_picture.h"
#include "load/header_font.h"
#include "load/sprite_sheet.h"
#include "render/pass_test_support.h"
#include "render/sample_charts.h"
#include "render/score_renderer.h"
#include "support/random_chart.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

// The band heights tried: single rows, an odd height that cuts every row somewhere, and the
// heights the program uses.
constexpr int kBandHeights[] = { 1, 7, 64, 256 };

// The first row where the two pictures differ, or -1.
int firstDifferentRow(const Canvas& a, const Canvas& b)
{
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        if (!std::ranges::equal(a.row(y), b.row(y)))
            return y;
    }
    return a.height() == b.height() ? -1 : std::min(a.height(), b.height());
}

void expectBandsDrawTheWholePicture(const ChartDocument& document, const Canvas& sheet,
                                    const HeaderFont* font)
{
    const ScoreRenderer renderer(sheet, font);
    const Canvas whole = renderer.render(document);
    for (const int rows : kBandHeights) {
        SCOPED_TRACE("bands of " + std::to_string(rows) + " rows");
        const Canvas banded = wholeCanvas(bandsOf(renderer.bands(document, rows)));
        ASSERT_EQ(firstDifferentRow(banded, whole), -1);
    }
}

TEST(BandedScore, DrawsEveryChartWeKeepAsTheWholePicture)
{
    const auto realSheet = loadSpriteSheet(std::filesystem::path(BEATPLATE_BUILT_SPRITE_SHEET));
    ASSERT_TRUE(realSheet);
    const auto font = HeaderFont::find();
    for (const auto& chart : sampleCharts()) {
        SCOPED_TRACE(chart.string());
        const auto document = parsed(readFile(chart));
        if (!document)
            continue; // charts kept for their errors
        expectBandsDrawTheWholePicture(*document, testSheet(), nullptr);
        expectBandsDrawTheWholePicture(*document, *realSheet, font ? &*font : nullptr);
    }
}

// BEATPLATE_BAND_SEED=N replays the chart of one seed.
TEST(BandedScore, DrawsSeededRandomChartsAsTheWholePicture)
{
    std::uint32_t first = 1;
    std::uint32_t count = 300;
    if (const char* seed = std::getenv("BEATPLATE_BAND_SEED")) {
        first = static_cast<std::uint32_t>(std::stoul(seed));
        count = 1;
    }
    int drawn = 0;
    for (std::uint32_t seed = first; seed < first + count; ++seed) {
        SCOPED_TRACE("BEATPLATE_BAND_SEED=" + std::to_string(seed));
        const auto document = parsed(randomChart(seed));
        if (!document)
            continue;
        ++drawn;
        expectBandsDrawTheWholePicture(*document, testSheet(), nullptr);
        if (HasFatalFailure())
            return;
    }
    // The generator makes charts that parse; a run of refusals would test nothing.
    EXPECT_GE(drawn, static_cast<int>(count) * 9 / 10);
}

} // namespace
} // namespace beatplate::test
