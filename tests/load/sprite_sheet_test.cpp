#include "load/sprite_sheet.h"
#include "support/png_file.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <png.h>

#include <random>

namespace beatplate {
namespace {

using test::TestPngSpec;

Canvas canvasOf(int width, int height, const std::vector<std::uint32_t>& pixels)
{
    Canvas canvas(width, height);
    std::copy(pixels.begin(), pixels.end(), canvas.pixels());
    return canvas;
}

std::optional<Canvas> loadBytes(const std::vector<std::uint8_t>& bytes)
{
    test::TempDir dir;
    test::writeBytes(dir / "pic.png", bytes);
    return loadSpriteSheet(dir / "pic.png");
}

struct FormatCase {
    const char* name;
    TestPngSpec spec;
    Canvas expected;
};

std::vector<FormatCase> formatCases()
{
    std::vector<FormatCase> cases;
    cases.push_back({ "RGBA 8",
                      { .width = 2,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_RGB_ALPHA,
                        .bitDepth = 8,
                        .rows = { { 0x30, 0x20, 0x10, 0xFF, 0x11, 0x22, 0x33, 0x00 } } },
                      canvasOf(2, 1, { 0xFF302010, 0x00112233 }) });
    cases.push_back({ "RGB 8",
                      { .width = 2,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_RGB,
                        .bitDepth = 8,
                        .rows = { { 0x30, 0x20, 0x10, 0x00, 0x00, 0x00 } } },
                      canvasOf(2, 1, { 0xFF302010, 0xFF000000 }) });
    cases.push_back({ "grey 8",
                      { .width = 2,
                        .height = 2,
                        .colourType = PNG_COLOR_TYPE_GRAY,
                        .bitDepth = 8,
                        .rows = { { 0x00, 0x7F }, { 0xFF, 0x01 } } },
                      canvasOf(2, 2, { 0xFF000000, 0xFF7F7F7F, 0xFFFFFFFF, 0xFF010101 }) });
    cases.push_back({ "grey and alpha 8",
                      { .width = 1,
                        .height = 2,
                        .colourType = PNG_COLOR_TYPE_GRAY_ALPHA,
                        .bitDepth = 8,
                        .rows = { { 0x40, 0x80 }, { 0xFF, 0x00 } } },
                      canvasOf(1, 2, { 0x80404040, 0x00FFFFFF }) });
    cases.push_back({ "grey 1",
                      { .width = 3,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_GRAY,
                        .bitDepth = 1,
                        .rows = { { 0b10100000 } } },
                      canvasOf(3, 1, { 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF }) });
    cases.push_back({ "grey 4",
                      { .width = 2,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_GRAY,
                        .bitDepth = 4,
                        .rows = { { 0x3F } } },
                      canvasOf(2, 1, { 0xFF333333, 0xFFFFFFFF }) });
    cases.push_back({ "grey 8 with a transparent grey",
                      { .width = 2,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_GRAY,
                        .bitDepth = 8,
                        .rows = { { 0x55, 0x56 } },
                        .transparentGrey = 0x55 },
                      canvasOf(2, 1, { 0x00555555, 0xFF565656 }) });
    cases.push_back({ "palette 8 with tRNS",
                      { .width = 3,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_PALETTE,
                        .bitDepth = 8,
                        .rows = { { 2, 0, 1 } },
                        .palette = { 0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0, 1, 2, 3 },
                        .paletteAlpha = { 0x00, 0x80 } },
                      canvasOf(3, 1, { 0xFF010203, 0x00102030, 0x80A0B0C0 }) });
    cases.push_back({ "palette 2",
                      { .width = 4,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_PALETTE,
                        .bitDepth = 2,
                        .rows = { { 0b00011011 } },
                        .palette = { 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF } },
                      canvasOf(4, 1, { 0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF }) });
    // Samples k * 257 scale to exactly k.
    cases.push_back({ "RGBA 16",
                      { .width = 1,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_RGB_ALPHA,
                        .bitDepth = 16,
                        .rows = { { 0x30, 0x30, 0x20, 0x20, 0x10, 0x10, 0x80, 0x80 } } },
                      canvasOf(1, 1, { 0x80302010 }) });
    cases.push_back({ "RGB 16",
                      { .width = 1,
                        .height = 1,
                        .colourType = PNG_COLOR_TYPE_RGB,
                        .bitDepth = 16,
                        .rows = { { 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x01 } } },
                      canvasOf(1, 1, { 0xFFFF0001 }) });
    return cases;
}

TEST(SpriteSheet, LoadsEveryPngFormatAsStraightAlphaPixels)
{
    for (const auto& c : formatCases()) {
        SCOPED_TRACE(c.name);
        const auto sheet = loadBytes(test::encodeTestPng(c.spec));
        ASSERT_TRUE(sheet.has_value());
        EXPECT_EQ(*sheet, c.expected);
    }
}

TEST(SpriteSheet, LoadsAnInterlacedSheetLikeItsPlainTwin)
{
    const std::uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (const auto& [width, height] :
         std::vector<std::pair<int, int>>{ { 1, 1 }, { 9, 11 }, { 17, 3 } }) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        TestPngSpec spec{ .width = width, .height = height };
        Canvas expected(width, height);
        for (int y = 0; y < height; ++y) {
            std::vector<std::uint8_t> row;
            for (auto& pixel : expected.row(y)) {
                pixel = static_cast<std::uint32_t>(random());
                row.insert(
                    row.end(),
                    { static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                      static_cast<std::uint8_t>(pixel), static_cast<std::uint8_t>(pixel >> 24) });
            }
            spec.rows.push_back(row);
        }
        spec.interlaced = true;
        const auto sheet = loadBytes(test::encodeTestPng(spec));
        ASSERT_TRUE(sheet.has_value());
        EXPECT_EQ(*sheet, expected);
    }
}

TEST(SpriteSheet, LoadsTheTestSheetPixelForPixel)
{
    test::TempDir dir;
    test::writeTestSheet(dir / "pic.png");
    const auto sheet = loadSpriteSheet(dir / "pic.png");
    ASSERT_TRUE(sheet.has_value());
    EXPECT_EQ(*sheet, test::makeTestSheet());
}

TEST(SpriteSheet, IsEmptyForAnythingThatIsNoReadablePng)
{
    const auto good = test::encodeCanvasPng(test::makeTestSheet());
    auto badCrc = good;
    badCrc[8 + 8 + 13] ^= 0x01; // a byte of the IHDR CRC
    auto badImageData = good;
    badImageData[badImageData.size() - 20] ^= 0xFF; // inside the last IDAT
    const std::vector<std::pair<const char*, std::string>> cases{
        { "empty", "" },
        { "text", "#title not a picture\n" },
        { "signature only", std::string(reinterpret_cast<const char*>(good.data()), 8) },
        { "cut in the header", std::string(reinterpret_cast<const char*>(good.data()), 20) },
        { "cut in the image data",
          std::string(reinterpret_cast<const char*>(good.data()), good.size() / 2) },
        { "header CRC broken", std::string(badCrc.begin(), badCrc.end()) },
        { "image data broken", std::string(badImageData.begin(), badImageData.end()) },
    };
    test::TempDir dir;
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        test::writeFile(dir / "pic.png", bytes);
        EXPECT_EQ(loadSpriteSheet(dir / "pic.png"), std::nullopt);
    }
    EXPECT_EQ(loadSpriteSheet(dir / "missing.png"), std::nullopt);
    std::filesystem::create_directory(dir / "folder.png");
    EXPECT_EQ(loadSpriteSheet(dir / "folder.png"), std::nullopt);
}

TEST(SpriteSheet, RefusesASheetBeyondTheSizeLimit)
{
    // One row of a huge palette image costs little to encode and would cost gigabytes to hold.
    TestPngSpec spec{ .width = kSpriteSheetMaxSide + 1,
                      .height = 1,
                      .colourType = PNG_COLOR_TYPE_PALETTE,
                      .bitDepth = 1,
                      .rows = { std::vector<std::uint8_t>((kSpriteSheetMaxSide + 8) / 8) },
                      .palette = { 0, 0, 0 } };
    EXPECT_EQ(loadBytes(test::encodeTestPng(spec)), std::nullopt);
    spec.width = kSpriteSheetMaxSide;
    const auto atTheLimit = loadBytes(test::encodeTestPng(spec));
    ASSERT_TRUE(atTheLimit.has_value());
    EXPECT_EQ(atTheLimit->width(), kSpriteSheetMaxSide);
}

} // namespace
} // namespace beatplate
