#include "server/chart_preview.h"

#include "pipeline/chart_pipeline.h"

#include <algorithm>

namespace beatplate {

ChartPreview::FontLease::FontLease(ChartPreview& owner)
    : m_owner(owner)
{
    {
        const std::lock_guard lock(owner.m_fontMutex);
        if (!owner.m_freeFonts.empty()) {
            m_font.emplace(std::move(owner.m_freeFonts.back()));
            owner.m_freeFonts.pop_back();
            return;
        }
    }
    if (owner.m_fontFile)
        m_font = HeaderFont::fromFile(owner.m_fontFile->file, owner.m_fontFile->faceIndex);
}

ChartPreview::FontLease::~FontLease()
{
    if (!m_font)
        return;
    const std::lock_guard lock(m_owner.m_fontMutex);
    try {
        m_owner.m_freeFonts.push_back(std::move(*m_font));
    } catch (...) {
        // Without room to keep it the face is closed; the next drawing opens another.
    }
}

ChartPreview::ChartPreview(Canvas spriteSheet, std::optional<FontFileRef> font,
                           unsigned concurrentDrawings)
    : m_spriteSheet(std::move(spriteSheet))
    , m_fontFile(std::move(font))
    , m_drawings(concurrentDrawings)
{
}

PreviewPicture ChartPreview::draw(const ChartDocument& document, std::u16string text,
                                  const PictureForm& form, std::optional<MeasureMarks> marks)
{
    ChartPipeline chart(document, std::move(text));
    if (marks)
        chart.markMeasures(std::move(*marks));
    PreviewPicture picture;
    const FifoSlot slot(m_drawings);
    const FontLease lease(*this);
    PngSink sink(picture.png);
    picture.error = chart.layOutPicture(form);
    if (!picture.error)
        picture.error = chart.drawPicture(lease.tools(), sink);
    if (picture.error)
        picture.png.clear();
    return picture;
}

} // namespace beatplate
