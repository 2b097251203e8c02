#include "rgba_png.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace beatplate {
namespace {

Canvas randomCanvas(int width, int height, std::mt19937& random)
{
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (auto& pixel : canvas.row(y))
            pixel = static_cast<std::uint32_t>(random());
    }
    return canvas;
}

TEST(RgbaPng, RoundTripsEveryChannelAtAwkwardSizes)
{
    const test::TempDir directory;
    const unsigned seed = std::random_device()();
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    for (const auto& [width, height] : { std::pair{ 1, 1 }, { 1, 9 }, { 13, 1 }, { 126, 114 } }) {
        const Canvas canvas = randomCanvas(width, height, random);
        const auto path = directory / "image.png";
        writeRgbaPng(path, canvas);
        EXPECT_EQ(readRgbaPng(path), canvas) << width << " x " << height;
    }
}

TEST(RgbaPng, ReplacesAnExistingFileAndLeavesNoTemporaryBehind)
{
    const test::TempDir directory;
    const auto path = directory / "pic.png";
    test::writeFile(path, "old contents");
    std::mt19937 random(7);
    const Canvas canvas = randomCanvas(5, 3, random);
    writeRgbaPng(path, canvas);
    EXPECT_EQ(readRgbaPng(path), canvas);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(RgbaPng, WritingIntoAMissingDirectoryFailsAndCreatesNothing)
{
    const test::TempDir directory;
    std::mt19937 random(7);
    EXPECT_THROW(writeRgbaPng(directory / "missing" / "pic.png", randomCanvas(2, 2, random)),
                 RgbaPngError);
    EXPECT_TRUE(std::filesystem::is_empty(directory.path()));
}

TEST(RgbaPng, RejectsFilesThatAreNotWholePngs)
{
    const test::TempDir directory;
    std::mt19937 random(11);
    writeRgbaPng(directory / "whole.png", randomCanvas(40, 40, random));
    const std::string whole = test::readFile(directory / "whole.png");
    const std::pair<const char*, std::string> cases[] = {
        { "empty", "" },
        { "text", "this is not a picture" },
        { "signature only", whole.substr(0, 8) },
        { "cut in the header", whole.substr(0, 20) },
        { "cut in the image data", whole.substr(0, whole.size() / 2) },
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        test::writeFile(directory / "broken.png", bytes);
        EXPECT_THROW((void)readRgbaPng(directory / "broken.png"), RgbaPngError);
    }
    EXPECT_THROW((void)readRgbaPng(directory / "absent.png"), RgbaPngError);
}

} // namespace
} // namespace beatplate
