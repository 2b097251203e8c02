#pragma once

#include "chart/chart_document.h"
#include "render/sprite_painter.h"

namespace beatplate {

class HeaderFont;

// The title and difficulty lines, last, over everything else.
void drawHeaderText(const ChartDocument& document, const HeaderFont& font, DrawTarget target);

} // namespace beatplate
