#include "pipeline/chart_pipeline.h"

#include "base/part_label.h"
#include "cli/messages.h"
#include "render/column_picture.h"
#include "render/score_layout.h"
#include "render/score_renderer.h"
#include "render/text_header.h"
#include "render/timeline_places.h"

#include <algorithm>
#include <cassert>

namespace beatplate {

void placeOnPicture(ChartStats& figures, const ChartDocument& document, const PictureForm& form)
{
    const ScoreLayout layout(document);
    if (!layout.fitsPicture() || document.measures.empty())
        return;
    const PagePlan plan = planPages(rowBounds(layout), form);
    if (plan.refusal.empty())
        placeTimeline(figures.timeline, layout, plan.pages);
}

ChartPipeline::ChartPipeline(const ChartDocument& document, ChartText text)
    : m_document(document)
    , m_text(std::move(text))
{
}

std::optional<PipelineError> ChartPipeline::fitPicture() const
{
    // The layout alone, without a sheet or a canvas: it is what decides the picture's size.
    if (ScoreLayout(m_document).fitsPicture())
        return std::nullopt;
    return PipelineError{ PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage };
}

std::optional<PipelineError> ChartPipeline::layOutPicture(const PictureForm& form)
{
    m_pages.clear();
    if (form.isOneColumn())
        return std::nullopt;
    m_layout.emplace(m_document);
    if (!m_layout->fitsPicture())
        return PipelineError{ PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage };
    PagePlan plan = planPages(rowBounds(*m_layout), form);
    if (!plan.refusal.empty())
        return PipelineError{ PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage,
                              plan.refusal };
    // One page of one column is the picture of today.
    if (plan.pages.size() > 1 || plan.pages.front().columns.size() > 1)
        m_pages = std::move(plan.pages);
    return std::nullopt;
}

static std::optional<PipelineError> writtenOrError(const BandedPicture& picture, SourceChunk chunk,
                                                   PngSink& sink, const PngWriteOptions& options)
{
    if (const auto error = writeChartPng(picture, std::move(chunk), sink, options))
        return pictureErrorOf(*error);
    return std::nullopt;
}

// The chunk of the whole chart for a picture or a part; the last takes the one kept.
SourceChunk ChartPipeline::chunkFor(std::size_t part)
{
    if (!m_chunk) {
        m_chunk = makeSourceChunk(m_text);
        // Assigning an empty text would keep the buffer.
        ChartText().swap(m_text);
    }
    SourceChunk chunk;
    if (part + 1 < pictureParts()) {
        chunk = *m_chunk;
    } else {
        chunk = std::move(*m_chunk);
        m_chunk.reset();
    }
    // A part names itself, so that a later run knows the file for one of ours.
    if (m_pages.size() > 1)
        chunk.partLabel = partLabel({ part + 1, m_pages.size() });
    return chunk;
}

std::optional<PipelineError> ChartPipeline::drawPicture(const PictureTools& tools, PngSink& sink,
                                                        const PngWriteOptions& options,
                                                        std::size_t part)
{
    assert(part < pictureParts());
    try {
        SourceChunk chunk = chunkFor(part);
        const Canvas* const sheet = tools.spriteSheet;
        if (sheet == nullptr)
            return PipelineError{ PipelineErrorKind::SheetUnreadable, kSheetUnreadableMessage };
        const MeasureMarks* const marks = m_marks ? &*m_marks : nullptr;
        if (m_pages.empty()) {
            const BandedScore score =
                ScoreRenderer(*sheet, tools.headerFont, marks).bands(m_document, kPngBandRows);
            return writtenOrError(bandsOf(score), std::move(chunk), sink, options);
        }
        std::optional<HeaderLines> header;
        if (const HeaderFont* font = tools.headerFont) {
            const std::string& label = chunk.partLabel;
            header = layOutHeaderLines(*font, m_document, kPageWidth,
                                       std::u16string(label.begin(), label.end()));
        }
        const ColumnPicture picture(*sheet, std::move(header), *m_layout, m_document, m_pages[part],
                                    marks);
        return writtenOrError(bandsOf(picture), std::move(chunk), sink, options);
    } catch (const std::exception& error) {
        return pictureErrorOf(error);
    } catch (...) {
        return PipelineError{ PipelineErrorKind::OutputFailed, kUnexpectedFailureMessage };
    }
}

} // namespace beatplate
