#include "support/test_sheet.h"

#include "support/png_file.h"

namespace beatplate::test {

std::optional<SpriteId> spriteAt(std::uint32_t colour)
{
    const auto id = static_cast<SpriteId>(((colour >> 16) & 0xFF) - 1);
    if (id < 0 || id >= kSpriteCount || testSpriteColour(id) != colour)
        return std::nullopt;
    return id;
}

Canvas makeTestSheet()
{
    Canvas sheet(kTestSheetWidth, kTestSheetHeight);
    for (SpriteId id = 0; id < kSpriteCount; ++id) {
        const RectF rect = spriteRect(id);
        const int left = static_cast<int>(rect.x);
        const int top = static_cast<int>(rect.y);
        for (int y = top; y < top + static_cast<int>(rect.height); ++y) {
            const auto row = sheet.row(y);
            for (int x = left; x < left + static_cast<int>(rect.width); ++x)
                row[static_cast<std::size_t>(x)] = testSpriteColour(id);
        }
    }
    return sheet;
}

void writeTestSheet(const std::filesystem::path& path)
{
    writeBytes(path, encodeCanvasPng(makeTestSheet()));
}

} // namespace beatplate::test
