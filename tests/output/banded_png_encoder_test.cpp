#include "base/text_codec.h"
#include "output/banded_png_encoder.h"
#include "output/libpng_reference.h"
#include "output/png_writer.h"
#include "support/png_file.h"
#include "support/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <zlib.h>

namespace beatplate {
namespace {

using test::decodePng;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

// Noise rows that come back every few rows, so that parts refer across band boundaries into
// their dictionaries, as the flat art of a score does.
Canvas makeRepeatingCanvas(int width, int height, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::vector<std::uint32_t>> patterns(5, std::vector<std::uint32_t>(width));
    for (auto& pattern : patterns)
        std::generate(pattern.begin(), pattern.end(), [&] { return random(); });
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        const auto& pattern = patterns[static_cast<std::size_t>(y * 3 + y / 7) % patterns.size()];
        std::copy(pattern.begin(), pattern.end(), canvas.row(y).begin());
        canvas.row(y)[static_cast<std::size_t>(y % width)] = random();
    }
    return canvas;
}

// The zlib stream of the IDAT chunks inflated whole; uncompress checks the Adler-32 too.
std::vector<std::uint8_t> inflateImageData(const test::DecodedPng& png, std::size_t rawBytes)
{
    std::vector<std::uint8_t> compressed;
    for (const auto& chunk : png.chunks) {
        if (chunk.type == "IDAT")
            compressed.insert(compressed.end(), chunk.data.begin(), chunk.data.end());
    }
    std::vector<std::uint8_t> raw(rawBytes + 1);
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, compressed.data(), compressed.size()), Z_OK);
    raw.resize(size);
    return raw;
}

std::vector<std::uint8_t> rawRowsOf(const Canvas& canvas)
{
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < canvas.height(); ++y) {
        raw.push_back(0);
        for (const std::uint32_t pixel : canvas.row(y)) {
            for (const int shift : { 16, 8, 0, 24 })
                raw.push_back(static_cast<std::uint8_t>(pixel >> shift));
        }
    }
    return raw;
}

TEST(BandedPngEncoder, DecodesToTheSourceRowsOnAnyNumberOfThreads)
{
    const std::uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    struct Case {
        int width;
        int height;
        int bandRows;
    };
    // Around a band's height, several bands, a last band of one row; 9 pixels make rows
    // shorter than a dictionary, 2,100 longer than one.
    const std::vector<Case> cases{
        { 9, 1, 8 },      { 9, 7, 8 },      { 9, 8, 8 },      { 9, 9, 8 },
        { 9, 40, 8 },     { 9, 41, 8 },     { 2100, 1, 4 },   { 2100, 9, 4 },
        { 37, 255, 256 }, { 37, 256, 256 }, { 37, 257, 256 }, { 816, 3 * 256 + 1, 256 },
    };
    for (const auto& [width, height, bandRows] : cases) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " in bands of "
                     + std::to_string(bandRows));
        const Canvas canvas = makeRepeatingCanvas(width, height, seed);
        const auto reference = encodeWithLibpng(canvas, encodeChartChunk(u"o\n"));
        EXPECT_EQ(test::toCanvas(decodePng(reference)), canvas);
        std::vector<std::uint8_t> alone;
        for (const unsigned threads : { 1u, 2u, 3u }) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            const PngWriteOptions options{ .threads = threads, .bandRows = bandRows };
            const auto bytes = test::encodeChart(bandsOf(canvas), u"o\n", options);
            if (threads == 1)
                alone = bytes;
            EXPECT_EQ(bytes, alone);
            const auto png = decodePng(bytes);
            EXPECT_EQ(test::toCanvas(png), canvas);
            const auto raw = rawRowsOf(canvas);
            EXPECT_EQ(inflateImageData(png, raw.size()), raw);
        }
    }
}

TEST(BandedPngEncoder, CutsBandsByRowsAndKeepsWideBandsSmall)
{
    EXPECT_EQ(BandedPngEncoder(816, 1000).bandRows(), kPngBandRows);
    EXPECT_EQ(BandedPngEncoder(816, 1000).bandCount(), 4);
    EXPECT_EQ(BandedPngEncoder(816, 1000, { .bandRows = 1000 }).bandCount(), 1);
    EXPECT_EQ(BandedPngEncoder(816, 1000, { .threads = 2 }).threads(), 2u);
    EXPECT_EQ(BandedPngEncoder(816, 100, { .threads = 2 }).threads(), 1u); // one band only
    // A band of the widest rows PNG readers take holds a few rows, not a gigabyte.
    EXPECT_EQ(BandedPngEncoder(1'000'000, 1000).bandRows(), 4);
}

