#include "render/score_renderer.h"

namespace beatplate {

// Placeholders until the drawing-passes issue lands.
void ScoreRenderer::drawNotes(const ChartDocument&)
{
}
void ScoreRenderer::drawSpan(SpriteId, SpriteId, SpriteId, const ChartNote&)
{
}
void ScoreRenderer::drawCountedSpan(SpriteId, const ChartNote&)
{
}

} // namespace beatplate
