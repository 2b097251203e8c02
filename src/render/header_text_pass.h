#pragma once

#include "chart/chart_document.h"
#include "render/sprite_painter.h"
#include "render/text_header.h"

namespace beatplate {

// The title and difficulty lines, last, over everything else.
void drawHeaderText(const HeaderLines& lines, DrawTarget target);
// The same, laid out first for the target's width.
void drawHeaderText(const ChartDocument& document, const HeaderFont& font, DrawTarget target);

} // namespace beatplate
