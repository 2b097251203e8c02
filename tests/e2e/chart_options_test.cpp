#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

// Errors on lines 1, 6 and 7 (a full-width space, a byte code page 932 cannot read), warnings
// between them.
constexpr const char* kFaultyChart = "#bmp 120\n"
                                     "o o x o\n"
                                     "#level 12\n"
                                     "#bpm 150,5\n"
                                     "((o\n"
                                     "o\x81\x40o\n"
                                     "\xff\n";
constexpr const char* kFaultyLines =
    "bad.txt:1:2: error: unknown command. (#bmp)\n"
    "bad.txt:3:8: warning: level is outside 0 to 10; it is drawn clamped.\n"
    "bad.txt:4:9: warning: number is followed by other characters. (150,5)\n"
    "bad.txt:5:2: warning: span opened inside a span; the first is dropped.\n"
    "bad.txt:5:2: warning: span is never closed; it is not drawn.\n"
    "bad.txt:6:2: error: parse error. ('　' U+3000)\n"
    "bad.txt:7:1: error: encoding error. (0xFF cannot be read as code page 932)\n"
    "bad.txt: 3 errors, 4 warnings\n";
constexpr const char* kFaultyErrorLines =
    "bad.txt:1:2: error: unknown command. (#bmp)\n"
    "bad.txt:6:2: error: parse error. ('　' U+3000)\n"
    "bad.txt:7:1: error: encoding error. (0xFF cannot be read as code page 932)\n"
    "bad.txt: 3 errors, 4 warnings\n";

// Drawn, with a warning on each of lines 2, 3, 5 (the 18-character slip) and 7.
constexpr const char* kSlipChart = "#title Slips\n"
                                   "#level 11\n"
                                   "#bpm 150,5\n"
                                   "oooooooooooooooo\n"
                                   "oooooooooooooooooo\n"
                                   "oooooooooooooooo\n"
                                   "(o\n";
constexpr const char* kSlipWarnings =
    "slip.txt:2:8: warning: level is outside 0 to 10; it is drawn clamped.\n"
    "slip.txt:3:9: warning: number is followed by other characters. (150,5)\n"
    "slip.txt:5:17: warning: note line is longer than whole measures. (18 characters in "
    "measures of 16)\n"
    "slip.txt:7:1: warning: span is never closed; it is not drawn.\n";

constexpr const char* kGoodChart = "#title Good\no o x o\n";

void writeCharts(const ProgramSandbox& sandbox)
{
    sandbox.writeChart("bad.txt", kFaultyChart);
    sandbox.writeChart("slip.txt", kSlipChart);
    sandbox.writeChart("good.txt", kGoodChart);
    fs::copy_file(fs::path(BEATPLATE_SOURCE_DIR) / "examples/example.txt", sandbox / "example.txt");
}

struct RunCase {
    std::vector<std::string> arguments;
    int status;
    std::string output;
    std::string errors;
    std::vector<std::string> pictures; // beside the charts
};

void expectRuns(const ProgramSandbox& sandbox, const std::vector<RunCase>& cases)
{
    for (const auto& [arguments, status, output, errors, pictures] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const auto result = sandbox.run(arguments);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.output, output);
        EXPECT_EQ(result.errors, errors);
        for (const auto* picture : { "bad.png", "slip.png", "good.png", "example.png" }) {
            const bool wanted =
                std::find(pictures.begin(), pictures.end(), picture) != pictures.end();
            EXPECT_EQ(fs::exists(sandbox / picture), wanted) << picture;
            fs::remove(sandbox / picture);
        }
    }
}

TEST(BeatplateChartOptions, ChecksEveryChartAndPrintsItsDiagnosticsAsData)
{
    const ProgramSandbox sandbox;
    writeCharts(sandbox);
    expectRuns(sandbox,
               {
                   { { "--check", "-j", "2", "bad.txt", "missing.txt", "slip.txt", "good.txt" },
                     2,
                     kFaultyLines + std::string(kSlipWarnings)
                         + "slip.txt: 0 errors, 4 warnings\ngood.txt: 0 errors, 0 warnings\n",
                     "ファイルが見つかりません。 (missing.txt)\n",
                     {} },
                   { { "--check", "-q", "bad.txt" }, 2, kFaultyErrorLines, "", {} },
                   { { "--check", "slip.txt", "example.txt" },
                     0,
                     kSlipWarnings
                         + std::string("slip.txt: 0 errors, 4 warnings\n"
                                       "example.txt: 0 errors, 0 warnings\n"),
                     "",
                     {} },
               });
}

