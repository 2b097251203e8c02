#include "render/score_renderer.h"

namespace beatplate {

// Placeholders until the drawing-passes issue lands.
void ScoreRenderer::drawBackground()
{
}
void ScoreRenderer::drawMeasures(const ChartDocument&)
{
}
std::vector<GogoSpan> ScoreRenderer::gogoPieces(const ChartDocument&, std::uint32_t) const
{
    return {};
}
void ScoreRenderer::drawSpriteNumber(std::string_view, float, float, SpriteId,
                                     std::optional<SpriteId>)
{
}

} // namespace beatplate
