#include "base/chart_limits.h"
#include "base/text_codec.h"
#include "output/libpng_reference.h"
#include "output/png_writer.h"
#include "support/png_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <optional>
#include <random>
#include <stop_token>
#include <sys/resource.h>
#include <variant>
#include <zlib.h>

namespace beatplate {
namespace {

using test::DecodedPng;
using test::decodePng;

// The kind of error that writing threw, or none.
std::optional<OutputErrorKind> failureOf(const std::function<void()>& write)
{
    try {
        write();
    } catch (const test::PngWriteFailure& failure) {
        return failure.error.kind;
    }
    return std::nullopt;
}

Canvas makeRandomCanvas(int width, int height, std::uint32_t seed)
{
    std::mt19937 random(seed);
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (auto& pixel : canvas.row(y))
            pixel = static_cast<std::uint32_t>(random());
    }
    return canvas;
}

std::vector<std::uint8_t> bigEndianBytes(std::uint32_t value)
{
    return { static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
             static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value) };
}

TEST(PngWriter, WritesSignatureIhdrSourceChunkImageDataAndEndOnly)
{
    const DecodedPng png = decodePng(test::encodeChart(makeRandomCanvas(5, 3, 1), u"o\n"));
    const auto types = png.chunkTypes();
    ASSERT_GE(types.size(), 4u);
    EXPECT_EQ(types[0], "IHDR");
    EXPECT_EQ(types[1], "bpLt");
    EXPECT_EQ(types.back(), "IEND");
    for (std::size_t i = 2; i + 1 < types.size(); ++i)
        EXPECT_EQ(types[i], "IDAT") << "chunk " << i;
    EXPECT_TRUE(png.chunks.back().data.empty());

    std::vector<std::uint8_t> expectedHeader = bigEndianBytes(5);
    const auto height = bigEndianBytes(3);
    expectedHeader.insert(expectedHeader.end(), height.begin(), height.end());
    expectedHeader.insert(expectedHeader.end(), { 8, 6, 0, 0, 0 });
    EXPECT_EQ(png.chunks[0].data, expectedHeader);
}

TEST(PngWriter, StoresTheSourceTextAsUtf16LittleEndianWithATerminatingZero)
{
    struct Case {
        std::u16string text;
        std::vector<std::uint8_t> expected;
    };
    const std::vector<Case> cases{
        { u"", { 0, 0 } },
        { u"\n", { 0x0A, 0, 0, 0 } },
        { u"\u3075", { 0x75, 0x30, 0, 0 } },
        { u"#title \u3075\n",
          { '#', 0, 't', 0, 'i', 0, 't', 0, 'l', 0, 'e', 0, ' ', 0, 0x75, 0x30, 0x0A, 0, 0, 0 } },
        { u"\uFF76\u00A5", { 0x76, 0xFF, 0xA5, 0x00, 0, 0 } },
        // Beyond the 16-bit range: its surrogate pair as it stands.
        { u"\U0001F600", { 0x3D, 0xD8, 0x00, 0xDE, 0, 0 } },
    };
    const Canvas canvas(1, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.expected));
        const DecodedPng png = decodePng(test::encodeChart(canvas, c.text));
        const auto* chunk = png.findChunk("bpLt");
        ASSERT_NE(chunk, nullptr);
        EXPECT_EQ(chunk->data, c.expected);
    }
}

TEST(PngWriter, SwapsRedAndBlueAndKeepsTheFourthByteAsAlpha)
{
    Canvas canvas(4, 1);
    const auto row = canvas.row(0);
    row[0] = 0xFF302010; // bytes 0x10, 0x20, 0x30, 0xFF: blue, green, red, fourth
    row[1] = 0x00000000;
    row[2] = 0x00112233; // transparent, yet its colour is kept
    row[3] = 0x80FF0001;
    const DecodedPng png = decodePng(test::encodeChart(canvas, u""));
    EXPECT_EQ(png.pixel(0, 0), 0xFF302010u); // red 0x30, green 0x20, blue 0x10, alpha 0xFF
    EXPECT_EQ(png.pixel(1, 0), 0x00000000u);
    EXPECT_EQ(png.pixel(2, 0), 0x00112233u);
    EXPECT_EQ(png.pixel(3, 0), 0x80FF0001u);
    // The same from the raw samples, without libpng's reader: no filter, so the bytes stand as
    // they are after each row's filter-type byte.
    const DecodedPng unfiltered = decodePng(test::encodeChart(canvas, u""));
    std::vector<std::uint8_t> compressed;
    for (const auto& chunk : unfiltered.chunks) {
        if (chunk.type == "IDAT")
            compressed.insert(compressed.end(), chunk.data.begin(), chunk.data.end());
    }
    std::vector<std::uint8_t> raw(1 + 4 * 4);
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, compressed.data(), compressed.size()), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    EXPECT_EQ(raw,
              (std::vector<std::uint8_t>{ 0, 0x30, 0x20, 0x10, 0xFF, 0, 0, 0, 0, 0x11, 0x22, 0x33,
                                          0x00, 0xFF, 0x00, 0x01, 0x80 }));
}

