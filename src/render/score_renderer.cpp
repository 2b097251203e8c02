#include "render/score_renderer.h"

#include "render/background_pass.h"
#include "render/events_pass.h"
#include "render/header_text_pass.h"
#include "render/marks_pass.h"
#include "render/measures_pass.h"
#include "render/notes_pass.h"

#include <cassert>
#include <stdexcept>
#include <string>

namespace beatplate {

// Refused before anything of the picture's size is made.
static const ScoreLayout& checkedLayout(const ScoreLayout& layout)
{
    if (!layout.fitsPicture())
        throw std::length_error("the picture would be " + std::to_string(layout.canvasHeight())
                                + " pixels tall, more than " + std::to_string(kMaxPictureRows));
    return layout;
}

Canvas blankCanvas(const ScoreLayout& layout)
{
    return Canvas(kPageWidth, checkedLayout(layout).canvasHeight());
}

BandedScore::BandedScore(const Canvas& spriteSheet, const HeaderFont* headerFont,
                         const ChartDocument& document, int bandRows, const MeasureMarks* marks)
    : m_spriteSheet(spriteSheet)
    , m_layout(document)
    , m_index(checkedLayout(m_layout), document, bandRows > 0 ? bandRows : m_layout.canvasHeight())
    , m_marks(marks)
{
    if (headerFont != nullptr)
        m_header = layOutHeaderLines(*headerFont, document, kPageWidth);
}

void BandedScore::drawBand(int firstRow, Canvas& band) const
{
    assert(firstRow % bandRows() == 0 && band.height() <= bandRows());
    const DrawTarget target{ band, firstRow };
    drawScoreRows(m_layout, m_index.contents(firstRow / bandRows()), m_spriteSheet, target,
                  m_marks);
    if (m_header)
        drawHeaderText(*m_header, target);
}

void drawScoreRows(const ScoreLayout& layout, const BandContents& contents, const Canvas& sheet,
                   DrawTarget target, const MeasureMarks* marks)
{
    drawBackground(layout, sheet, target);
    drawMeasures(layout, contents, sheet, target);
    drawEvents(layout, contents, sheet, target);
    if (marks != nullptr)
        drawMarks(layout, contents, *marks, sheet, target);
    drawNotes(layout, contents, sheet, target);
}

Canvas ScoreRenderer::render(const ChartDocument& document) const
{
    const BandedScore whole = bands(document, BandedScore::kWholePicture);
    Canvas canvas(whole.width(), whole.height());
    whole.drawBand(0, canvas);
    return canvas;
}

BandedPicture bandsOf(const BandedScore& score)
{
    const auto drawRows = [&score](int firstRow, Canvas& band) { score.drawBand(firstRow, band); };
    return { score.width(), score.height(), drawRows, score.bandRows() };
}

} // namespace beatplate
