#pragma once

#include "image/canvas.h"
#include "render/scaled_blit.h"
#include "render/sprite_atlas.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace beatplate {

// Where a pass draws: a canvas whose row 0 is row top of the whole picture. Passes place
// everything in picture coordinates; what falls outside the canvas is clipped.
struct DrawTarget {
    Canvas& canvas;
    int top = 0;
};

// Draws sprites of a sheet onto a target. The sheet must outlive the painter; nothing writes
// to it, so painters may share it.
class SpritePainter {
public:
    SpritePainter(const Canvas& sheet, DrawTarget target)
        : m_sheet(sheet)
        , m_target(target)
    {
    }

    // times > 1 draws the sprite that many times over itself, as cheaply as the pixels allow.
    void draw(const RectF& destination, Sprite sprite, std::uint32_t times = 1)
    {
        drawFrom(destination, spriteRect(sprite), times);
    }
    // Any rectangle of the sheet.
    void drawFrom(RectF destination, const RectF& source, std::uint32_t times = 1);
    // At whole canvas pixels.
    void drawAt(int x, int y, int width, int height, Sprite sprite);
    // A number in 6 x 6 sprites from the digit set of zero; characters without a sprite (a sign
    // where none is given, a separator) are left out and take no room.
    void drawNumber(std::string_view text, float x0, float y0, Sprite zero,
                    std::optional<Sprite> point, std::optional<Sprite> minus = std::nullopt);

private:
    const Canvas& m_sheet;
    DrawTarget m_target;
    BlitScratch m_scratch;
};

} // namespace beatplate
