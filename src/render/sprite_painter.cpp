#include "render/sprite_painter.h"

namespace beatplate {

void SpritePainter::drawFrom(RectF destination, const RectF& source, std::uint32_t times)
{
    destination.y -= static_cast<float>(m_target.top);
    blitScaled(m_target.canvas, m_sheet, destination, source, m_scratch, times);
}

void SpritePainter::drawAt(int x, int y, int width, int height, Sprite sprite)
{
    drawFrom({ static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
               static_cast<float>(height) },
             spriteRect(sprite));
}

void SpritePainter::drawNumber(std::string_view text, float x0, float y0, Sprite zero,
                               std::optional<Sprite> point, std::optional<Sprite> minus)
{
    float x = x0;
    for (const char c : text) {
        std::optional<Sprite> sprite;
        if (c >= '0' && c <= '9')
            sprite = nextSprite(zero, c - '0');
        else if (c == '.')
            sprite = point;
        else if (c == '-')
            sprite = minus;
        if (!sprite)
            continue;
        draw({ x, y0, 6, 6 }, *sprite);
        x += 6;
    }
}

} // namespace beatplate
