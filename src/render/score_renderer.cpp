#include "render/score_renderer.h"

#include "render/scaled_blit.h"
#include "render/sprite_sheet.h"

#include <cmath>
#include <stdexcept>

namespace beatplate {

ScoreRenderer::ScoreRenderer(std::filesystem::path path)
    : spriteSheetPath(std::move(path))
{
}

ScoreRenderer::ScoreRenderer(const Canvas& loadedSpriteSheet)
    : m_loadedSpriteSheet(&loadedSpriteSheet)
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

void ScoreRenderer::createCanvas()
{
    const int height = canvasHeight();
    if (height > kMaxCanvasHeight)
        throw std::length_error("the picture would be " + std::to_string(height)
                                + " pixels tall, more than " + std::to_string(kMaxCanvasHeight));
    const std::size_t bytes =
        static_cast<std::size_t>(height) * static_cast<std::size_t>(m_width) * 4;
    if (bytes > kMaxCanvasBytes)
        throw std::length_error("the picture would take " + std::to_string(bytes)
                                + " bytes, more than " + std::to_string(kMaxCanvasBytes));
    m_canvas = Canvas(m_width, height);
    m_height = height;
}

void ScoreRenderer::attachGraphics()
{
    if (m_loadedSpriteSheet == nullptr)
        spriteSheet = loadSpriteSheet(spriteSheetPath);
}

void ScoreRenderer::buildAtlas()
{
    for (SpriteId id = 0; id < kSpriteCount; ++id)
        atlas[id] = spriteRect(id);
}

void ScoreRenderer::drawSprite(const RectF& destination, const RectF& source, std::uint32_t times)
{
    const Canvas* sheet = spriteSheet ? &*spriteSheet : m_loadedSpriteSheet;
    if (sheet != nullptr)
        blitScaled(m_canvas, *sheet, destination, source, m_blitScratch, times);
}

void ScoreRenderer::drawSpriteInt(int x, int y, int width, int height, const RectF& source)
{
    const RectF truncated{ std::trunc(source.x), std::trunc(source.y), std::trunc(source.width),
                           std::trunc(source.height) };
    drawSprite({ static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                 static_cast<float>(height) },
               truncated);
}

} // namespace beatplate
