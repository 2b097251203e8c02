#include "render/background_pass.h"

namespace beatplate {

void drawBackground(const ScoreLayout& layout, const Canvas& sheet, DrawTarget target)
{
    SpritePainter painter(sheet, target);
    painter.draw(
        { 0, 0, static_cast<float>(kPageWidth), static_cast<float>(layout.canvasHeight()) },
        Sprite::Background);
}

} // namespace beatplate