TEST(BeatplateChartOptions, ShowsWarningsOnStandardErrorUnlessQuietAndStillDraws)
{
    const ProgramSandbox sandbox;
    writeCharts(sandbox);
    expectRuns(sandbox,
               {
                   { { "slip.txt" }, 0, "", kSlipWarnings, { "slip.png" } },
                   { { "--quiet", "slip.txt" }, 0, "", "", { "slip.png" } },
                   { { "example.txt", "good.txt" }, 0, "", "", { "example.png", "good.png" } },
                   // Errors are shown whatever -q says.
                   { { "-q", "bad.txt" },
                     2,
                     "",
                     "読み込み時にエラーが発生しました: 1行 (bad.txt)\n"
                     "unknown command. (column 2: #bmp)\n",
                     {} },
               });
}

TEST(BeatplateChartOptions, ReadsAChartWithoutAByteOrderMarkInTheEncodingNamed)
{
    const struct {
        const char* name;
        std::string chart;
        std::vector<std::string> options;
        std::u16string text; // in the picture; none when the chart is refused
    } cases[] = {
        // C3 A9 is "é" in UTF-8 and the half-width "ﾃｩ" in code page 932.
        { "UTF-8 is told from the bytes", ";\xC3\xA9\n", {}, u";\u00E9\n\n" },
        { "cp932 overrides it", ";\xC3\xA9\n", { "--encoding", "cp932" }, u";\uFF83\uFF69\n\n" },
        { "a byte-order mark overrides the option",
          "\xEF\xBB\xBF;\xC3\xA9\n",
          { "--encoding=CP932" },
          u";\u00E9\n\n" },
        { "code page 932 is not UTF-8", ";\x82\xA0\n", { "--encoding=utf-8" }, u"" },
        { "code page 932 is read by default", ";\x82\xA0\n", {}, u";\u3042\n\n" },
    };
    const ProgramSandbox sandbox;
    for (const auto& [name, chart, options, text] : cases) {
        SCOPED_TRACE(name);
        sandbox.writeChart("chart.txt", chart);
        auto arguments = options;
        arguments.emplace_back("chart.txt");
        const auto result = sandbox.run(arguments);
        if (text.empty()) {
            EXPECT_EQ(result.status, 2);
            EXPECT_EQ(result.errors,
                      "読み込み時にエラーが発生しました: 1行 (chart.txt)\n"
                      "encoding error. (column 2: 0x82 cannot be read as UTF-8)\n");
            EXPECT_FALSE(fs::exists(sandbox / "chart.png"));
            continue;
        }
        EXPECT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(readPng(sandbox / "chart.png").findChunk("bpLt")->data, sourceChunkOf(text));
        fs::remove(sandbox / "chart.png");
    }
}

TEST(BeatplateChartOptions, FailsBeforeReadingAChartWhosePictureCannotBeWritten)
{
    // Parsed and drawn, this chart would take seconds and gigabytes, and then fail on its
    // last line with a chart error; the output fails first.
    std::string huge;
    for (int i = 0; i < 41'000; ++i)
        huge += "oxoxOXOX(===)o o\n";
    huge += "#bmp\n";
    const ProgramSandbox sandbox;
    sandbox.writeChart("huge.txt", huge);
    for (const auto* output : { "nowhere/huge.png", "huge.txt/huge.png" }) {
        SCOPED_TRACE(output);
        const auto result = sandbox.run({ "-o", output, "huge.txt" });
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.errors, "出力がなぜかできません。　pngファイル開いてない？ (huge.txt)\n");
    }
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "huge.txt", "pic.png" }));
}

