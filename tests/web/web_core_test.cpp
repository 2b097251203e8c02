#include "support/png_file.h"
#include "support/test_sheet.h"
#include "web/web_core.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace beatplate {
namespace {

using Json = nlohmann::json;

Json jsonOf(const WebAnswer& answer)
{
    return Json::parse(answer.json);
}

std::string textOf(const std::vector<std::uint8_t>& bytes)
{
    return { bytes.begin(), bytes.end() };
}

void loadTestSheet(WebCore& core)
{
    EXPECT_TRUE(core.loadSpriteSheet(test::encodeCanvasPng(test::makeTestSheet())));
}

// What the editor is given of a file and what saving the same text gives back must be the file
// itself, in every form the reader knows.
TEST(WebCore, WritesAChartFileBackAsItWasRead)
{
    const struct {
        const char* name;
        std::string bytes;
        const char* encoding;
    } cases[] = {
        { "code page 932", "#title \x83\x65\x83\x58\x83\x67\no o\n", "code page 932" },
        { "CR LF", "#title x\r\no o\r\n", "code page 932" },
        { "UTF-8 with a mark", "\xEF\xBB\xBF#title \xE2\x98\x83\no\n", "UTF-8" },
        { "UTF-16LE", std::string("\xFF\xFEo\0\n\0", 6), "UTF-16LE" },
        { "UTF-16BE, CR LF", std::string("\xFE\xFF\0o\0\r\0\n", 8), "UTF-16BE" },
    };
    for (const auto& file : cases) {
        SCOPED_TRACE(file.name);
        const Json read = jsonOf(WebCore::readChartFile(file.bytes));
        ASSERT_FALSE(read.contains("error")) << read;
        EXPECT_EQ(read["encoding"], file.encoding);
        EXPECT_TRUE(read["readOnly"].is_null());
        const WebAnswer written = WebCore::writeChartFile(
            read["text"].get<std::string>(), read["encoding"].get<std::string>(),
            read["byteOrderMark"].get<bool>(), read["lineEnds"].get<std::string>());
        ASSERT_EQ(written.files.size(), 1u) << written.json;
        EXPECT_EQ(textOf(written.files[0]), file.bytes);
    }
}

TEST(WebCore, RefusesATextItsFileWouldNotGiveBack)
{
    const struct {
        const char* name;
        std::string text;
        const char* encoding;
        const char* lineEnds;
        const char* error;
        int line;
    } cases[] = {
        { "a snowman in code page 932", "o\n#title \xE2\x98\x83\n", "code page 932", "LF",
          "譜面の2行目にShift_JISで書けない文字があります。", 2 },
        { "an end of file in the text", "o\no\x1Ao\n", "UTF-8", "LF",
          "U+001A (end of file) at line 2, column 2 ends the chart for its reader: the text "
          "after it would be lost",
          2 },
        { "no such encoding", "o\n", "EBCDIC", "LF", "no such chart file form: EBCDIC, LF", 0 },
        { "no such line end", "o\n", "UTF-8", "CR", "no such chart file form: UTF-8, CR", 0 },
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.name);
        const WebAnswer answer =
            WebCore::writeChartFile(refused.text, refused.encoding, false, refused.lineEnds);
        EXPECT_TRUE(answer.files.empty());
        const Json json = jsonOf(answer);
        EXPECT_EQ(json["error"], refused.error);
        EXPECT_EQ(json.value("line", 0), refused.line);
    }
}

TEST(WebCore, MarksAFileWhoseTextGoesOnAfterItsEndReadOnly)
{
    const Json read = jsonOf(WebCore::readChartFile("oooo\n\x1axxxx\n"));
    EXPECT_EQ(read["text"], "oooo\n");
    EXPECT_NE(read["readOnly"].get<std::string>().find("U+001A"), std::string::npos) << read;
    EXPECT_EQ(jsonOf(WebCore::readChartFile("o\n\xFF\n"))["error"],
              "the chart cannot be read whole as code page 932, so it cannot be edited here");
}

TEST(WebCore, DrawsThePartsOfAPictureEachWithTheWholeChart)
{
    WebCore core;
    loadTestSheet(core);
    std::string chart;
    for (int line = 0; line < 40; ++line)
        chart += "oxox oxox oxox oxox\n#newline\n";
    const WebAnswer one = core.draw(chart, "1", "");
    ASSERT_EQ(one.files.size(), 1u) << one.json;
    EXPECT_EQ(jsonOf(one)["parts"], 1);
    const WebAnswer parts = core.draw(chart, "1", "816x600");
    ASSERT_GT(parts.files.size(), 1u) << parts.json;
    EXPECT_EQ(jsonOf(parts)["parts"], parts.files.size());
    const test::DecodedPng whole = test::decodePng(one.files[0]);
    const auto wholeChunk = whole.findChunk("bpLt");
    ASSERT_NE(wholeChunk, nullptr);
    for (const auto& part : parts.files) {
        const test::DecodedPng png = test::decodePng(part);
        EXPECT_LE(png.height, 600);
        EXPECT_EQ(*png.findChunk("bpLt"), *wholeChunk);
    }
}

