#include "support/text_pixels.h"

namespace beatplate::test {

std::optional<HeaderFont> loadIpaGothic()
{
    return HeaderFont::fromFile(kIpaGothicFile);
}

Canvas filledCanvas(int width, int height, std::uint32_t colour)
{
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (auto& pixel : canvas.row(y))
            pixel = colour;
    }
    return canvas;
}

bool isDark(std::uint32_t pixel)
{
    return ((pixel >> 16) & 0xFF) < 128 && ((pixel >> 8) & 0xFF) < 128 && (pixel & 0xFF) < 128
        && (pixel >> 24) >= 128;
}

DarkExtent darkExtent(const Canvas& canvas, int top, int bottom)
{
    DarkExtent extent;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (!isDark(canvas.pixel(x, y)))
                continue;
            ++extent.count;
            if (extent.left < 0 || x < extent.left)
                extent.left = x;
            if (x > extent.right)
                extent.right = x;
        }
    }
    return extent;
}

int changedPixels(const Canvas& before, const Canvas& after, int top, int bottom)
{
    int changed = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < before.width(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y) ? 1 : 0;
    }
    return changed;
}

} // namespace beatplate::test
