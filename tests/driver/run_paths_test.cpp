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

} // namespace
} // namespace beatplate
