#include "base/chart_limits.h"
#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace beatplate::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kUsageLines =
    "かんたんなつかいかた：譜面ファイルをbeatplateにドラッグ＆ドロップ！\n"
    "Usage: beatplate [OPTION]... CHART...\n"
    "Try 'beatplate --help' for more information.\n";
constexpr const char* kChartMissingLine = "ファイルが見つかりません。";
constexpr const char* kOutputFailedLine = "出力がなぜかできません。　pngファイル開いてない？";
constexpr const char* kSameFileLine = "譜面ファイルと出力先が同じです。　拡張子を変えてください。";

// A message line as the program prints it about a chart.
std::string aboutChart(std::string_view message, std::string_view chart)
{
    return std::string(message) + " (" + std::string(chart) + ")\n";
}

// One 4/4 measure of four notes; lies in one unbranched row.
constexpr const char* kOneMeasureChart = "oooo\n";
constexpr const char* kFiveMeasureChart = "oooo\noooo\noooo\noooo\noooo\n";

// Reads a picture the program wrote and checks it with pngcheck as well.
DecodedPng readPicture(const std::filesystem::path& path)
{
    const auto check = runPngcheck(path);
    EXPECT_EQ(check.status, 0) << check.output;
    return readPng(path);
}

std::string spriteName(std::uint32_t colour)
{
    const auto id = spriteAt(colour);
    return id ? "sprite " + std::to_string(*id) : "no sprite";
}

TEST(Beatplate, PrintsTheUsageLineWithoutAnArgument)
{
    const ProgramSandbox sandbox;
    const auto result = sandbox.run({});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors, kUsageLines);
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "pic.png" }));
}

TEST(Beatplate, LoadsNeitherTlsNorAnHttpLibraryToDraw)
{
    // The server speaks plain HTTP on the loopback address: a render pays nothing for it.
    const auto libraries = runProgram("/usr/bin/ldd", { BEATPLATE_BINARY_PATH }, ".");
    ASSERT_EQ(libraries.status, 0) << libraries.errors;
    for (const char* library : { "libssl", "libcrypto", "libcpp-httplib" })
        EXPECT_EQ(libraries.output.find(library), std::string::npos) << libraries.output;
}

TEST(Beatplate, ReportsAChartThatCannotBeOpened)
{
    const ProgramSandbox sandbox;
    std::filesystem::create_directory(sandbox / "folder.txt");
    for (const auto& chart :
         std::vector<std::string>{ "missing.txt", "folder.txt", "", "missing/chart.txt" }) {
        SCOPED_TRACE(chart);
        const auto result = sandbox.run({ chart });
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.errors, aboutChart(kChartMissingLine, chart));
    }
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "folder.txt", "pic.png" }));
    EXPECT_TRUE(listDirectory(sandbox / "folder.txt").empty());
}

TEST(Beatplate, ReportsAChartErrorWithItsLineAndColumnAndWritesNothing)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        { ";one\n\n#nonsense\noooo\n",
          "読み込み時にエラーが発生しました: 3行 (chart.txt)\nunknown command. (column 2: "
          "#nonsense)\n" },
        // An undecodable byte in the middle no longer ends the chart there unnoticed.
        { "#title A\no o x o\n\x82\xA0\xFFo\n(((\n",
          "読み込み時にエラーが発生しました: 3行 (chart.txt)\n"
          "encoding error. (column 2: 0xFF cannot be read as code page 932)\n" },
        { "#bpm -120\noooo\n",
          "読み込み時にエラーが発生しました: 1行 (chart.txt)\nbpm must be positive. (column 6)\n" },
    };
    const ProgramSandbox sandbox;
    for (const auto& [chart, report] : cases) {
        SCOPED_TRACE(report);
        const auto result = sandbox.runChart("chart.txt", chart);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(result.errors, report);
        EXPECT_EQ(listDirectory(sandbox.directory()),
                  (std::vector<std::string>{ "beatplate", "chart.txt", "pic.png" }));
    }
}

