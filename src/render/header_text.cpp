#include "render/score_renderer.h"

namespace beatplate {

// Placeholder until the header-text issue lands.
void ScoreRenderer::drawHeaderText(const ChartDocument&)
{
}

} // namespace beatplate
