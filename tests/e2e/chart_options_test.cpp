#include "base/chart_limits.h"
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
    "bad.txt:1:2: error: unknown command. (#bmp; did you mean #bpm?)\n"
    "bad.txt:3:8: warning: level is outside 0 to 10; it is drawn clamped.\n"
    "bad.txt:4:9: warning: number is followed by other characters. (150,5)\n"
    "bad.txt:5:2: warning: span opened inside a span; the first is dropped.\n"
    "bad.txt:5:2: warning: span is never closed; it is not drawn.\n"
    "bad.txt:6:2: error: parse error. ('　' U+3000)\n"
    "bad.txt:7:1: error: encoding error. (0xFF cannot be read as code page 932)\n"
    "bad.txt: 3 errors, 4 warnings\n";
constexpr const char* kFaultyErrorLines =
    "bad.txt:1:2: error: unknown command. (#bmp; did you mean #bpm?)\n"
    "bad.txt:6:2: error: parse error. ('　' U+3000)\n"
    "bad.txt:7:1: error: encoding error. (0xFF cannot be read as code page 932)\n"
    "bad.txt: 3 errors, 4 warnings\n";

// Drawn, with a warning on each of lines 2, 3, 5 (the 18-character slip, which the line with a
// tab after it does not excuse) and 7.
constexpr const char* kSlipChart = "#title Slips\n"
                                   "#level 11\n"
                                   "#bpm 150,5\n"
                                   "oooooooooooooooo\n"
                                   "oooooooooooooooooo\n"
                                   "o o o o\to o o o\n"
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

TEST(BeatplateChartOptions, PrintsDiagnosticsAsDataWhenCheckingAndAsMessagesWhenDrawing)
{
    const ProgramSandbox sandbox;
    writeCharts(sandbox);
    const std::string badReport = "読み込み時にエラーが発生しました: 1行 (bad.txt)\n"
                                  "unknown command. (column 2: #bmp; did you mean #bpm?)\n";
    expectRuns(
        sandbox,
        {
            { { "--check", "-j", "2", "bad.txt", "missing.txt", "slip.txt", "good.txt" },
              2,
              kFaultyLines + std::string(kSlipWarnings)
                  + "slip.txt: 0 errors, 4 warnings\ngood.txt: 0 errors, 0 warnings\n",
              "ファイルが見つかりません。 (missing.txt)\n",
              {} },
            { { "--check", "-q", "bad.txt" }, 2, kFaultyErrorLines, "", {} },
            { { "--check", "example.txt" }, 0, "example.txt: 0 errors, 0 warnings\n", "", {} },
            { { "slip.txt" }, 0, "", kSlipWarnings, { "slip.png" } },
            { { "--quiet", "slip.txt" }, 0, "", "", { "slip.png" } },
            { { "example.txt", "good.txt" }, 0, "", "", { "example.png", "good.png" } },
            { { "-q", "bad.txt" }, 2, "", badReport, {} },
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
        EXPECT_EQ(readPng(sandbox / "chart.png").findChunk(kChartChunkName)->data,
                  sourceChunkOf(text));
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
    const auto result = sandbox.run({ "-o", "nowhere/huge.png", "huge.txt" });
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.errors,
              "出力がなぜかできません。　pngファイル開いてない？ (huge.txt)\n"
              "(output nowhere/huge.png: No such file or directory)\n");
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "huge.txt", "pic.png" }));
}

TEST(BeatplateChartOptions, WritesTheSoundBesideTheChartOrOnStandardOutputNeverHalfWritten)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("beat.txt", "#bpm 120\no   x   O   X\n");
    const auto written = sandbox.run({ "--sound", "--metronome", "beat.txt" });
    ASSERT_EQ(written.status, 0) << written.errors;
    const std::string wav = readFile(sandbox / "beat.wav");
    // RIFF, then PCM, mono, 44,100 samples a second of 16 bits: the measure's 2 s and half a
    // second for the last stroke to ring out.
    ASSERT_EQ(wav.size(), 44u + 2 * (2 * 44100 + 22050));
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(20, 16),
              std::string("\x01\x00\x01\x00\x44\xac\x00\x00\x88\x58\x01\x00\x02\x00\x10\x00", 16));
    EXPECT_EQ(sandbox.run({ "--sound", "--metronome", "-o", "-", "beat.txt" }).output, wav);
    EXPECT_NE(sandbox.run({ "--sound", "-o", "-", "beat.txt" }).output, wav);
    const auto refused = sandbox.run({ "--sound", "-o", "nowhere/beat.wav", "beat.txt" });
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(refused.errors,
              "出力がなぜかできません。　wavファイル開いてない？ (beat.txt)\n"
              "(output nowhere/beat.wav: No such file or directory)\n");
    // 40 measures at a hundredth of a beat a minute last 11 days, more than a WAV file holds.
    sandbox.writeChart("slow.txt", "#bpm 0.01\n" + std::string(40 * 16, 'o') + "\n");
    const auto tooLong = sandbox.run({ "--sound", "slow.txt" });
    EXPECT_EQ(tooLong.status, 3);
    EXPECT_EQ(tooLong.errors,
              "譜面が長すぎてwavにできません。 (slow.txt)\n"
              "(its sound lasts 960000 s, more than a WAV file holds)\n");
    EXPECT_EQ(
        listDirectory(sandbox.directory()),
        (std::vector<std::string>{ "beat.txt", "beat.wav", "beatplate", "pic.png", "slow.txt" }));
}

