#pragma once

#include "chart/chart_document.h"
#include "render/band_index.h"
#include "render/score_layout.h"
#include "render/sprite_painter.h"

namespace beatplate {

// The markers of tempo and scroll-speed changes and the branch-start lines. What can reach the band
// is drawn, in the order the whole picture draws it; everything else would fall outside the target.
void drawEvents(const ScoreLayout& layout, const BandContents& band, const Canvas& sheet,
                DrawTarget target);

} // namespace beatplate