TEST(PngWriter, RoundTripsRandomCanvasesOfAwkwardSizes)
{
    const std::uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::vector<std::pair<int, int>> sizes{ { 1, 1 },   { 1, 37 },  { 37, 1 }, { 816, 3 },
                                                  { 3, 816 }, { 255, 2 }, { 257, 5 } };
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const Canvas canvas = makeRandomCanvas(width, height, seed);
        EXPECT_EQ(test::toCanvas(decodePng(test::encodeChart(canvas, u"x"))), canvas);
    }
}

TEST(PngWriter, EveryOptionGivesTheSamePixelsAndSourceChunk)
{
    const Canvas canvas = makeRandomCanvas(64, 16, 7);
    const std::u16string text = u"#title \u3075\n";
    const DecodedPng reference = decodePng(test::encodeChart(canvas, text));
    const std::vector<PngWriteOptions> options{
        { .compressionLevel = 0 },
        { .compressionLevel = 9 },
        { .strategy = Z_RLE },
        { .compressionLevel = 1, .strategy = Z_FILTERED },
        { .compressionLevel = 9, .strategy = Z_RLE, .threads = 2, .bandRows = 3 },
    };
    for (std::size_t i = 0; i < options.size(); ++i) {
        SCOPED_TRACE("options " + std::to_string(i));
        const DecodedPng png = decodePng(test::encodeChart(canvas, text, options[i]));
        EXPECT_EQ(png.pixels, reference.pixels);
        EXPECT_EQ(png.chunks[1], reference.chunks[1]);
    }
    // The reference path, with each of libpng's row filters.
    for (const int filters :
         { PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_PAETH, PNG_ALL_FILTERS }) {
        SCOPED_TRACE("libpng filters " + std::to_string(filters));
        const DecodedPng png =
            decodePng(encodeWithLibpng(canvas, encodeChartChunk(text), {}, filters));
        EXPECT_EQ(png.pixels, reference.pixels);
        EXPECT_EQ(png.chunks[1], reference.chunks[1]);
    }
    Canvas stripes(64, 16);
    for (int y = 0; y < stripes.height(); ++y)
        stripes.row(y)[static_cast<std::size_t>(y)] = 0xFF0000FFu;
    const auto stored = test::encodeChart(stripes, text, { .compressionLevel = 0 });
    const auto best = test::encodeChart(stripes, text, { .compressionLevel = 9 });
    EXPECT_GT(stored.size(), best.size()); // the level does reach zlib
}

TEST(PngWriter, RefusesAnEmptyCanvasWithoutTouchingTheOutput)
{
    test::TempDir dir;
    EXPECT_EQ(failureOf([] { (void)test::encodeChart(Canvas(), u""); }),
              OutputErrorKind::EmptyPicture);
    EXPECT_EQ(failureOf([&] { test::writeChart(dir / "a.png", Canvas(), u""); }),
              OutputErrorKind::EmptyPicture);
    EXPECT_TRUE(test::listDirectory(dir.path()).empty());
}

TEST(PngWriter, RefusesACanvasTallerThanTheHeightLimit)
{
    const PngWriteOptions options{ .maxHeight = 100 };
    EXPECT_NO_THROW((void)test::encodeChart(Canvas(2, 100), u"", options));
    EXPECT_EQ(failureOf([&] { (void)test::encodeChart(Canvas(2, 101), u"", options); }),
              OutputErrorKind::TooTall);
    EXPECT_EQ(PngWriteOptions{}.maxHeight, PNG_USER_HEIGHT_MAX);
}