TEST(BeatplateChartOptions, PrintsFiguresInTheOrderGivenAndDrawsOnlyWhenAsked)
{
    const ProgramSandbox sandbox;
    writeCharts(sandbox);
    const auto good = sandbox.run({ "--stats", "good.txt" }).output;
    EXPECT_TRUE(good.starts_with("good.txt: Good\nmeasures        1\nlength          2.000 s\n"))
        << good;
    expectRuns(sandbox,
               {
                   { { "--stats", "-j", "2", "example.txt", "bad.txt", "good.txt" },
                     2,
                     sandbox.run({ "--stats", "example.txt" }).output + "\n" + good,
                     "読み込み時にエラーが発生しました: 1行 (bad.txt)\n"
                     "unknown command. (column 2: #bmp; did you mean #bpm?)\n",
                     {} },
                   { { "--stats", "--draw", "good.txt" }, 0, good, "", { "good.png" } },
                   { { "--stats", "-o", "good.png", "good.txt" }, 0, good, "", { "good.png" } },
               });
}

TEST(BeatplateChartOptions, PrintsFiguresAsJsonWithEveryDocumentedField)
{
    using nlohmann::json;
    const ProgramSandbox sandbox;
    writeCharts(sandbox);
    const auto figures = json::parse(sandbox.run({ "--stats", "--json", "example.txt" }).output);
    std::vector<std::string> fields{ "/path",
                                     "/title",
                                     "/measures",
                                     "/seconds",
                                     "/countedSpans",
                                     "/countSum",
                                     "/uncompletedNotes",
                                     "/branches/2/branch",
                                     "/branches/2/notes",
                                     "/branches/2/density/peakMeasure" };
    for (const auto* kind : { "o", "O", "x", "X", "total" })
        fields.push_back(std::string("/notes/") + kind);
    for (const auto* kind : { "(", "<", "@", "b", "p" })
        fields.insert(fields.end(),
                      { std::string("/spans/") + kind + "/count",
                        std::string("/spans/") + kind + "/seconds" });
    for (const auto* range : { "/tempo", "/scrollSpeed" })
        fields.insert(fields.end(),
                      { range + std::string("/lowest"), range + std::string("/highest") });
    for (const auto* field : { "average", "peak", "peakStart", "peakMeasure" })
        fields.push_back(std::string("/density/") + field);
    for (const auto* field : { "tick", "seconds", "tempo" })
        fields.push_back(std::string("/timeline/tempos/1/") + field);
    for (const auto* field : { "measure", "tick", "ticks", "start", "seconds", "beats", "lines",
                               "part", "column", "row", "x", "top", "height", "pixelsPerTick" })
        fields.push_back(std::string("/timeline/measures/20/") + field);
    for (const auto& field : fields)
        EXPECT_TRUE(figures.contains(json::json_pointer(field))) << field;
    // The figures the README gives for the example.
    EXPECT_EQ(figures["title"], "さくら咲く夜のうた");
    EXPECT_EQ(figures["seconds"], 29.273);
    EXPECT_EQ(figures["notes"]["total"], 110);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(figures["branches"][i]["notes"], (std::array{ 92, 82, 88 })[i]);
    // Back in a single lane, the eight notes are met on every branch path.
    sandbox.writeChart("back.txt", "#branch ooo\noooo\nxx\no\n#branch oxx\noooooooo\n");
    const auto back = json::parse(sandbox.run({ "--stats", "--json", "back.txt" }).output);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(back["branches"][i]["notes"], (std::array{ 12, 10, 9 })[i]);

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
        const auto array = json::parse(result.output);
        ASSERT_TRUE(array.is_array());
        std::vector<std::string> shown;
        for (const auto& entry : array)
            shown.push_back(entry["path"]);
        EXPECT_EQ(shown, paths);
    }
    EXPECT_EQ(json::parse(sandbox.run({ "--stats", "--json", "good.txt" }).output),
              json::parse(sandbox.run({ "--stats", "--json", "good.txt", "good.txt" }).output)[1]);
}

} // namespace
} // namespace beatplate::test
