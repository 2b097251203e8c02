#include "support/png_file.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>

namespace beatplate::test {
namespace {

TEST(TestSheet, GivesEverySpriteItsOwnRectangleInItsOwnColour)
{
    const Canvas sheet = makeTestSheet();
    std::map<SpriteId, int> area;
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x) {
            const auto id = spriteAt(sheet.pixel(x, y));
            if (id)
                ++area[*id];
            else
                EXPECT_EQ(sheet.pixel(x, y), 0u) << x << "," << y;
        }
    }
    // Overlapping rectangles would leave a sprite with less area than its rectangle.
    for (SpriteId id = 0; id < kSpriteCount; ++id) {
        const RectF rect = spriteRect(id);
        EXPECT_EQ(area[id], static_cast<int>(rect.width * rect.height)) << "sprite " << id;
        EXPECT_EQ(sheet.pixel(static_cast<int>(rect.x), static_cast<int>(rect.y)),
                  testSpriteColour(id));
    }
}

TEST(TestSheet, ColoursAreOpaqueAndSwappedChannelsMatchNoSprite)
{
    for (SpriteId id = 0; id < kSpriteCount; ++id) {
        const std::uint32_t colour = testSpriteColour(id);
        EXPECT_EQ(colour >> 24, 0xFFu);
        EXPECT_EQ(spriteAt(colour), id);
        const std::uint32_t swapped =
            (colour & 0xFF00FF00u) | (colour & 0xFF) << 16 | ((colour >> 16) & 0xFF);
        EXPECT_EQ(spriteAt(swapped), std::nullopt) << "sprite " << id;
    }
    EXPECT_EQ(spriteAt(0), std::nullopt);
    EXPECT_EQ(spriteAt(testSpriteColour(3) & 0x00FFFFFFu), std::nullopt);
}

TEST(TestSheet, SurvivesTheTripThroughAPngFile)
{
    TempDir dir;
    writeTestSheet(dir / "pic.png");
    const DecodedPng png = readPng(dir / "pic.png");
    EXPECT_EQ(png.chunkTypes(), (std::vector<std::string>{ "IHDR", "IDAT", "IEND" }));
    EXPECT_EQ(toCanvas(png), makeTestSheet());
}

} // namespace
} // namespace beatplate::test
