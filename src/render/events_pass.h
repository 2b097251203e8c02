#pragma once

#include "chart/chart_document.h"
#include "render/score_layout.h"
#include "render/sprite_painter.h"

namespace beatplate {

// The markers of tempo and scroll-speed changes and the branch-start lines.
void drawEvents(const ScoreLayout& layout, const ChartDocument& document, const Canvas& sheet,
                DrawTarget target);

} // namespace beatplate
