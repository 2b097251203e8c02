#pragma once

#include "render/score_layout.h"
#include "render/sprite_painter.h"

namespace beatplate {

// The page background stretched over the whole picture.
void drawBackground(const ScoreLayout& layout, const Canvas& sheet, DrawTarget target);

} // namespace beatplate