TEST(Beatplate, RefusesAChartThatWouldBecomeItsOwnPicture)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("x.png", kOneMeasureChart);
    for (const auto& chart :
         std::vector<std::string>{ "x.png", "./x.png", (sandbox / "x.png").string() }) {
        SCOPED_TRACE(chart);
        const auto result = sandbox.run({ chart });
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.errors, aboutChart(kSameFileLine, chart));
    }
    EXPECT_EQ(readFile(sandbox / "x.png"), kOneMeasureChart);
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "pic.png", "x.png" }));
}

TEST(Beatplate, NeverWaitsForAKeyAfterAMessage)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("x.png", kOneMeasureChart);
    sandbox.writeChart("bad.txt", "oooo\n;\n\n  ;\n");
    struct Case {
        std::vector<std::string> arguments;
        std::string errors;
        int status;
    };
    const std::vector<Case> cases{
        { {}, kUsageLines, 0 },
        { { "missing.txt" }, aboutChart(kChartMissingLine, "missing.txt"), 1 },
        { { "bad.txt" },
          "読み込み時にエラーが発生しました: 4行 (bad.txt)\nparse error. (column 3: ';')\n",
          2 },
        { { "x.png" }, aboutChart(kSameFileLine, "x.png"), 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errors);
        ChildProcess child(sandbox.binary(), c.arguments, sandbox.directory(), StandardInput::Pipe);
        // Its input stays open: a program that waited for a key would never end by itself.
        EXPECT_TRUE(child.waitForExit(kPatience));
        const auto result = child.finish();
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(result.errors, c.errors);
    }
    EXPECT_FALSE(std::filesystem::exists(sandbox / "bad.png"));
}

TEST(Beatplate, WritesAPictureBesideTheChartWithTheChartInside)
{
    const ProgramSandbox sandbox;
    const auto result = sandbox.runChart("song.txt", kOneMeasureChart);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors, "");
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "pic.png", "song.png", "song.txt" }));
    const DecodedPng png = readPicture(sandbox / "song.png");
    EXPECT_EQ(png.width, 816);
    EXPECT_EQ(png.height, 112);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.colourType, 6);
    EXPECT_EQ(png.interlace, 0);
    const auto types = png.chunkTypes();
    ASSERT_GE(types.size(), 4u);
    EXPECT_EQ(types[0], "IHDR");
    EXPECT_EQ(types[1], "bpLt");
    for (std::size_t i = 2; i + 1 < types.size(); ++i)
        EXPECT_EQ(types[i], "IDAT");
    EXPECT_EQ(types.back(), "IEND");
    // The reader keeps every line and a line feed, and one more for the empty read at the end.
    EXPECT_EQ(png.chunks[1].data, sourceChunkOf(u"oooo\n\n"));
}

TEST(Beatplate, MakesThePictureAsTallAsItsRows)
{
    struct Case {
        const char* chart;
        int height;
    };
    const std::vector<Case> cases{
        { "", 112 }, // no measure: the height of one empty row
        { kOneMeasureChart, 112 },
        { kFiveMeasureChart, 176 },
        { "oooo\noooo\noooo\noooo\n", 112 }, // exactly sixteen beats stay in one row
    };
    const ProgramSandbox sandbox;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chart);
        const auto result = sandbox.runChart("chart.txt", c.chart);
        ASSERT_EQ(result.status, 0) << result.errors;
        const DecodedPng png = readPicture(sandbox / "chart.png");
        EXPECT_EQ(png.width, 816);
        EXPECT_EQ(png.height, c.height);
    }
}

TEST(Beatplate, StoresTheChartTextAsUtf16)
{
    const ProgramSandbox sandbox;
    // An empty chart is read as one empty line.
    ASSERT_EQ(sandbox.runChart("empty.txt", "").status, 0);
    EXPECT_EQ(readPicture(sandbox / "empty.png").findChunk(kChartChunkName)->data,
              (std::vector<std::uint8_t>{ 0x0A, 0, 0, 0 }));
    // ";ふ" in code page 932: the comment is kept in the source text like every line.
    ASSERT_EQ(sandbox.runChart("kana.txt", ";\x82\xd3\r\noooo\r\n").status, 0);
    EXPECT_EQ(readPicture(sandbox / "kana.png").findChunk(kChartChunkName)->data,
              (std::vector<std::uint8_t>{ ';', 0, 0x75, 0x30, '\n', 0, 'o',  0, 'o', 0,
                                          'o', 0, 'o',  0,    '\n', 0, '\n', 0, 0,   0 }));
}