TEST(BandedPngEncoder, AsksForEveryBandOnceAndGivesItCleared)
{
    for (const unsigned threads : { 1u, 3u }) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        std::mutex mutex;
        std::map<int, int> bands; // first row -> rows
        bool cleared = true;
        const BandedPicture picture{ 7, 4 * kPngBandRows + 1, [&](int firstRow, Canvas& band) {
                                        const bool zero = std::all_of(
                                            band.pixels(), band.pixels() + band.byteSize() / 4,
                                            [](std::uint32_t pixel) { return pixel == 0; });
                                        std::fill_n(band.pixels(), band.byteSize() / 4, ~0u);
                                        const std::lock_guard lock(mutex);
                                        cleared = cleared && zero;
                                        EXPECT_TRUE(bands.emplace(firstRow, band.height()).second);
                                    } };
        (void)test::encodeChart(picture, u"", { .threads = threads });
        EXPECT_TRUE(cleared);
        const std::map<int, int> expected{ { 0, kPngBandRows },
                                           { kPngBandRows, kPngBandRows },
                                           { 2 * kPngBandRows, kPngBandRows },
                                           { 3 * kPngBandRows, kPngBandRows },
                                           { 4 * kPngBandRows, 1 } };
        EXPECT_EQ(bands, expected);
    }
}

TEST(BandedPngEncoder, HeadsTheStreamAsZlibWouldForEachLevelAndStrategy)
{
    const Canvas canvas = makeRepeatingCanvas(16, 600, 2);
    const auto raw = rawRowsOf(canvas);
    const std::vector<std::pair<int, int>> cases{
        { -1, Z_DEFAULT_STRATEGY }, { 0, Z_DEFAULT_STRATEGY }, { 1, Z_DEFAULT_STRATEGY },
        { 5, Z_DEFAULT_STRATEGY },  { 6, Z_DEFAULT_STRATEGY }, { 7, Z_FILTERED },
        { 9, Z_DEFAULT_STRATEGY },  { 9, Z_HUFFMAN_ONLY },     { 6, Z_RLE },
    };
    for (const auto& [level, strategy] : cases) {
        SCOPED_TRACE("level " + std::to_string(level) + ", strategy " + std::to_string(strategy));
        z_stream stream{};
        ASSERT_EQ(deflateInit2(&stream, level, Z_DEFLATED, 15, 8, strategy), Z_OK);
        std::vector<std::uint8_t> zlib(deflateBound(&stream, raw.size()));
        stream.next_in = const_cast<Bytef*>(raw.data());
        stream.avail_in = static_cast<uInt>(raw.size());
        stream.next_out = zlib.data();
        stream.avail_out = static_cast<uInt>(zlib.size());
        EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
        deflateEnd(&stream);
        const PngWriteOptions options{ .compressionLevel = level, .strategy = strategy };
        const auto png = decodePng(test::encodeChart(bandsOf(canvas), u"", options));
        const auto* data = png.findChunk("IDAT");
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::vector(data->data.begin(), data->data.begin() + 2),
                  std::vector(zlib.begin(), zlib.begin() + 2));
        EXPECT_EQ(inflateImageData(png, raw.size()), raw);
    }
}

TEST(BandedPngEncoder, AFailingSourceLeavesNothingBehindAndReportsItsError)
{
    for (const unsigned threads : { 1u, 2u }) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        test::TempDir dir;
        test::writeFile(dir / "chart.png", "earlier picture");
        std::atomic<int> calls = 0;
        const BandedPicture picture{ 816, 20 * kPngBandRows, [&](int firstRow, Canvas&) {
                                        ++calls;
                                        if (firstRow == 5 * kPngBandRows)
                                            throw std::runtime_error("no more drawing");
                                    } };
        {
            auto file = openOutputFile(dir / "chart.png");
            PngSink sink(std::get<TemporaryFile>(file));
            EXPECT_THAT(
                [&] {
                    (void)writeChartPng(picture, makeSourceChunk(u""), sink,
                                        { .threads = threads });
                },
                ThrowsMessage<std::runtime_error>(StrEq("no more drawing")));
        }
        // The bands after the failure were never asked for, bar the few already in flight.
        EXPECT_LT(calls.load(), 10);
        EXPECT_EQ(test::readFile(dir / "chart.png"), "earlier picture");
        EXPECT_EQ(test::listDirectory(dir.path()), std::vector<std::string>{ "chart.png" });
    }
}

TEST(BandedPngEncoder, StopsAtTheFirstFailedWrite)
{
    // Noise, so that the picture takes several IDAT chunks however compressed.
    Canvas canvas(816, 640);
    std::mt19937 random(1);
    std::generate_n(canvas.pixels(), canvas.byteSize() / 4, [&] { return random(); });
    for (const unsigned threads : { 1u, 2u }) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        std::size_t writes = 0;
        const BandedPngEncoder encoder(canvas.width(), canvas.height(), { .threads = threads });
        // The signature, IHDR's three writes, bpLt's two, then the second IDAT's data.
        const bool written =
            encoder.encode(bandsOf(canvas).rows, {}, [&](auto) { return ++writes < 11; });
        EXPECT_FALSE(written);
        EXPECT_EQ(writes, 11u);
    }
}

} // namespace
} // namespace beatplate