TEST(PngWriter, WritesTheFileItWouldEncodeAndPassesPngcheck)
{
    test::TempDir dir;
    const Canvas canvas = makeRandomCanvas(816, 40, 3);
    test::writeChart(dir / "chart.png", canvas, u"o\n");
    const auto bytes = test::readFile(dir / "chart.png");
    const auto encoded = test::encodeChart(canvas, u"o\n");
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), encoded);
    EXPECT_EQ(test::listDirectory(dir.path()), std::vector<std::string>{ "chart.png" });
    const auto check = test::runPngcheck(dir / "chart.png");
    EXPECT_EQ(check.status, 0) << check.output;
}

TEST(PngWriter, ReplacesAnExistingPictureWhole)
{
    test::TempDir dir;
    test::writeFile(dir / "chart.png", std::string(100000, 'x'));
    using std::filesystem::perms;
    const auto permissions = perms::owner_read | perms::owner_write | perms::group_read;
    std::filesystem::permissions(dir / "chart.png", permissions);
    const Canvas canvas(3, 3);
    test::writeChart(dir / "chart.png", canvas, u"");
    const auto bytes = test::readFile(dir / "chart.png");
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
              test::encodeChart(canvas, u""));
    EXPECT_EQ(std::filesystem::status(dir / "chart.png").permissions(), permissions);
    EXPECT_EQ(test::listDirectory(dir.path()), std::vector<std::string>{ "chart.png" });
}

TEST(PngWriter, ReportsAnOutputThatCannotBeOpened)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "taken.png");
    const std::vector<std::filesystem::path> outputs{ dir / "missing" / "a.png",
                                                      dir / "taken.png" };
    for (const auto& output : outputs) {
        SCOPED_TRACE(output.string());
        const auto opened = openOutputFile(output);
        const auto* error = std::get_if<OutputError>(&opened);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->kind, OutputErrorKind::Unopenable);
        EXPECT_NE(error->errorNumber, 0);
        EXPECT_EQ(error->destination, OutputDestination::File);
        EXPECT_EQ(error->file, output);
    }
    EXPECT_EQ(test::listDirectory(dir.path()), std::vector<std::string>{ "taken.png" });
    EXPECT_TRUE(test::listDirectory(dir / "taken.png").empty());
}

TEST(PngWriter, AStoppedEncodingEndsBeforeItsNextBandAndKeepsTheEarlierPicture)
{
    test::TempDir dir;
    test::writeFile(dir / "chart.png", "earlier picture");
    std::stop_source before;
    before.request_stop();
    const PngWriteOptions stoppedBefore{ .stop = before.get_token() };
    EXPECT_EQ(failureOf([&] { (void)test::encodeChart(Canvas(8, 8), u"o\n", stoppedBefore); }),
              OutputErrorKind::Stopped);
    EXPECT_EQ(
        failureOf([&] { test::writeChart(dir / "chart.png", Canvas(8, 8), u"", stoppedBefore); }),
        OutputErrorKind::Stopped);
    EXPECT_EQ(test::readFile(dir / "chart.png"), "earlier picture");
    EXPECT_EQ(test::listDirectory(dir.path()), std::vector<std::string>{ "chart.png" });

    // The first band drawn asks for the stop: the bands not yet taken are never drawn.
    std::stop_source whileDrawing;
    std::atomic<int> drawn = 0;
    const BandedPicture picture{ 8, 256,
                                 [&](int, Canvas&) {
                                     ++drawn;
                                     whileDrawing.request_stop();
                                 },
                                 4 };
    const PngWriteOptions stoppedWhileDrawing{ .threads = 2, .stop = whileDrawing.get_token() };
    EXPECT_EQ(failureOf([&] { (void)test::encodeChart(picture, u"o\n", stoppedWhileDrawing); }),
              OutputErrorKind::Stopped);
    EXPECT_GE(drawn.load(), 1);
    EXPECT_LT(drawn.load(), 64);
}

// Limits the size of files this process may write, ignoring the signal that would end it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
        : m_previousHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int);
};

TEST(PngWriter, AFailedWriteKeepsTheEarlierPictureAndLeavesNoFileBehind)
{
    test::TempDir dir;
    test::writeFile(dir / "chart.png", "earlier picture");
    const Canvas canvas = makeRandomCanvas(816, 100, 5); // noise: some 300 kB however compressed
    {
        const FileSizeLimit limit(16384);
        EXPECT_EQ(failureOf([&] { test::writeChart(dir / "chart.png", canvas, u""); }),
                  OutputErrorKind::WriteFailed);
    }
    EXPECT_EQ(test::readFile(dir / "chart.png"), "earlier picture");
    EXPECT_EQ(test::listDirectory(dir.path()), std::vector<std::string>{ "chart.png" });
}

} // namespace
} // namespace beatplate
