#include "program_icon.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

namespace beatplate {
namespace {

std::uint32_t littleEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

// Read back as Windows reads it: each directory entry's size, and its bitmap's pixels bottom up.
TEST(ProgramIcon, HoldsEverySizeAsWindowsReadsItAndTheAssetIsCurrent)
{
    std::vector<Canvas> pictures;
    for (const int size : kProgramIconSizes)
        pictures.push_back(drawProgramIcon(size));
    const auto bytes = iconFile(pictures);
    ASSERT_EQ(littleEndian(bytes, 2, 2), 1u);
    ASSERT_EQ(littleEndian(bytes, 4, 2), pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Canvas& picture = pictures[i];
        const int size = picture.width();
        SCOPED_TRACE(size);
        const std::size_t entry = 6 + 16 * i;
        EXPECT_EQ(bytes[entry] == 0 ? 256 : bytes[entry], size);
        const std::size_t offset = littleEndian(bytes, entry + 12, 4);
        ASSERT_LE(offset + littleEndian(bytes, entry + 8, 4), bytes.size());
        EXPECT_EQ(littleEndian(bytes, offset + 8, 4), 2u * static_cast<unsigned>(size));
        // The pixel a quarter down and a third across, found in its bottom-up row.
        const int x = size / 3;
        const int y = size / 4;
        const std::size_t at =
            offset + 40 + static_cast<std::size_t>((size - 1 - y) * size + x) * 4;
        EXPECT_EQ(littleEndian(bytes, at, 4), picture.pixel(x, y));
        EXPECT_EQ(picture.pixel(0, 0) >> 24, 0u) << "the corners are clear";
        EXPECT_EQ(picture.pixel(size / 2, size / 2) >> 24, 255u);
    }
    EXPECT_EQ(test::readFile(BEATPLATE_SOURCE_DIR "/assets/beatplate.ico"),
              std::string(bytes.begin(), bytes.end()))
        << "assets/beatplate.ico is stale: build the target update_program_icon";
}

} // namespace
} // namespace beatplate
