#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMaxSize = "--max-size=816x1200";

// Within 816 × 1200, 100 of these measures make two parts and 150 three.
std::string chartOf(int measures, std::string_view measure = "oxoxOXOX(===)o o")
{
    std::string chart = "#title mid\n";
    for (int i = 0; i < measures; ++i)
        chart.append(measure).append("\n");
    return chart;
}

// What each file of the sandbox by these names holds; none for a file that is not there.
std::map<std::string, std::optional<std::string>> filesOf(const ProgramSandbox& sandbox,
                                                          const std::vector<std::string>& names)
{
    std::map<std::string, std::optional<std::string>> files;
    for (const auto& name : names)
        files[name] =
            fs::exists(sandbox / name) ? std::optional(readFile(sandbox / name)) : std::nullopt;
    return files;
}

// The pictures beatplate makes of chart alone, under the names they get beside it.
std::map<std::string, std::string> picturesOf(const std::string& chart, const std::string& name)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart(name, chart);
    EXPECT_EQ(sandbox.run({ kMaxSize, name }).status, 0);
    const std::string stem = fs::path(name).stem().string();
    std::map<std::string, std::string> pictures;
    for (const auto& file : listDirectory(sandbox.directory())) {
        if (file.starts_with(stem) && file.ends_with(".png"))
            pictures[file] = readFile(sandbox / file);
    }
    return pictures;
}

TEST(BeatplatePictureParts, NeverWritesAPartOverAChartOrAnotherChartsPicture)
{
    const std::string mid = chartOf(150);
    const std::string other = chartOf(10, "o o o o x x x x ");
    const auto parts = picturesOf(mid, "mid.txt");
    ASSERT_EQ(parts.size(), 3u);
    const std::string otherPicture = picturesOf(other, "mid-2.txt").at("mid-2.png");
    const struct {
        std::vector<std::string> charts;
        std::optional<std::string> part1, part2, part3;
    } cases[] = {
        // A chart named like a part, and its own picture, are refused whole.
        { { "mid.txt", "mid-2.png" }, std::nullopt, other, std::nullopt },
        { { "mid-2.txt", "mid.txt" }, std::nullopt, otherPicture, std::nullopt },
        { { "mid.txt", "mid-2.txt" },
          parts.at("mid-1.png"),
          parts.at("mid-2.png"),
          parts.at("mid-3.png") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.charts.back());
        const ProgramSandbox sandbox;
        sandbox.writeChart("mid.txt", mid);
        sandbox.writeChart(c.charts.back() == "mid.txt" ? c.charts.front() : c.charts.back(),
                           other);
        std::vector<std::string> arguments{ kMaxSize };
        arguments.insert(arguments.end(), c.charts.begin(), c.charts.end());
        const RunResult run = sandbox.run(arguments);
        EXPECT_EQ(run.status, 3) << run.errors;
        const std::map<std::string, std::optional<std::string>> expected{
            { "mid-1.png", c.part1 }, { "mid-2.png", c.part2 }, { "mid-3.png", c.part3 }
        };
        EXPECT_EQ(filesOf(sandbox, { "mid-1.png", "mid-2.png", "mid-3.png" }), expected);
    }
}

TEST(BeatplatePictureParts, ReplacesTheEarlierPartsAsOneSetAndOnlyPartsOfOurs)
{
    const ProgramSandbox sandbox;
    const std::vector<std::string> names{ "mid-1.png", "mid-2.png", "mid-3.png" };
    sandbox.writeChart("mid.txt", chartOf(150));
    ASSERT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);
    ASSERT_EQ(readPng(sandbox / "mid-3.png").findChunk("bpPt")->data,
              (std::vector<std::uint8_t>{ '3', '/', '3' }));

    // Two parts now: the third of the earlier set goes, but a file by its name that is not a
    // part of ours stays.
    sandbox.writeChart("mid.txt", chartOf(100));
    ASSERT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);
    EXPECT_FALSE(fs::exists(sandbox / "mid-3.png"));
    writeFile(sandbox / "mid-3.png", "a photo");
    ASSERT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);
    EXPECT_EQ(readFile(sandbox / "mid-3.png"), "a photo");

    // Nor is a part written over a part of another number, and then none is.
    fs::copy_file(sandbox / "mid-1.png", sandbox / "mid-3.png",
                  fs::copy_options::overwrite_existing);
    const auto before = filesOf(sandbox, names);
    sandbox.writeChart("mid.txt", chartOf(150));
    const RunResult run = sandbox.run({ kMaxSize, "mid.txt" });
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(
        run.errors,
        "分けた画像と同じ名前のファイルがすでにあります。 (mid.txt)\n(mid-3.png is not a part "
        "that beatplate made; it is left as it is, and no part was written)\n");
    EXPECT_EQ(filesOf(sandbox, names), before);
}

TEST(BeatplatePictureParts, ARunKilledMidwayLeavesTheEarlierPartsWhole)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("mid.txt", chartOf(150));
    ASSERT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);
    const std::vector<std::string> names{ "mid-1.png", "mid-2.png", "mid-3.png", "mid-4.png" };
    const auto before = filesOf(sandbox, names);
    // Sparse measures first, so that the first parts are written whole before a later one, of
    // notes that compress less, passes the file size limit, which kills the run with SIGXFSZ.
    std::string longer = chartOf(150, "o               ");
    unsigned seed = 1;
    for (int slot = 0; slot < 150 * 16; ++slot) {
        seed = seed * 1103515245u + 12345u;
        longer += "oxOX  "[(seed >> 16) % 6];
        longer += slot % 16 == 15 ? "\n" : "";
    }
    const auto sizes = picturesOf(longer, "mid.txt");
    ASSERT_GE(sizes.size(), 4u);
    const std::size_t limit = (sizes.at("mid-1.png").size() + sizes.rbegin()->second.size()) / 2;
    ASSERT_LT(sizes.at("mid-1.png").size(), limit);
    sandbox.writeChart("mid.txt", longer);
    const RunResult run = runProgram(
        "/usr/bin/prlimit",
        { "--fsize=" + std::to_string(limit), sandbox.binary().string(), kMaxSize, "mid.txt" },
        sandbox.directory());
    EXPECT_EQ(run.signal, SIGXFSZ);
    EXPECT_EQ(filesOf(sandbox, names), before);
}

} // namespace
} // namespace beatplate::test
