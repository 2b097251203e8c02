#pragma once

#include "chart/chart_document.h"
#include "render/score_layout.h"
#include "render/sprite_painter.h"

namespace beatplate {

// Every note and span, and over them all the icon and count of each counted span.
void drawNotes(const ScoreLayout& layout, const ChartDocument& document, const Canvas& sheet,
               DrawTarget target);

} // namespace beatplate