TEST(Beatplate, DrawsTheScoreWithTheSpritesOfTheSheet)
{
    const ProgramSandbox sandbox;
    ASSERT_EQ(sandbox.runChart("chart.txt", kOneMeasureChart).status, 0);
    const DecodedPng png = readPicture(sandbox / "chart.png");
    ASSERT_EQ(png.height, 112);
    // One measure at left 24, row top 48: lanes from y 84, edges, bar, beat and half-beat
    // lines, the measure number 1 at (24, 74) and four notes centred at y 96.
    struct Point {
        int x;
        int y;
        SpriteId sprite;
    };
    const std::vector<Point> points{
        { 700, 5, 26 },  { 300, 90, 26 },  { 815, 111, 26 }, // background
        { 200, 90, 18 }, // lane
        { 200, 81, 16 }, { 200, 110, 17 }, // lane edges
        { 23, 70, 21 },  { 24, 111, 21 },  { 215, 70, 21 }, // bar lines at both ends
        { 119, 90, 22 }, { 167, 90, 22 }, // beat lines
        { 143, 90, 23 }, { 191, 90, 23 }, // half-beat lines
        { 26, 76, 56 }, // digit 1
        { 24, 96, 0 },   { 60, 96, 0 },    { 71, 107, 0 }, // notes at ticks 0 and 360
    };
    for (const auto& point : points) {
        SCOPED_TRACE(std::to_string(point.x) + "," + std::to_string(point.y));
        const std::uint32_t colour = png.pixel(point.x, point.y);
        EXPECT_EQ(spriteAt(colour), point.sprite) << spriteName(colour);
    }
}

TEST(Beatplate, DrawsWithItsBuiltInSheetWhenNoneIsFound)
{
    const ProgramSandbox sandbox(SpriteSheetFile::Missing);
    sandbox.writeChart("chart.txt", kFiveMeasureChart);
    const auto builtIn = sandbox.run({ "-o", "built-in.png", "chart.txt" });
    EXPECT_EQ(builtIn.status, 0);
    EXPECT_EQ(builtIn.errors, "");
    const std::string buildSheet = std::string(BEATPLATE_BUILD_DIR) + "/pic.png";
    const auto named = sandbox.run({ "--sheet", buildSheet, "-o", "named.png", "chart.txt" });
    ASSERT_EQ(named.status, 0) << named.errors;
    const DecodedPng picture = readPicture(sandbox / "built-in.png");
    EXPECT_EQ(picture.pixels, readPng(sandbox / "named.png").pixels);
    // The background sprite covers the page, so the sheet was drawn with, not left out.
    EXPECT_NE(picture.pixel(700, 100), 0u);
}

TEST(Beatplate, FindsTheSheetBesideTheRealExecutableWhenStartedThroughALink)
{
    const ProgramSandbox sandbox;
    const TempDir elsewhere;
    std::filesystem::create_symlink(sandbox.binary(), elsewhere / "beatplate");
    writeFile(elsewhere / "chart.txt", kOneMeasureChart);
    const auto result = runProgram(elsewhere / "beatplate", { "chart.txt" }, elsewhere.path());
    ASSERT_EQ(result.status, 0) << result.errors;
    const DecodedPng png = readPicture(elsewhere / "chart.png");
    EXPECT_EQ(spriteAt(png.pixel(700, 5)), 26);
}

