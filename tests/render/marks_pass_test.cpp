#include "chart/chart_comparison.h"
#include "image/banded_picture.h"
#include "render/compositing.h"
#include "render/marks_pass.h"
#include "render/pass_test_support.h"
#include "render/sample_charts.h"
#include "render/score_renderer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace beatplate::test {
namespace {

bool inside(const PixelArea& area, int x, int y)
{
    return x >= area.left && x < area.right && y >= area.top && y < area.bottom;
}

// Twenty measures over two rows and more, a branched stretch among them.
std::string chartOf(const std::vector<std::string>& measures)
{
    std::string text;
    for (const std::string& measure : measures)
        text += measure + '\n';
    return text;
}

std::vector<std::string> oldMeasures()
{
    std::vector<std::string> measures;
    for (int at = 0; at < 20; ++at)
        measures.push_back(std::string(static_cast<std::size_t>(at % 16), ' ') + "o  x");
    measures[9] = "#branch ooo\n" + measures[9] + "\nx\nO\n#branch oxx";
    return measures;
}

TEST(MarksPass, TintsOnlyTheMarkedMeasuresAndTheRemovedMarks)
{
    auto edited = oldMeasures();
    edited[2] = "oooo"; // changed
    edited.insert(edited.begin() + 6, "xxxx"); // added, in the middle of a row
    edited.erase(edited.begin() + 13); // removed, after the branches
    edited.erase(edited.begin() + 19, edited.end()); // removed at the end
    const auto oldChart = parsed(chartOf(oldMeasures()));
    const auto newChart = parsed(chartOf(edited));
    ASSERT_TRUE(oldChart && newChart);
    const MeasureMarks marks = compareCharts(*oldChart, *newChart).marks;
    ASSERT_EQ(marks.removedBefore[12] + marks.removedBefore[13], 1u);
    ASSERT_EQ(marks.removedBefore.back(), 1u);

    const Canvas plain = ScoreRenderer(testSheet()).render(*newChart);
    const ScoreRenderer renderer(testSheet(), nullptr, &marks);
    const Canvas marked = renderer.render(*newChart);
    ASSERT_EQ(marked.height(), plain.height());
    const ScoreLayout layout(*newChart);
    std::vector<std::pair<PixelArea, MeasureChange>> bands;
    std::vector<PixelArea> removed;
    for (std::uint32_t measure = 0; measure < marks.measures.size(); ++measure) {
        if (marks.measures[measure] != MeasureChange::Same)
            bands.emplace_back(measureMarkArea(layout, measure), marks.measures[measure]);
    }
    for (std::uint32_t before = 0; before < marks.removedBefore.size(); ++before) {
        if (marks.removedBefore[before] > 0)
            removed.push_back(removedMarkArea(layout, before, marks.removedBefore[before]));
    }
    ASSERT_EQ(bands.size(), 2u);
    ASSERT_EQ(removed.size(), 2u);
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const auto band = std::find_if(bands.begin(), bands.end(), [&](const auto& entry) {
                return inside(entry.first, x, y);
            });
            const bool inRemoved =
                std::any_of(removed.begin(), removed.end(),
                            [&](const auto& area) { return inside(area, x, y); });
            if (band == bands.end() && !inRemoved) {
                ASSERT_EQ(marked.pixel(x, y), plain.pixel(x, y)) << "at " << x << ", " << y;
                continue;
            }
            // No note lies on the band's top row: the band shows there over the plain picture.
            if (band != bands.end() && !inRemoved && y == band->first.top) {
                const std::uint32_t colour =
                    band->second == MeasureChange::Added ? kAddedMarkColour : kChangedMarkColour;
                ASSERT_EQ(marked.pixel(x, y),
                          compositeCoverage(plain.pixel(x, y), colour, kMarkBandAlpha))
                    << "at " << x << ", " << y;
            }
        }
    }
    // Every removed mark shows its red bar.
    for (const PixelArea& area : removed) {
        const int x = static_cast<int>((area.left + area.right) / 2);
        EXPECT_EQ(marked.pixel(x, static_cast<int>(area.bottom) - 1) & 0xFFFFFFu,
                  kRemovedMarkColour);
    }
    // Bands of any height draw the marks as the whole picture does.
    for (const int rows : { 1, 7, 64 }) {
        SCOPED_TRACE(rows);
        const Canvas banded = wholeCanvas(bandsOf(renderer.bands(*newChart, rows)));
        ASSERT_TRUE(
            std::equal(banded.pixels(), banded.pixels() + banded.byteSize() / 4, marked.pixels()));
    }
}

} // namespace
} // namespace beatplate::test
