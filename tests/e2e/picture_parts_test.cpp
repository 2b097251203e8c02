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

// Which of the known contents, named, each file by these names holds: "none" where there is no
// file, "other" for anything else.
using Contents = std::map<std::string, std::string>;
Contents filesOf(const ProgramSandbox& sandbox, const std::vector<std::string>& names,
                 const std::map<std::string, std::string>& known)
{
    Contents files;
    for (const auto& name : names) {
        files[name] = fs::exists(sandbox / name) ? "other" : "none";
        const std::string bytes = files[name] == "none" ? "" : readFile(sandbox / name);
        for (const auto& [label, content] : known) {
            // Of two that match, the one named after the file.
            if (files[name] != "none" && content == bytes
                && (files[name] == "other" || label.ends_with(name)))
                files[name] = label;
        }
    }
    return files;
}

// The files by these names as they are now, each named "earlier" and its name.
std::map<std::string, std::string> earlierFiles(const ProgramSandbox& sandbox,
                                                const std::vector<std::string>& names)
{
    std::map<std::string, std::string> files;
    for (const auto& name : names) {
        if (fs::exists(sandbox / name))
            files["earlier " + name] = readFile(sandbox / name);
    }
    return files;
}

// Each name, named as earlierFiles names it.
Contents asEarlier(const ProgramSandbox& sandbox, const std::vector<std::string>& names)
{
    Contents files;
    for (const auto& name : names)
        files[name] = fs::exists(sandbox / name) ? "earlier " + name : "none";
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
    std::map<std::string, std::string> known = picturesOf(mid, "mid.txt");
    ASSERT_EQ(known.size(), 3u);
    known["the other picture"] = picturesOf(other, "mid-2.txt").at("mid-2.png");
    known["the other chart"] = other;
    const std::vector<std::string> names{ "mid-1.png", "mid-2.png", "mid-3.png" };
    const struct {
        std::vector<std::string> charts; // the second is the other chart
        Contents files;
    } cases[] = {
        // A chart named like a part is refused as its own picture, and the chart whose part it
        // would be is refused whole.
        { { "mid.txt", "mid-2.png" },
          { { "mid-1.png", "none" },
            { "mid-2.png", "the other chart" },
            { "mid-3.png", "none" } } },
        { { "mid-2.txt", "mid.txt" },
          { { "mid-1.png", "none" },
            { "mid-2.png", "the other picture" },
            { "mid-3.png", "none" } } },
        { { "mid.txt", "mid-2.txt" },
          { { "mid-1.png", "mid-1.png" },
            { "mid-2.png", "mid-2.png" },
            { "mid-3.png", "mid-3.png" } } },
    };
    for (const auto& [charts, files] : cases) {
        SCOPED_TRACE(charts.front() + " " + charts.back());
        const ProgramSandbox sandbox;
        sandbox.writeChart("mid.txt", mid);
        sandbox.writeChart(charts.back() == "mid.txt" ? charts.front() : charts.back(), other);
        std::vector<std::string> arguments{ kMaxSize };
        arguments.insert(arguments.end(), charts.begin(), charts.end());
        const RunResult run = sandbox.run(arguments);
        EXPECT_EQ(run.status, 3) << run.errors;
        EXPECT_EQ(filesOf(sandbox, names, known), files);
    }
}

TEST(BeatplatePictureParts, ReplacesTheEarlierPartsAsOneSetAndOnlyPartsOfOurs)
{
    const ProgramSandbox sandbox;
    const std::vector<std::string> names{ "mid-1.png", "mid-2.png", "mid-3.png" };
    sandbox.writeChart("mid.txt", chartOf(150));
    ASSERT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);

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
    const auto earlier = earlierFiles(sandbox, names);
    sandbox.writeChart("mid.txt", chartOf(150));
    const RunResult run = sandbox.run({ kMaxSize, "mid.txt" });
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(
        run.errors,
        "分けた画像と同じ名前のファイルがすでにあります。 (mid.txt)\n(mid-3.png is not a part "
        "that beatplate made; it is left as it is, and no part was written)\n");
    EXPECT_EQ(filesOf(sandbox, names, earlier), asEarlier(sandbox, names));
}

TEST(BeatplatePictureParts, ARunKilledMidwayLeavesTheEarlierPartsWhole)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("mid.txt", chartOf(150));
    ASSERT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);
    const std::vector<std::string> names{ "mid-1.png", "mid-2.png", "mid-3.png", "mid-4.png" };
    const auto earlier = earlierFiles(sandbox, names);
    const auto expected = asEarlier(sandbox, names);
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
    EXPECT_EQ(filesOf(sandbox, names, earlier), expected);
}

} // namespace
} // namespace beatplate::test