TEST(Beatplate, NamesThePictureAfterTheChartsOwnFileName)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        { "a.b/chart", "a.b/chart.png" },
        { "sub/.hidden", "sub/.hidden.png" },
        { "sub/dotted.", "sub/dotted.png" },
        { "曲/譜面.txt", "曲/譜面.png" },
    };
    for (const auto& [chart, picture] : cases) {
        SCOPED_TRACE(chart);
        const ProgramSandbox sandbox;
        const auto result = sandbox.runChart(chart, kOneMeasureChart);
        ASSERT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(readPicture(sandbox / picture).height, 112);
        const auto directory = (sandbox / chart).parent_path();
        EXPECT_EQ(listDirectory(directory).size(), 2u);
        EXPECT_EQ(listDirectory(sandbox.directory()).size(), 3u);
    }
}

TEST(Beatplate, ReplacesAnEarlierPicture)
{
    const ProgramSandbox sandbox;
    ASSERT_EQ(sandbox.runChart("chart.txt", kFiveMeasureChart).status, 0);
    ASSERT_EQ(sandbox.runChart("chart.txt", kOneMeasureChart).status, 0);
    const DecodedPng png = readPicture(sandbox / "chart.png");
    EXPECT_EQ(png.height, 112);
    EXPECT_EQ(png.findChunk(kChartChunkName)->data, sourceChunkOf(u"oooo\n\n"));
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "chart.png", "chart.txt", "pic.png" }));
}

// Runs the sandbox's binary as nobody when the tests run as root, whom permissions do not stop.
RunResult runUnprivileged(const ProgramSandbox& sandbox, const std::filesystem::path& chart)
{
    if (::geteuid() != 0)
        return sandbox.run({ chart.string() });
    return runProgram("/usr/bin/setpriv",
                      { "--reuid=65534", "--regid=65534", "--clear-groups",
                        sandbox.binary().string(), chart.string() },
                      sandbox.directory());
}

TEST(Beatplate, LeavesNothingBehindWhereThePictureCannotBeWritten)
{
    const ProgramSandbox sandbox;
    const auto chart = sandbox.writeChart("locked/chart.txt", kOneMeasureChart);
    using std::filesystem::perms;
    std::filesystem::permissions(sandbox / "locked",
                                 perms::owner_read | perms::owner_exec | perms::group_read
                                     | perms::group_exec | perms::others_read | perms::others_exec);
    const auto result = runUnprivileged(sandbox, chart);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.errors,
              aboutChart(kOutputFailedLine, chart.string()) + "(output "
                  + (sandbox / "locked" / "chart.png").string() + ": Permission denied)\n");
    EXPECT_EQ(listDirectory(sandbox / "locked"), std::vector<std::string>{ "chart.txt" });
}

TEST(Beatplate, KeepsAnEarlierPictureThatMayNotBeWritten)
{
    const ProgramSandbox sandbox;
    const auto chart = sandbox.writeChart("shared/chart.txt", kOneMeasureChart);
    writeFile(sandbox / "shared" / "chart.png", "earlier picture");
    using std::filesystem::perms;
    std::filesystem::permissions(sandbox / "shared", perms::all);
    std::filesystem::permissions(sandbox / "shared" / "chart.png",
                                 perms::owner_read | perms::group_read | perms::others_read);
    const auto result = runUnprivileged(sandbox, chart);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.errors,
              aboutChart(kOutputFailedLine, chart.string()) + "(output "
                  + (sandbox / "shared" / "chart.png").string() + ": Permission denied)\n");
    EXPECT_EQ(readFile(sandbox / "shared" / "chart.png"), "earlier picture");
    EXPECT_EQ(listDirectory(sandbox / "shared"),
              (std::vector<std::string>{ "chart.png", "chart.txt" }));
}

TEST(Beatplate, DoesNotWaitAfterWritingThePicture)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("chart.txt", kOneMeasureChart);
    ChildProcess child(sandbox.binary(), { "chart.txt" }, sandbox.directory(), StandardInput::Pipe);
    // Its input stays open: a program that waited for a key would never end by itself.
    EXPECT_TRUE(child.waitForExit(kPatience));
    const auto result = child.finish();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors, "");
    EXPECT_TRUE(std::filesystem::exists(sandbox / "chart.png"));
}

} // namespace
} // namespace beatplate::test
