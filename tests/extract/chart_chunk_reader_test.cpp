#include "base/chart_limits.h"
#include "extract/chart_chunk_reader.h"
#include "extract/extract_error.h"
#include "extract/png_chunk_reader.h"
#include "support/png_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <zlib.h>

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
        { { { kChartChunkName, chart } }, false },
        { { { kChartChunkName, chart, true } }, false },
        { { { "ruSt", "other" }, { kChartChunkName, chart }, { "zzZz", "more", true } }, false },
        { { { kChartChunkName, chart } }, true },
    };
    for (const auto& [chunks, interlaced] : cases) {
        test::writeFile(dir / "p.png", test::makeTestPng(chunks, interlaced));
        EXPECT_EQ(readChartChunk(dir / "p.png"), chart);
    }
}

std::string tinyImageData()
{
    const std::string pixel(5, '\0'); // the filter byte and one transparent black pixel
    std::string compressed(64, '\0');
    uLongf size = compressed.size();
    compress(reinterpret_cast<Bytef*>(compressed.data()), &size,
             reinterpret_cast<const Bytef*>(pixel.data()), pixel.size());
    compressed.resize(size);
    return test::pngChunk("IDAT", compressed);
}

// A 1x1 picture holding one chart chunk.
std::string pictureWith(std::string_view chart)
{
    return test::pngFile({ test::rgbaHeaderChunk(1, 1), test::pngChunk(kChartChunkName, chart),
                           tinyImageData(), test::pngChunk("IEND", "") });
}

TEST(ChartChunkReader, ReadsTheLongestChartWeWriteAndRefusesALongerChunk)
{
    const test::TempDir dir;
    const std::string longest = chartChunkData(std::u16string(kMaxChartLength, u'o') + u"\n");
    ASSERT_EQ(longest.size(), kMaxChartChunkLength);
    test::writeFile(dir / "p.png", pictureWith(longest));
    EXPECT_EQ(readChartChunk(dir / "p.png"), longest);
    const std::string longer = chartChunkData(std::u16string(kMaxChartLength + 1, u'o') + u"\n");
    test::writeFile(dir / "p.png", pictureWith(longer));
    const auto failure = failureOf([&] { (void)readChartChunk(dir / "p.png"); });
    EXPECT_EQ(failure.status, kExtractNoChart);
    EXPECT_EQ(failure.message, "この画像の譜面は壊れています。");
}

TEST(ChartChunkReader, TrustsOnlyWholeChunksAndGivesAChartReadBeforeACut)
{
    using test::pngChunk;
    using test::pngFile;
    const std::string chart = chartChunkData(u"oooo\n");
    const std::string header = test::rgbaHeaderChunk(1, 1);
    const std::string chartChunk = pngChunk(kChartChunkName, chart);
    const std::string image = tinyImageData();
    const std::string end = pngChunk("IEND", "");
    std::string damagedChart = chartChunk;
    damagedChart[9] ^= 0x01;
    const std::string whole = pngFile({ header, chartChunk, image, end });
    const std::string chartLast = pngFile({ header, image, chartChunk, end });
    const std::size_t imageOffset = 8 + header.size() + chartChunk.size();
    const struct {
        const char* name;
        std::string file;
        int status; // 0: the chart comes back
        const char* message;
    } cases[] = {
        { "whole", whole, 0, "" },
        { "bytes after the end", whole + "more", 0, "" },
        { "cut inside the image data", whole.substr(0, imageOffset + 10), 0, "" },
        { "cut before the image data", whole.substr(0, imageOffset), 0, "" },
        { "image data longer than the file",
          pngFile({ header, chartChunk, pngChunk("IDAT", "", kMaxPngChunkLength) }), 0, "" },
        { "cut inside the chart", whole.substr(0, imageOffset - 6), 1, "画像が壊れています。" },
        { "chart longer than the file", pngFile({ header, pngChunk(kChartChunkName, chart, 1000) }),
          1, "画像が壊れています。" },
        { "chart longer than we write",
          pngFile({ header, pngChunk(kChartChunkName, "", kMaxChartChunkLength + 2), image, end }),
          2, "この画像の譜面は壊れています。" },
        { "chunk longer than PNG allows",
          pngFile({ header, pngChunk("ruSt", "", 0x80000000), chartChunk, image, end }), 1,
          "画像が壊れています。" },
        { "damaged chart", pngFile({ header, damagedChart, image, end }), 1,
          "画像が壊れています。" },
        { "chart after a cut image", chartLast.substr(0, 8 + header.size() + 10), 1,
          "画像が壊れています。" },
        { "no header first", pngFile({ chartChunk, header, image, end }), 1,
          "画像が壊れています。" },
        { "zero width", pngFile({ test::rgbaHeaderChunk(0, 1), chartChunk, image, end }), 1,
          "画像が壊れています。" },
        { "bit depth 3",
          pngFile({ pngChunk("IHDR", std::string("\0\0\0\1\0\0\0\1\3\6\0\0\0", 13)), chartChunk,
                    image, end }),
          1, "画像が壊れています。" },
        { "chunk type not letters", pngFile({ header, pngChunk("bp1t", chart), image, end }), 1,
          "画像が壊れています。" },
        { "end without image data", pngFile({ header, chartChunk, end }), 1,
          "画像が壊れています。" },
    };
    const test::TempDir dir;
    for (const auto& [name, file, status, message] : cases) {
        SCOPED_TRACE(name);
        test::writeFile(dir / "p.png", file);
        std::string read;
        const auto failure = failureOf([&] { read = readChartChunk(dir / "p.png"); });
        EXPECT_EQ(failure.status, status);
        EXPECT_EQ(failure.message, message);
        if (status == 0) {
            EXPECT_EQ(read, chart);
        }
    }
}

TEST(ChartChunkReader, SkipsADecompressionBombWithoutInflatingIt)
{
    const test::TempDir dir;
    const std::string chart = chartChunkData(u"#title bomb\noooo\n");
    // 4 GiB of rows of 4096 pixels, each with its filter byte, in 4 MB of image data.
    constexpr std::uint32_t kWidth = 4096;
    constexpr std::uint32_t kHeight = 262'144;
    const std::string bomb = test::zeroBomb(std::uint64_t{ kWidth * 4 + 1 } * kHeight);
    std::vector<std::string> chunks{ test::rgbaHeaderChunk(kWidth, kHeight),
                                     test::pngChunk(kChartChunkName, chart) };
    for (std::size_t offset = 0; offset < bomb.size(); offset += 65536)
        chunks.push_back(test::pngChunk("IDAT", std::string_view(bomb).substr(offset, 65536)));
    chunks.push_back(test::pngChunk("IEND", ""));
    test::writeFile(dir / "bomb.png", test::pngFile(chunks));
    const std::clock_t start = std::clock();
    EXPECT_EQ(readChartChunk(dir / "bomb.png"), chart);
    // Inflating the rows takes seconds of processor time; reading the file, milliseconds. The
    // processor time is the reader's own, which a busy machine does not stretch as it does the
    // time by the clock (but Windows' clock() counts by the clock).
    EXPECT_LT(std::clock() - start, 2 * CLOCKS_PER_SEC);
}

} // namespace
} // namespace beatplate
