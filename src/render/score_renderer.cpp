#include "render/score_renderer.h"

namespace beatplate {

ScoreRenderer::ScoreRenderer(std::filesystem::path path)
    : spriteSheetPath(std::move(path))
{
}

void ScoreRenderer::render(const ChartDocument& document)
{
    breakRows(document);
    placeMeasures(document);
    createCanvas();
    attachGraphics();
    buildAtlas();
    drawBackground();
    drawMeasures(document);
    drawEvents(document);
    drawNotes(document);
    drawHeaderText(document);
}

// Placeholders until the canvas issue lands.
void ScoreRenderer::createCanvas() { }
void ScoreRenderer::attachGraphics() { }
void ScoreRenderer::buildAtlas() { }
void ScoreRenderer::drawSprite(const RectF&, const RectF&) { }
void ScoreRenderer::drawSpriteInt(int, int, int, int, const RectF&) { }
void ScoreRenderer::breakRows(const ChartDocument&) { }
void ScoreRenderer::placeMeasures(const ChartDocument&) { }
PointF ScoreRenderer::notePoint(const ChartPosition&) const { return {}; }
ChartPosition ScoreRenderer::advancePosition(const ChartPosition& p, std::uint32_t) const
{
    return p;
}

} // namespace beatplate
