#include "base/utf8_path.h"
#include "driver/run_paths.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

TEST(RunPaths, PutsThePictureBesideTheChartWithItsExtensionReplaced)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        { "song.txt", "song.png" },
        { "charts/song.txt", "charts/song.png" },
        { "/home/user/charts/song.tja", "/home/user/charts/song.png" },
        { "./song.txt", "./song.png" },
        { "a.b/chart", "a.b/chart.png" }, // a dot in a directory name is no extension
        { "/x.y/z.w/chart", "/x.y/z.w/chart.png" },
        { "chart", "chart.png" },
        { "archive.tar.gz", "archive.tar.png" },
        { ".hidden", ".hidden.png" },
        { "dir/.hidden", "dir/.hidden.png" },
        { ".hidden.txt", ".hidden.png" },
        { "a.", "a.png" },
        { "譜面/曲.txt", "譜面/曲.png" },
        { "x.png", "x.png" },
        { "x.PNG", "x.png" },
    };
    for (const auto& [chart, expected] : cases) {
        SCOPED_TRACE(chart);
        EXPECT_EQ(outputPathFor(utf8Path(chart)).string(), expected);
    }
}

TEST(RunPaths, TellsWhenTheOutputWouldReplaceTheChart)
{
    test::TempDir dir;
    test::writeFile(dir / "x.png", "oooo\n");
    test::writeFile(dir / "song.txt", "oooo\n");
    test::writeFile(dir / "song.png", "old picture");
    std::filesystem::create_directory(dir / "sub");
    // Windows gives symbolic links to administrators only; a hard link names the file too.
    std::error_code noSymlinks;
    std::filesystem::create_symlink(dir / "song.txt", dir / "link.png", noSymlinks);
    if (noSymlinks)
        std::filesystem::create_hard_link(dir / "song.txt", dir / "link.png");
    const auto& base = dir.path();
    EXPECT_TRUE(isSameFile(base / "x.png", base / "x.png"));
    EXPECT_TRUE(isSameFile(base / "sub" / ".." / "x.png", base / "x.png"));
    EXPECT_TRUE(isSameFile(base / "x.png", base / "." / "x.png"));
    EXPECT_TRUE(isSameFile(base / "link.png", base / "link.png"));
    EXPECT_TRUE(isSameFile(base / "song.txt", base / "link.png"));
    EXPECT_FALSE(isSameFile(base / "song.txt", base / "song.png"));
    EXPECT_FALSE(isSameFile(base / "song.txt", base / "missing.png"));
}

// Of two charts that would write one path the first keeps it, whether the path is a picture or a
// part; parts are counted only where another chart's picture could take their names.
TEST(RunPaths, RefusesTheLaterOfTwoChartsThatWouldWriteOnePath)
{
    const struct {
        std::vector<std::string> charts;
        std::optional<std::string> output;
        std::vector<bool> refused;
        std::vector<std::string> counted;
    } cases[] = {
        { { "a/mid.txt", "a/mid-2.txt" }, {}, { false, true }, { "a/mid.txt", "a/mid-2.txt" } },
        { { "a/mid-2.txt", "a/mid.txt" }, {}, { false, true }, { "a/mid-2.txt", "a/mid.txt" } },
        { { "a/mid.txt", "a/mid-4.txt" }, {}, { false, false }, { "a/mid.txt", "a/mid-4.txt" } },
        { { "a/mid.txt", "b/mid-2.txt" }, {}, { false, false }, {} },
        { { "a/mid.txt", "b/mid-2.txt" }, "out/", { false, true }, { "a/mid.txt", "b/mid-2.txt" } },
        { { "a/mid.txt", "b/mid.txt" }, "out/", { false, true }, {} },
        { { "a/mid.txt", "a/mid-2.png" }, {}, { true, true }, { "a/mid.txt", "a/mid-2.png" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.charts.front() + " " + c.charts.back());
        test::TempDir dir;
        std::vector<std::string> charts;
        for (const auto& chart : c.charts) {
            std::filesystem::create_directories((dir / chart).parent_path());
            test::writeFile(dir / chart, "oooo\n");
            charts.push_back((dir / chart).string());
        }
        const auto output =
            c.output ? std::optional((dir / *c.output).string()) : std::optional<std::string>();
        std::vector<std::string> counted;
        OutputClaims claims(charts);
        const auto jobs = planChartJobs(charts, output, claims, [&](const ChartJob& job) {
            counted.push_back(std::filesystem::relative(job.name, dir.path()).generic_string());
            return job.name.ends_with("mid.txt") ? 3 : 1;
        });
        EXPECT_EQ(counted, c.counted);
        for (std::size_t i = 0; i < jobs.size(); ++i)
            EXPECT_EQ(jobs[i].refusal.has_value(), c.refused[i]) << jobs[i].name;
    }
}

} // namespace
} // namespace beatplate
