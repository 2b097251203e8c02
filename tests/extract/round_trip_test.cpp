#include "base/chart_limits.h"
#include "support/png_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

namespace fs = std::filesystem;

const fs::path kBeatplate = BEATPLATE_BINARY_PATH;
const fs::path kChartTool = BEATPLATE_CHART_BINARY_PATH;

std::vector<fs::path> chartsToRender()
{
    std::vector<fs::path> charts;
    for (const fs::path& root :
         { fs::path(BEATPLATE_SOURCE_DIR) / "examples", fs::path(BEATPLATE_TEST_DATA_DIR) }) {
        if (!fs::is_directory(root))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && entry.path().extension() == ".txt")
                charts.push_back(entry.path());
        }
    }
    return charts;
}

bool startsWithByteOrderMark(std::string_view file)
{
    return file.starts_with("\xef\xbb\xbf") || file.starts_with("\xff\xfe")
        || file.starts_with("\xfe\xff");
}

std::string chartChunkOf(const fs::path& picture)
{
    std::string data;
    for (const auto& chunk : test::pngChunks(test::readFile(picture))) {
        if (chunk.type == kChartChunkName)
            data = chunk.data;
    }
    return data;
}

// chart -> picture -> chart -> picture gives the same picture: the chart travels with it whole.
TEST(RoundTrip, PictureOfTheRecoveredChartEqualsTheFirst)
{
    const auto charts = chartsToRender();
    ASSERT_FALSE(charts.empty());
    for (const auto& chart : charts) {
        SCOPED_TRACE(chart.string());
        const test::TempDir dir;
        fs::copy_file(chart, dir / "chart.txt");
        const auto first = test::runProgram(kBeatplate, { "chart.txt" }, dir.path());
        if (first.status == 2 && chart.string().find("/examples/") == std::string::npos)
            continue; // a test chart with a chart error draws no picture
        ASSERT_EQ(first.status, 0) << first.errors;
        ASSERT_TRUE(fs::exists(dir / "chart.png")) << "beatplate wrote no picture";

        const auto back = test::runProgram(kChartTool, { "chart.png" }, dir.path());
        ASSERT_EQ(back.status, 0) << back.errors;
        // A chart that code page 932 cannot hold comes back in UTF-8, with a word about it.
        const bool inUtf8 = startsWithByteOrderMark(test::readFile(dir / "chart.1.txt"));
        EXPECT_EQ(back.errors.find("行目にShift_JISで書けない文字があるので、UTF-8で書き出します。 "
                                   "(chart.png)\n")
                      != std::string::npos,
                  inUtf8)
            << back.errors;
        ASSERT_TRUE(back.errors.ends_with("譜面を書き出しました：chart.1.txt (chart.png)\n"))
            << back.errors;
        const auto second = test::runProgram(kBeatplate, { "chart.1.txt" }, dir.path());
        ASSERT_EQ(second.status, 0) << second.errors;

        EXPECT_FALSE(chartChunkOf(dir / "chart.png").empty());
        EXPECT_EQ(chartChunkOf(dir / "chart.1.png"), chartChunkOf(dir / "chart.png"));
        // The writer is deterministic, so the same pixels and chunk make the same file.
        EXPECT_TRUE(test::readFile(dir / "chart.1.png") == test::readFile(dir / "chart.png"))
            << "the two pictures differ";
    }
}

TEST(RoundTrip, TheLongestChartComesBackWhole)
{
    // 4,096 lines of 1,024 characters with their line ends: exactly as long as a chart may be.
    std::string chart;
    for (int i = 0; i < 4096; ++i)
        chart += ";" + std::string(1022, 'x') + "\n";
    const test::TempDir dir;
    test::writeFile(dir / "chart.txt", chart);
    const auto drawn = test::runProgram(kBeatplate, { "chart.txt" }, dir.path());
    ASSERT_EQ(drawn.status, 0) << drawn.output;
    const auto back = test::runProgram(kChartTool, { "chart.png" }, dir.path());
    ASSERT_EQ(back.status, 0) << back.output;
    EXPECT_TRUE(test::readFile(dir / "chart.1.txt") == chart) << "the chart came back changed";
}

} // namespace
} // namespace beatplate
