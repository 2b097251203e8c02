#include "base/chart_limits.h"
#include "support/png_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <set>

namespace beatplate {
namespace {

namespace fs = std::filesystem;
using test::chartChunkData;
using test::makeTestPng;

const fs::path kChartTool = BEATPLATE_CHART_BINARY_PATH;

std::set<std::string> filesIn(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// Runs a shell script in dir; $TOOL names beatplate-chart.
test::RunResult runScript(const fs::path& dir, const std::string& script)
{
    return test::runProgram("/bin/sh", { "-c", "TOOL='" + kChartTool.string() + "'; " + script },
                            dir);
}

// A message line as the tool prints it about the picture p.png.
std::string aboutPicture(const std::string& message)
{
    return message + " (p.png)\n";
}

constexpr const char* kUsageLines =
    "かんたんなつかいかた：画像ファイルをbeatplate-chartにドラッグ＆ドロップ！\n"
    "Usage: beatplate-chart [OPTION]... PICTURE\n"
    "Try 'beatplate-chart --help' for more information.\n";

std::string goodPng()
{
    return makeTestPng({ { kChartChunkName, chartChunkData(u"#title ふ\noooo\n\n") } });
}
constexpr std::string_view kGoodChart = "#title \x82\xd3\noooo\n";

std::string withChunkByteFlipped(std::string png, const std::string& type)
{
    for (const auto& chunk : test::pngChunks(png)) {
        if (chunk.type == type)
            png[chunk.offset + 8] ^= 0x01;
    }
    return png;
}

TEST(BeatplateChart, WritesTheChartBesideThePictureUnderAFreeName)
{
    const test::TempDir dir;
    fs::create_directory(dir / "sub");
    test::writeFile(dir / "sub" / "song.png", goodPng());
    const auto first = test::runProgram(kChartTool, { "sub/song.png" }, dir.path());
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.output, "");
    EXPECT_EQ(first.errors, "譜面を書き出しました：sub/song.txt (sub/song.png)\n");
    test::writeFile(dir / "sub" / "song.txt", "mine");
    fs::create_symlink("nowhere", dir / "sub" / "song.2.txt");
    for (const auto* expected : { "sub/song.1.txt", "sub/song.3.txt" }) {
        const auto run = test::runProgram(kChartTool, { "sub/song.png" }, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.errors,
                  std::string("譜面を書き出しました：") + expected + " (sub/song.png)\n");
        EXPECT_EQ(test::readFile(dir / expected), kGoodChart);
    }
    EXPECT_EQ(test::readFile(dir / "sub" / "song.txt"), "mine");
    EXPECT_EQ(fs::read_symlink(dir / "sub" / "song.2.txt"), "nowhere");
    EXPECT_EQ(filesIn(dir / "sub"),
              (std::set<std::string>{ "song.png", "song.txt", "song.1.txt", "song.2.txt",
                                      "song.3.txt" }));
}

TEST(BeatplateChart, WritesBesideAPictureWithTheLongestNameAllowed)
{
    const test::TempDir dir;
    const std::string stem(251, 's'); // stem + ".png" and stem + ".txt" are 255 bytes
    test::writeFile(dir / (stem + ".png"), goodPng());
    const auto run = test::runProgram(kChartTool, { stem + ".png" }, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(test::readFile(dir / (stem + ".txt")), kGoodChart);
}

TEST(BeatplateChart, FailsWithItsStatusAndMessageAndWritesNothing)
{
    const std::string good = goodPng();
    const struct {
        std::optional<std::string> picture; // none: no file at all
        std::vector<std::string> arguments;
        int status;
        std::string errors;
    } cases[] = {
        { good, {}, 1, kUsageLines },
        { good,
          { "p.png", "out.txt" },
          1,
          "beatplate-chart: one picture at a time; 'out.txt' is one too many\n"
          "Try 'beatplate-chart --help' for more information.\n" },
        { good,
          { "--encoding=latin1", "p.png" },
          1,
          "beatplate-chart: invalid encoding: 'latin1' (cp932 or utf-8)\n"
          "Try 'beatplate-chart --help' for more information.\n" },
        { std::nullopt, { "p.png" }, 1, aboutPicture("ファイルが見つかりません。") },
        { good, { "." }, 1, "ファイルが見つかりません。 (.)\n" },
        { good, { "-o", "p.png", "p.png" }, 3, aboutPicture("画像ファイルと出力先が同じです。") },
        { "", { "p.png" }, 1, aboutPicture("PNG画像ではありません。") },
        { "#title not a picture\n", { "p.png" }, 1, aboutPicture("PNG画像ではありません。") },
        { "Q" + good.substr(1), { "p.png" }, 1, aboutPicture("PNG画像ではありません。") },
        { good.substr(0, 20), { "p.png" }, 1, aboutPicture("画像が壊れています。") },
        { good.substr(0, 40), { "p.png" }, 1, aboutPicture("画像が壊れています。") }, // inside bpLt
        { withChunkByteFlipped(good, kChartChunkName),
          { "p.png" },
          1,
          aboutPicture("画像が壊れています。") },
        { withChunkByteFlipped(good, "IDAT"),
          { "p.png" },
          1,
          aboutPicture("画像が壊れています。") },
        { makeTestPng({ { "ruSt", "x" } }),
          { "p.png" },
          2,
          aboutPicture("この画像には譜面が入っていません。") },
        { makeTestPng({ { kChartChunkName, chartChunkData(u"o\n") },
                        { kChartChunkName, chartChunkData(u"x\n") } }),
          { "p.png" },
          2,
          aboutPicture("この画像の譜面は壊れています。") },
        { makeTestPng({ { kChartChunkName, std::string("o\0\0", 3) } }),
          { "p.png" },
          2,
          aboutPicture("この画像の譜面は壊れています。") },
        { makeTestPng({ { kChartChunkName, chartChunkData(u"o\n#title caf\xe9\n") } }),
          { "--encoding=cp932", "p.png" },
          2,
          aboutPicture("譜面の2行目にShift_JISで書けない文字があります。")
              + "--utf8 を付ければUTF-8で書き出せます。\n" },
    };
    for (const auto& [picture, arguments, status, errors] : cases) {
        SCOPED_TRACE(errors);
        const test::TempDir dir;
        if (picture)
            test::writeFile(dir / "p.png", *picture);
        const auto before = filesIn(dir.path());
        const auto run = test::runProgram(kChartTool, arguments, dir.path());
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors, errors);
        EXPECT_EQ(filesIn(dir.path()), before);
    }
}

TEST(BeatplateChart, GivesTheChartOfAPictureCutInsideItsImageData)
{
    const std::string good = goodPng();
    const std::size_t idat = test::pngChunks(good)[2].offset;
    for (const std::size_t size : { idat + 12, good.size() - 12 }) {
        SCOPED_TRACE(size);
        const test::TempDir dir;
        test::writeFile(dir / "p.png", good.substr(0, size));
        const auto run = test::runProgram(kChartTool, { "p.png" }, dir.path());
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(test::readFile(dir / "p.txt"), kGoodChart);
    }
}

TEST(BeatplateChart, ReadsAChartOfOverEightMegabytesThroughAPipe)
{
    const test::TempDir dir;
    std::u16string text;
    std::string chart;
    for (int line = 0; line < 4100; ++line) {
        text += std::u16string(999, u'o') + u"\n";
        chart += std::string(999, 'o') + "\n";
    }
    chart.pop_back(); // the line end the chart reader added
    ASSERT_GT(chartChunkData(text).size(), 8'000'000u);
    test::writeFile(dir / "p.png", makeTestPng({ { kChartChunkName, chartChunkData(text) } }));
    const auto run = runScript(dir.path(), "cat p.png | \"$TOOL\" /dev/stdin -");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_TRUE(run.output == chart) << run.output.size() << " bytes";
}

TEST(BeatplateChart, RefusesAnImpossibleChunkLengthBeforeReadingFurther)
{
    const test::TempDir dir;
    test::ChildProcess child(kChartTool, { "/dev/stdin", "-" }, dir.path(),
                             test::StandardInput::Pipe);
    // The chunk's length and type, and nothing after them while the pipe stays open.
    child.writeInput(test::pngFile({ test::rgbaHeaderChunk(1, 1) })
                     + test::pngChunk(kChartChunkName, "", 0x7FFFFFF0).substr(0, 8));
    EXPECT_TRUE(child.waitForExit(test::kPatience));
    const auto run = child.finish();
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.errors, "この画像の譜面は壊れています。 (/dev/stdin)\n");
}

TEST(BeatplateChart, WritesToStandardOutputWithDash)
{
    const test::TempDir dir;
    test::writeFile(dir / "p.png", goodPng());
    const auto run = test::runProgram(kChartTool, { "p.png", "-" }, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, kGoodChart);
    EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{ "p.png" });