TEST(BeatplateChartOptions, PrintsFiguresAsTextAndDrawsOnlyWhenAsked)
{
    const ProgramSandbox sandbox;
    writeCharts(sandbox);
    const std::string good = "good.txt: Good\n"
                             "measures        1\n"
                             "length          2.000 s\n"
                             "tempo           120\n"
                             "scroll speed    1\n"
                             "notes           4 (o 3, O 0, x 1, X 0)\n"
                             "spans           ( 0 for 0.000 s, < 0 for 0.000 s, @ 0 for 0.000 s, "
                             "b 0 for 0.000 s, p 0 for 0.000 s\n"
                             "counted spans   0, their counts adding up to 0\n"
                             "density         2.000 notes/s, at most 4 in one second from 0.000 "
                             "s (measure 1)\n";
    const auto example = sandbox.run({ "--stats", "example.txt" }).output;
    ASSERT_TRUE(example.starts_with("example.txt: さくら咲く夜のうた\nmeasures        21\n"))
        << example;
    expectRuns(sandbox,
               {
                   { { "--stats", "good.txt" }, 0, good, "", {} },
                   { { "--stats", "-j", "2", "example.txt", "bad.txt", "good.txt" },
                     2,
                     example + "\n" + good,
                     "読み込み時にエラーが発生しました: 1行 (bad.txt)\n"
                     "unknown command. (column 2: #bmp)\n",
                     {} },
                   { { "--stats", "--draw", "good.txt", "-q", "slip.txt" },
                     0,
                     good + "\n" + sandbox.run({ "--stats", "-q", "slip.txt" }).output,
                     "",
                     { "good.png", "slip.png" } },
                   { { "--stats", "-o", "good.png", "good.txt" }, 0, good, "", { "good.png" } },
               });
}

TEST(BeatplateChartOptions, PrintsFiguresAsJsonWithEveryDocumentedField)
{
    const ProgramSandbox sandbox;
    writeCharts(sandbox);
    const auto one = sandbox.run({ "--stats", "--json", "example.txt" });
    ASSERT_EQ(one.status, 0);
    const auto figures = nlohmann::json::parse(one.output);
    ASSERT_TRUE(figures.is_object());
    for (const auto* field :
         { "path", "title", "measures", "seconds", "notes", "spans", "countedSpans", "countSum",
           "tempo", "scrollSpeed", "density", "branches", "uncompletedNotes" })
        EXPECT_TRUE(figures.contains(field)) << field;
    for (const auto* kind : { "o", "O", "x", "X", "total" })
        EXPECT_TRUE(figures["notes"].contains(kind)) << kind;
    for (const auto* kind : { "(", "<", "@", "b", "p" }) {
        EXPECT_TRUE(figures["spans"][kind].contains("count")) << kind;
        EXPECT_TRUE(figures["spans"][kind].contains("seconds")) << kind;
    }
    for (const auto* range : { "tempo", "scrollSpeed" }) {
        EXPECT_TRUE(figures[range].contains("lowest")) << range;
        EXPECT_TRUE(figures[range].contains("highest")) << range;
    }
    for (const auto* field : { "average", "peak", "peakStart", "peakMeasure" })
        EXPECT_TRUE(figures["density"].contains(field)) << field;
    // The figures the README gives for the example.
    EXPECT_EQ(figures["path"], "example.txt");
    EXPECT_EQ(figures["title"], "さくら咲く夜のうた");
    EXPECT_EQ(figures["measures"], 21);
    EXPECT_EQ(figures["seconds"], 29.273);
    EXPECT_EQ(figures["notes"]["total"], 110);
    EXPECT_EQ(figures["countSum"], 40);
    EXPECT_EQ(figures["density"]["peak"], 15);
    ASSERT_EQ(figures["branches"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(figures["branches"][i]["branch"], i + 1);
        EXPECT_EQ(figures["branches"][i]["notes"], (std::array{ 92, 78, 84 })[i]);
        EXPECT_TRUE(figures["branches"][i]["density"].contains("peakMeasure"));
    }

    const struct {
        std::vector<std::string> arguments;
        int status;
        std::vector<std::string> paths; // of the array's objects, in order
    } several[] = {
        { { "--stats", "--json", "-j", "3", "good.txt", "example.txt", "slip.txt" },
          0,
          { "good.txt", "example.txt", "slip.txt" } },
        // An array still, for scripts that index it, though one chart alone could be read.
        { { "--stats", "--json", "good.txt", "missing.txt", "bad.txt" }, 2, { "good.txt" } },
    };
    for (const auto& [arguments, status, paths] : several) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const auto result = sandbox.run(arguments);
        EXPECT_EQ(result.status, status);
        const auto array = nlohmann::json::parse(result.output);
        ASSERT_TRUE(array.is_array());
        ASSERT_EQ(array.size(), paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(array[i]["path"], paths[i]);
    }
    EXPECT_EQ(nlohmann::json::parse(sandbox.run({ "--stats", "--json", "good.txt" }).output),
              nlohmann::json::parse(
                  sandbox.run({ "--stats", "--json", "good.txt", "good.txt" }).output)[1]);
}

} // namespace
} // namespace beatplate::test