TEST(WebCore, AnswersWhatCannotBeDrawnAsTheCommandLineReportsIt)
{
    WebCore withoutSheet;
    WebCore core;
    loadTestSheet(core);
    const struct {
        const char* name;
        WebCore& core;
        std::string chart;
        const char* columns;
        const char* maxSize;
        const char* error;
    } cases[] = {
        { "a chart error", core, "o\n#bmp 120\n", "1", "",
          "読み込み時にエラーが発生しました: 2行\nunknown command. (column 2: #bmp; did you mean "
          "#bpm?)" },
        { "no sheet", withoutSheet, "o\n", "1", "", "スプライトシートを読み込めません。" },
        { "no such columns", core, "o\n", "0", "",
          "invalid number of columns: '0' (1 to 1000, or auto)" },
        { "no such size", core, "o\n", "1", "816",
          "invalid size: '816' (WIDTHxHEIGHT, e.g. 4096x4096)" },
        { "a row wider than the size", core, "o\n", "1", "400x400",
          "画像が大きすぎて作れません。\n(a row is 816 pixels wide, more than --max-size 400x400 "
          "allows)" },
    };
    for (const auto& failed : cases) {
        SCOPED_TRACE(failed.name);
        const WebAnswer answer = failed.core.draw(failed.chart, failed.columns, failed.maxSize);
        EXPECT_TRUE(answer.files.empty());
        EXPECT_EQ(jsonOf(answer)["error"], failed.error);
    }
    EXPECT_EQ(jsonOf(core.draw("o\n#bmp 120\n", "1", ""))["line"], 2);
}

TEST(WebCore, GivesBackTheChartAPictureCarries)
{
    WebCore core;
    loadTestSheet(core);
    const struct {
        const char* name;
        std::string chart;
        const char* text;
        const char* encoding;
    } cases[] = {
        { "code page 932", "#title \x83\x65\x83\x58\x83\x67\r\no o\r\n", "#title テスト\no o\n",
          "code page 932" },
        { "beyond code page 932", "#title \xE2\x98\x83\no\n", "#title ☃\no\n", "UTF-8" },
    };
    for (const auto& picture : cases) {
        SCOPED_TRACE(picture.name);
        const WebAnswer drawn = core.draw(picture.chart, "1", "");
        ASSERT_EQ(drawn.files.size(), 1u) << drawn.json;
        const Json json = jsonOf(WebCore::chartOf(textOf(drawn.files[0])));
        EXPECT_EQ(json["text"], picture.text);
        EXPECT_EQ(json["encoding"], picture.encoding);
    }
    EXPECT_EQ(jsonOf(WebCore::chartOf("o o\n"))["error"], "PNG画像ではありません。");
    EXPECT_EQ(
        jsonOf(WebCore::chartOf(textOf(test::encodeCanvasPng(test::makeTestSheet()))))["error"],
        "この画像には譜面が入っていません。");
}

// The player reads the timeline's places off the figures: they must be those of the picture
// drawn in the same columns, and the strokes and voices those the server gives the served page.
TEST(WebCore, GivesTheFiguresAndSoundThePagePlaysWith)
{
    std::string chart;
    for (int line = 0; line < 12; ++line)
        chart += "o x o x o x o x \n";
    const auto lastMeasureX = [&](const char* columns) {
        const Json figures = jsonOf(WebCore::figures(chart, "-", columns, ""));
        return figures["timeline"]["measures"].back()["x"].get<int>();
    };
    EXPECT_GT(lastMeasureX("2"), lastMeasureX("1") + 816);
    EXPECT_EQ(jsonOf(WebCore::figures(chart, "-", "0", ""))["error"],
              "invalid number of columns: '0' (1 to 1000, or auto)");

    const Json sound = jsonOf(WebCore::sound(chart));
    EXPECT_EQ(sound["strokes"].size(), 12u * 8 + 12u * 4) << "notes and the metronome's beats";
    EXPECT_EQ(jsonOf(WebCore::sound("o\n#bmp 120\n"))["line"], 2);
    const WebAnswer voices = WebCore::voices();
    ASSERT_EQ(voices.files.size(), 1u);
    EXPECT_EQ(textOf(voices.files[0]).substr(0, 4), "RIFF");
    EXPECT_EQ(voices.files[0].size(),
              44u + 2u * sound["voices"].size() * sound["voiceSamples"].get<std::size_t>());
}

} // namespace
} // namespace beatplate