    // Messages go to standard error there, so that they never pass for the chart.
    const auto missing = runScript(dir.path(), "\"$TOOL\" q.png - 2>&1 >/dev/null");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "ファイルが見つかりません。 (q.png)\n");
    const auto full = runScript(dir.path(), "\"$TOOL\" p.png - 2>&1 >/dev/full");
    EXPECT_EQ(full.status, 3);
    EXPECT_EQ(full.output,
              aboutPicture("出力がなぜかできません。")
                  + "(standard output: No space left on device)\n");
}

TEST(BeatplateChart, LeavesNothingBehindWhenTheChartCannotBeWritten)
{
    const test::TempDir dir;
    test::writeFile(dir / "p.png", goodPng());
    // Ignoring the file-size signal makes every write beyond the limit fail with EFBIG.
    const auto tooBig = runScript(dir.path(), "trap '' XFSZ; ulimit -f 0; exec \"$TOOL\" p.png");
    EXPECT_EQ(tooBig.status, 3);
    EXPECT_EQ(tooBig.errors,
              aboutPicture("出力がなぜかできません。") + "(output p.txt: File too large)\n");
    EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{ "p.png" });

    test::writeFile(dir / "p.txt", "");
    for (int attempt = 1; attempt < 1000; ++attempt)
        test::writeFile(dir / ("p." + std::to_string(attempt) + ".txt"), "");
    const auto before = filesIn(dir.path());
    const auto noName = test::runProgram(kChartTool, { "p.png" }, dir.path());
    EXPECT_EQ(noName.status, 3);
    EXPECT_EQ(noName.errors,
              aboutPicture("出力がなぜかできません。")
                  + "(output p.txt to p.999.txt: File exists)\n");
    EXPECT_EQ(filesIn(dir.path()), before);
    EXPECT_EQ(test::readFile(dir / "p.txt"), "");
}

