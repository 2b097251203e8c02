#pragma once

#include "chart/chart_document.h"
#include "render/band_index.h"
#include "render/score_layout.h"
#include "render/sprite_painter.h"

#include <cstdint>
#include <vector>

namespace beatplate {

// Each measure's lanes, gogo bands, bar and beat lines and number. What can reach the band is
// drawn, in the order the whole picture draws it; everything else would fall outside the target.
void drawMeasures(const ScoreLayout& layout, const BandContents& band, const Canvas& sheet,
                  DrawTarget target);

// The pieces of the gogo spans that the measures pass draws on a measure, clipped to it, in the
// order the spans were opened.
[[nodiscard]] std::vector<GogoSpan>
gogoPieces(const ScoreLayout& layout, const ChartDocument& document, std::uint32_t measure);

} // namespace beatplate
