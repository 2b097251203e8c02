#include "extract/chart_chunk_reader.h"
#include "extract/extract_error.h"
#include "extract/test_png.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace beatplate {
namespace {

using test::chartChunkData;

struct Failure {
    int status = 0;
    std::string message;
};

Failure failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ExtractError& error) {
        return { error.status(), error.what() };
    }
    return { kExtractSuccess, "" };
}

TEST(ChartChunkReader, WritesTheChartBackInCodePage932)
{
    const struct {
        std::u16string text;
        std::string file;
    } cases[] = {
        { u"#title ふつう\noooo\n", "#title \x82\xd3\x82\xc2\x82\xa4\noooo" },
        { u"ｱ①≒\\~\n", "\xb1\x87\x40\x81\xe0\\~" },
        { u"o\n\n", "o\n" }, // the chart ended with a line break of its own
        { u"o", "o" }, // no reader-added LF to drop
        { u"\n", "" },
        { u"", "" },
        { std::u16string(u"a\0b\n", 4), std::string("a\0b", 3) },
        { u"a\rb\n", "a\rb" }, // a lone CR stays as it was read
        { u"a\r\nb\n", "a\r\r\nb" }, // CR LF would fold into LF when read again
    };
    for (const auto& [text, file] : cases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(chartFileFromChunk(chartChunkData(text)), file);
    }
}

TEST(ChartChunkReader, RefusesDataThatIsNoChartText)
{
    const std::string cases[] = {
        "",
        std::string(1, '\0'),
        std::string("a\0\0", 3), // odd length
        std::string("a\0b\0", 4), // no zero unit at the end
        std::string("a\0\0\0\0", 5),
        chartChunkData(u"o\x1a\n"), // the reader stops at 0x1A, so no chart holds it
    };
    for (const auto& data : cases) {
        SCOPED_TRACE(data.size());
        const auto failure = failureOf([&] { (void)chartFileFromChunk(data); });
        EXPECT_EQ(failure.status, kExtractNoChart);
        EXPECT_EQ(failure.message, "この画像の譜面は壊れています。");
    }
}

TEST(ChartChunkReader, RefusesCharactersCodePage932CannotWrite)
{
    const struct {
        std::u16string text;
        int line;
    } cases[] = {
        { u"o\n\xe9\n", 2 }, // no code page 932 character
        { u"o\n\noo\x00a5\n", 3 }, // would come back as "\"
        { u"\x2014\n", 1 }, // would come back as U+2015
        { u"\U0001F600\n", 1 }, // outside the BMP
        { std::u16string(1, char16_t(0xD800)) + u"o\n", 1 }, // lone high surrogate
        { u"o\n" + std::u16string(1, char16_t(0xD800)), 2 }, // ... as the last unit
        { u"\n\n" + std::u16string(1, char16_t(0xDC00)) + u"\n", 3 }, // lone low surrogate
    };
    for (const auto& [text, line] : cases) {
        SCOPED_TRACE(line);
        const auto failure = failureOf([&] { (void)chartFileFromChunk(chartChunkData(text)); });
        EXPECT_EQ(failure.status, kExtractNoChart);
        EXPECT_EQ(failure.message,
                  "譜面の" + std::to_string(line)
                      + "行目にShift_JISで書けない文字があります。\n--utf8 "
                        "を付ければUTF-8で書き出せます。");
    }
}

TEST(ChartChunkReader, WritesAnyCharacterBackInUtf8)
{
    const struct {
        std::u16string text;
        std::string file; // empty: refused as a broken chart
    } cases[] = {
        { u"o\n\xe9\n\n", "o\n\xc3\xa9\n" },
        { u"\U0001F600\n", "\xf0\x9f\x98\x80" }, // a surrogate pair is one character
        { u"a\r\n\n", "a\r\r\n" }, // a kept CR before LF is doubled, as in code page 932
        { std::u16string(1, char16_t(0xD800)) + u"o\n", "" },
        { u"o\n" + std::u16string(1, char16_t(0xDC00)), "" },
    };
    for (const auto& [text, file] : cases) {
        SCOPED_TRACE(file);
        const auto data = chartChunkData(text);
        if (!file.empty()) {
            EXPECT_EQ(chartFileFromChunk(data, ChartEncoding::Utf8), file);
            continue;
        }
        const auto failure =
            failureOf([&] { (void)chartFileFromChunk(data, ChartEncoding::Utf8); });
        EXPECT_EQ(failure.status, kExtractNoChart);
        EXPECT_EQ(failure.message, "この画像の譜面は壊れています。");
    }
}

TEST(ChartChunkReader, FindsTheChunkWhereverThePictureHoldsIt)
{
    const test::TempDir dir;
    const std::string chart = chartChunkData(u"oooo\n");
    const struct {
        std::vector<test::TestChunk> chunks;
        bool interlaced;
    } cases[] = {
        { { { "bpLt", chart } }, false },
        { { { "bpLt", chart, true } }, false },
        { { { "ruSt", "other" }, { "bpLt", chart }, { "zzZz", "more", true } }, false },
        { { { "bpLt", chart } }, true },
    };
    for (const auto& [chunks, interlaced] : cases) {
        test::writeFile(dir / "p.png", test::makeTestPng(chunks, interlaced));
        EXPECT_EQ(readChartChunk(dir / "p.png"), chart);
    }
}

// libpng refuses chunks over 8 MB unless told otherwise; a long chart must still come back.
TEST(ChartChunkReader, ReadsAChartLargerThanLibpngsDefaultLimit)
{
    const test::TempDir dir;
    const std::string chart = chartChunkData(std::u16string(4'500'000, u'o'));
    test::writeFile(dir / "p.png", test::makeTestPng({ { "bpLt", chart } }));
    EXPECT_EQ(readChartChunk(dir / "p.png"), chart);
}

} // namespace
} // namespace beatplate
