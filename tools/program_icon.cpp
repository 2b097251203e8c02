#include "program_icon.h"

#include "sheet_palette.h"

#include <algorithm>

namespace beatplate {

Canvas drawProgramIcon(int size)
{
    Canvas icon(size, size);
    const Cell cell{ 0, 0, size, size };
    const float s = static_cast<float>(size);
    // Thin lines would vanish at 16 pixels: no outline is less than a pixel wide.
    const float line = std::max(1.0f, s / 24.0f);
    const auto plate = [&](float grow) {
        return roundedBox(s / 2, s / 2, s * 0.46f + grow, s * 0.46f + grow, s * 0.16f + grow);
    };
    paintField(icon, cell, plate(0), palette::kFrame);
    paintField(icon, cell, plate(-line), palette::kPage);
    const auto ball = [&](float x, float y, float radius, std::uint32_t fill) {
        paintField(icon, cell, circle(x, y, radius), palette::kOutline);
        paintField(icon, cell, circle(x, y, radius - line), palette::kRim);
        const float core = radius - 2.2f * line;
        paintField(icon, cell, circle(x, y, core), mixColour(fill, argb(0, 0, 0), 0.18f));
        paintField(icon, cell, intersection(circle(x, y, core), circle(x, y - 0.3f * core, core)),
                   fill);
        paintField(icon, cell, circle(x - 0.4f * core, y - 0.45f * core, 0.28f * core),
                   withAlpha(argb(255, 255, 255), 150));
    };
    ball(s * 0.64f, s * 0.40f, s * 0.25f, palette::kBlue);
    ball(s * 0.40f, s * 0.60f, s * 0.30f, palette::kRed);
    return icon;
}

namespace {

void putLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A bitmap as an icon stores it: the header with the height doubled for the mask, the rows
// bottom up as blue, green, red, alpha, then a mask that the alpha makes unused.
std::vector<std::uint8_t> iconBitmap(const Canvas& picture)
{
    const int size = picture.width();
    const int maskRowBytes = (size + 31) / 32 * 4;
    std::vector<std::uint8_t> bytes;
    putLittleEndian(bytes, 40, 4);
    putLittleEndian(bytes, static_cast<std::uint32_t>(size), 4);
    putLittleEndian(bytes, static_cast<std::uint32_t>(2 * size), 4);
    putLittleEndian(bytes, 1, 2); // planes
    putLittleEndian(bytes, 32, 2); // bits per pixel
    putLittleEndian(bytes, 0, 4); // no compression
    putLittleEndian(bytes, static_cast<std::uint32_t>(size * size * 4 + maskRowBytes * size), 4);
    for (int unused = 0; unused < 4; ++unused)
        putLittleEndian(bytes, 0, 4); // resolution and palette
    for (int y = size - 1; y >= 0; --y)
        for (const std::uint32_t pixel : picture.row(y))
            putLittleEndian(bytes, pixel, 4);
    bytes.resize(bytes.size() + static_cast<std::size_t>(maskRowBytes * size), 0);
    return bytes;
}

} // namespace

std::vector<std::uint8_t> iconFile(std::span<const Canvas> pictures)
{
    std::vector<std::uint8_t> header;
    putLittleEndian(header, 0, 2);
    putLittleEndian(header, 1, 2); // an icon, not a cursor
    putLittleEndian(header, static_cast<std::uint32_t>(pictures.size()), 2);
    std::vector<std::uint8_t> images;
    const std::size_t directoryEnd = 6 + 16 * pictures.size();
    for (const Canvas& picture : pictures) {
        const auto bitmap = iconBitmap(picture);
        // 256 is written as 0, the one size a byte cannot hold.
        const auto side = static_cast<std::uint32_t>(picture.width() & 0xFF);
        putLittleEndian(header, side, 1);
        putLittleEndian(header, side, 1);
        putLittleEndian(header, 0, 2); // no palette, reserved
        putLittleEndian(header, 1, 2); // planes
        putLittleEndian(header, 32, 2);
        putLittleEndian(header, static_cast<std::uint32_t>(bitmap.size()), 4);
        putLittleEndian(header, static_cast<std::uint32_t>(directoryEnd + images.size()), 4);
        images.insert(images.end(), bitmap.begin(), bitmap.end());
    }
    header.insert(header.end(), images.begin(), images.end());
    return header;
}

} // namespace beatplate