TEST(BeatplateChart, NeverReadsStandardInputForAPicture)
{
    const test::TempDir dir;
    test::writeFile(dir / "p.png", goodPng());
    for (const auto* arguments : { "", "missing.png", "missing.png -", "p.png -", "p.png" }) {
        SCOPED_TRACE(arguments);
        // Whatever the tool leaves unread on its standard input, cat passes on.
        const auto run = runScript(dir.path(),
                                   "printf key | { \"$TOOL\" " + std::string(arguments)
                                       + " >/dev/null 2>&1; cat; }");
        EXPECT_EQ(run.output, "key");
    }
}

TEST(BeatplateChart, WritesTheChartWhereAndHowTheOptionsSay)
{
    const std::string utf8 = "#title \xe3\x81\xb5\noooo\n"; // "ふ" in UTF-8
    const std::string mark = "\xef\xbb\xbf";
    const struct {
        const char* script;
        const char* file; // the file the chart lands in; none: standard output
        std::string chart;
    } cases[] = {
        { "\"$TOOL\" -o out.txt p.png", "out.txt", std::string(kGoodChart) },
        { "\"$TOOL\" p.png --output=- ", nullptr, std::string(kGoodChart) },
        { "\"$TOOL\" - < p.png", nullptr, std::string(kGoodChart) },
        { "\"$TOOL\" -o out.txt - < p.png", "out.txt", std::string(kGoodChart) },
        // UTF-8 carries its mark into a file, so that beatplate reads it as UTF-8 again.
        { "\"$TOOL\" --utf8 p.png -", nullptr, utf8 },
        { "\"$TOOL\" --encoding=UTF-8 p.png - > out.txt", "out.txt", mark + utf8 },
        { "\"$TOOL\" --encoding utf-8 -o out.txt p.png", "out.txt", mark + utf8 },
        { "\"$TOOL\" --utf8 p.png", "p.txt", mark + utf8 },
        { "\"$TOOL\" --utf8 --encoding=cp932 p.png -", nullptr, std::string(kGoodChart) },
    };
    for (const auto& [script, file, chart] : cases) {
        SCOPED_TRACE(script);
        const test::TempDir dir;
        test::writeFile(dir / "p.png", goodPng());
        test::writeFile(dir / "out.txt", "an earlier file, replaced when named with -o");
        const auto run = runScript(dir.path(), script);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(file != nullptr ? test::readFile(dir / file) : run.output, chart);
    }
}

} // namespace
} // namespace beatplate
