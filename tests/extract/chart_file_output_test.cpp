#include "extract/chart_file_output.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

TEST(ChartFileOutput, NamesTheChartAfterThePicture)
{
    const struct {
        const char* picture;
        int attempt;
        const char* chart;
    } cases[] = {
        { "song.png", 0, "song.txt" },
        { "song.png", 1, "song.1.txt" },
        { "song.png", 12, "song.12.txt" },
        { "dir.png/Song.PNG", 0, "dir.png/Song.txt" },
        { "/a.b/song", 0, "/a.b/song.txt" },
        { "/a.b/song", 2, "/a.b/song.2.txt" },
        { "song.png.bak", 0, "song.png.bak.txt" },
        { "song.txt", 0, "song.txt.txt" },
        { "x.apng", 0, "x.apng.txt" },
    };
    for (const auto& [picture, attempt, chart] : cases)
        EXPECT_EQ(chartPathFor(picture, attempt), chart) << picture << " " << attempt;
}

} // namespace
} // namespace beatplate
