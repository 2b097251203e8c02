#include "render/score_renderer.h"

namespace beatplate {

// Placeholder until the drawing-passes issue lands.
void ScoreRenderer::drawEvents(const ChartDocument&)
{
}

} // namespace beatplate
