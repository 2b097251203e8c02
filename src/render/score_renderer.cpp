#include "render/score_renderer.h"

#include "render/background_pass.h"
#include "render/events_pass.h"
#include "render/header_text_pass.h"
#include "render/measures_pass.h"
#include "render/notes_pass.h"

#include <stdexcept>
#include <string>

namespace beatplate {

Canvas blankCanvas(const ScoreLayout& layout)
{
    const int height = layout.canvasHeight();
    if (height > kMaxCanvasHeight)
        throw std::length_error("the picture would be " + std::to_string(height)
                                + " pixels tall, more than " + std::to_string(kMaxCanvasHeight));
    const std::size_t bytes =
        static_cast<std::size_t>(height) * static_cast<std::size_t>(kPageWidth) * 4;
    if (bytes > kMaxCanvasBytes)
        throw std::length_error("the picture would take " + std::to_string(bytes)
                                + " bytes, more than " + std::to_string(kMaxCanvasBytes));
    return Canvas(kPageWidth, height);
}

Canvas ScoreRenderer::render(const ChartDocument& document) const
{
    const ScoreLayout layout(document);
    Canvas canvas = blankCanvas(layout);
    const DrawTarget target{ canvas, 0 };
    drawBackground(layout, m_spriteSheet, target);
    drawMeasures(layout, document, m_spriteSheet, target);
    drawEvents(layout, document, m_spriteSheet, target);
    drawNotes(layout, document, m_spriteSheet, target);
    if (m_headerFont != nullptr)
        drawHeaderText(document, *m_headerFont, target);
    return canvas;
}

} // namespace beatplate
