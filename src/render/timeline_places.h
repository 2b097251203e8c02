#pragma once

#include "chart/chart_stats.h"
#include "render/column_layout.h"
#include "render/score_layout.h"

#include <span>
#include <vector>

namespace beatplate {

// Gives each measure of the timeline its place on the picture made of pages (one page of one
// column for the picture of today): the layout's own place of the measure, moved into the
// column and part that hold its row. The timeline has one entry per placed measure.
void placeTimeline(std::vector<MeasureTime>& timeline, const ScoreLayout& layout,
                   std::span<const ColumnPage> pages);

} // namespace beatplate
