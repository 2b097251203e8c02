#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace beatplate::test {
namespace {

constexpr const char* kTooLargeLine = "画像が大きすぎて作れません。 (chart.txt)\n";

std::string repeated(std::string_view text, int count)
{
    std::string result;
    result.reserve(text.size() * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

std::string chartErrorAt(int line, std::string_view message)
{
    return "読み込み時にエラーが発生しました: " + std::to_string(line) + "行 (chart.txt)\n"
        + std::string(message) + "\n";
}

struct LimitCase {
    const char* name;
    std::string chart;
    int status;
    std::string errors;
};

TEST(BeatplateLimits, RefusesAbsurdChartsWithAMessageAndWritesNothing)
{
    const std::vector<LimitCase> cases = {
        { "a line of more than 1,048,576 characters", std::string(1'048'577, 'o') + "\n", 2,
          chartErrorAt(1, "line is too long. (column 1048577)") },
        // Comment lines of 1,001 code units with their line ends: the 4,191st passes 4,194,304.
        { "a chart of more than 4,194,304 characters",
          repeated(";" + std::string(999, 'c') + "\n", 4200), 2,
          chartErrorAt(4191, "chart is too long. (column 115)") },
        { "more than 100,000 measures",
          "#meter 16 1\n#beatchar 1\n" + std::string(100'001, 'o') + "\n", 2,
          chartErrorAt(3, "too many measures. (column 1)") },
        { "a meter of a million beats", "#meter 4 1000000\no\n", 2,
          chartErrorAt(2, "measure has too many characters. (column 1)") },
        { "a meter of a hundred million beats", "#meter 4 100000000\no\n", 2,
          chartErrorAt(1, "meter is out of range. (column 10)") },
        { "257 gogo sections left open", repeated("#begingogo\n", 257) + "o\n", 2,
          chartErrorAt(257, "too many gogo sections open. (column 2)") },
        // One 64-pixel row per measure below a 48-pixel header: 15,625 rows make the picture
        // 1,000,048 pixels tall.
        { "a picture of more than 1,000,000 rows", "#meter 4 16\n" + repeated("o\n", 15'625), 3,
          kTooLargeLine },
    };
    const ProgramSandbox sandbox;
    for (const auto& [name, chart, status, errors] : cases) {
        SCOPED_TRACE(name);
        const auto result = sandbox.runChart("chart.txt", chart);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.errors, errors);
        EXPECT_EQ(listDirectory(sandbox.directory()),
                  (std::vector<std::string>{ "beatplate", "chart.txt", "pic.png" }));
    }
}

// The pixels of a picture this tall would take 3.2 GB; drawn in bands they never exist at once.
TEST(BeatplateLimits, DrawsTheTallestPictureAccepted)
{
    const ProgramSandbox sandbox;
    const auto result = sandbox.runChart("chart.txt", "#meter 4 16\n" + repeated("o\n", 15'624));
    ASSERT_EQ(result.status, 0) << result.errors;
    const auto chunks = pngChunks(readFile(sandbox / "chart.png"));
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.front().data, rgbaHeaderChunk(816, 999'984).substr(8, 13));
}

TEST(BeatplateLimits, DrawsAChartJustInsideTheLimits)
{
    // 256 open gogo sections and a long row of tiny measures are still a picture.
    const ProgramSandbox sandbox;
    const auto result =
        sandbox.runChart("chart.txt",
                         repeated("#begingogo\n", 256) + "#meter 16 1\n#beatchar 1\n"
                             + std::string(2'000, 'o') + "\n");
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_TRUE(std::filesystem::exists(sandbox / "chart.png"));
}

} // namespace
} // namespace beatplate::test
