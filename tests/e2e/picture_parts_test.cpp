#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::string>; // a file's name and its bytes, or what it is

constexpr const char* kMaxSize = "--max-size=816x1200";
const std::vector<std::string> kParts{ "mid-1.png", "mid-2.png", "mid-3.png", "mid-4.png" };
// Three files by the names of parts, each holding what it held before (see partsIn).
const Files kThreeAsTheyWere{ { "mid-1.png", "mid-1.png" },
                              { "mid-2.png", "mid-2.png" },
                              { "mid-3.png", "mid-3.png" },
                              { "mid-4.png", "none" } };

// Within 816 × 1200, 100 of these measures make two parts and 150 three.
std::string chartOf(int measures, std::string_view measure = "oxoxOXOX(===)o o")
{
    std::string chart = "#title mid\n";
    for (int i = 0; i < measures; ++i)
        chart.append(measure).append("\n");
    return chart;
}

// The files of the sandbox by these names that are there.
Files filesIn(const fs::path& directory, const std::vector<std::string>& names = kParts)
{
    Files files;
    for (const auto& name : names) {
        if (fs::exists(directory / name))
            files[name] = readFile(directory / name);
    }
    return files;
}

// What each part file holds, as the name of the known file it equals (its own name first):
// "none" where there is no file, "other" for anything else.
Files partsIn(const ProgramSandbox& sandbox, const Files& known)
{
    Files parts;
    for (const auto& [name, bytes] : filesIn(sandbox.directory())) {
        parts[name] = known.contains(name) && known.at(name) == bytes ? name : "other";
        for (const auto& [knownName, knownBytes] : known) {
            if (parts[name] == "other" && knownBytes == bytes)
                parts[name] = knownName;
        }
    }
    for (const auto& name : kParts)
        parts.try_emplace(name, "none");
    return parts;
}

// The pictures beatplate makes of chart alone, named mid.
Files picturesOf(const std::string& chart)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("mid.txt", chart);
    EXPECT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);
    return filesIn(sandbox.directory(),
                   { "mid.png", "mid-1.png", "mid-2.png", "mid-3.png", "mid-4.png", "mid-5.png",
                     "mid-6.png" });
}

TEST(BeatplatePictureParts, NeverWritesAPartOverAChartOrAnotherChartsPicture)
{
    const std::string other = chartOf(10, "o o o o x x x x ");
    Files known = picturesOf(chartOf(150));
    ASSERT_EQ(known.size(), 3u);
    known["the other chart"] = other;
    known["its picture"] = picturesOf(other).at("mid.png");
    const struct {
        std::vector<std::string> charts; // the one that is not mid.txt holds the other chart
        std::string part1, part2, part3;
    } cases[] = {
        // A chart named like a part is refused as its own picture, and mid.txt is refused whole.
        { { "mid.txt", "mid-2.png" }, "none", "the other chart", "none" },
        { { "mid-2.txt", "mid.txt" }, "none", "its picture", "none" },
        { { "mid.txt", "mid-2.txt" }, "mid-1.png", "mid-2.png", "mid-3.png" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.charts.front() + " " + c.charts.back());
        const ProgramSandbox sandbox;
        sandbox.writeChart("mid.txt", chartOf(150));
        sandbox.writeChart(c.charts[c.charts.front() == "mid.txt" ? 1 : 0], other);
        const RunResult run = sandbox.run({ kMaxSize, c.charts[0], c.charts[1] });
        EXPECT_EQ(run.status, 3) << run.errors;
        const Files parts{ { "mid-1.png", c.part1 },
                           { "mid-2.png", c.part2 },
                           { "mid-3.png", c.part3 },
                           { "mid-4.png", "none" } };
        EXPECT_EQ(partsIn(sandbox, known), parts);
    }
}

TEST(BeatplatePictureParts, ReplacesTheEarlierPartsAsOneSetAndOnlyPartsOfOurs)
{
    const ProgramSandbox sandbox;
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
    const Files earlier = filesIn(sandbox.directory());
    sandbox.writeChart("mid.txt", chartOf(150));
    const RunResult run = sandbox.run({ kMaxSize, "mid.txt" });
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(
        run.errors,
        "分けた画像と同じ名前のファイルがすでにあります。 (mid.txt)\n(mid-3.png is not a part "
        "that beatplate made; it is left as it is, and no part was written)\n");
    EXPECT_EQ(partsIn(sandbox, earlier), kThreeAsTheyWere);
}

TEST(BeatplatePictureParts, ARunKilledMidwayLeavesTheEarlierPartsWhole)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("mid.txt", chartOf(150));
    ASSERT_EQ(sandbox.run({ kMaxSize, "mid.txt" }).status, 0);
    const Files earlier = filesIn(sandbox.directory());
    // Sparse measures first, so that the first parts are written whole before a later one, of
    // notes that compress less, passes the file size limit, which kills the run with SIGXFSZ.
    std::string longer = chartOf(150, "o               ");
    unsigned seed = 1;
    for (int slot = 0; slot < 150 * 16; ++slot) {
        seed = seed * 1103515245u + 12345u;
        longer += "oxOX  "[(seed >> 16) % 6];
        longer += slot % 16 == 15 ? "\n" : "";
    }
    const Files sizes = picturesOf(longer);
    ASSERT_GE(sizes.size(), 4u);
    const std::size_t limit = (sizes.at("mid-1.png").size() + sizes.rbegin()->second.size()) / 2;
    ASSERT_LT(sizes.at("mid-1.png").size(), limit);
    sandbox.writeChart("mid.txt", longer);
    const RunResult run = runProgram(
        "/usr/bin/prlimit",
        { "--fsize=" + std::to_string(limit), sandbox.binary().string(), kMaxSize, "mid.txt" },
        sandbox.directory());
    EXPECT_EQ(run.signal, SIGXFSZ);
    EXPECT_EQ(partsIn(sandbox, earlier),
              (Files{ { "mid-1.png", "mid-1.png" },
                      { "mid-2.png", "mid-2.png" },
                      { "mid-3.png", "mid-3.png" },
                      { "mid-4.png", "none" } }));
}

} // namespace
} // namespace beatplate::test
