#include "render/score_renderer.h"
#include "render/text_header.h"

namespace beatplate {

void ScoreRenderer::drawHeaderText(const ChartDocument& document)
{
    // Without a face the header is left out and the rest of the picture stands.
    if (m_headerFont == nullptr || m_canvas.empty())
        return;
    drawHeaderLines(m_canvas, *m_headerFont, document);
}

} // namespace beatplate
