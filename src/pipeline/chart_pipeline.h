#pragma once

#include "chart/chart_comparison.h"
#include "chart/chart_document.h"
#include "chart/chart_stats.h"
#include "output/png_writer.h"
#include "pipeline/picture_tools.h"
#include "pipeline/pipeline_error.h"
#include "render/column_layout.h"
#include "render/score_layout.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {

// Gives each measure of a chart's figures its place on the chart's picture in form; a picture
// that cannot be made has no places to give.
void placeOnPicture(ChartStats& figures, const ChartDocument& document, const PictureForm& form);

// The chart text a picture carries, every line followed by one LF.
using ChartText = std::u16string;

// One chart on its way to a picture, from what reading it made: whether its picture fits, and
// its picture drawn and encoded into a sink. Each step returns its failure as a value.
class ChartPipeline {
public:
    // The document must outlive the pipeline; the text goes into the picture's chunk.
    ChartPipeline(const ChartDocument& document, ChartText text);

    // PictureTooLarge when the layout makes a picture larger than may be drawn.
    [[nodiscard]] std::optional<PipelineError> fitPicture() const;
    // Lays the picture out in a form: PictureTooLarge when a row does not fit its size. Without
    // it the picture is the one column of today.
    [[nodiscard]] std::optional<PipelineError> layOutPicture(const PictureForm& form);
    // Marks the measures that differ from another version on the pictures drawPicture makes;
    // one per measure of the document.
    void markMeasures(MeasureMarks marks) { m_marks = std::move(marks); }
    // The pictures drawPicture makes: 1, or the parts of a picture cut to fit its size.
    [[nodiscard]] std::size_t pictureParts() const
    {
        return std::max<std::size_t>(m_pages.size(), 1);
    }
    // Draws the picture, or its part, with the caller's sheet and face band by band as it is
    // encoded into sink, the whole chart text in its chunk; the text is let go once in the last
    // part's chunk. SheetUnreadable without a sheet.
    [[nodiscard]] std::optional<PipelineError> drawPicture(const PictureTools& tools, PngSink& sink,
                                                           const PngWriteOptions& options = {},
                                                           std::size_t part = 0);

private:
    [[nodiscard]] SourceChunk chunkFor(std::size_t part);

    const ChartDocument& m_document;
    ChartText m_text;
    std::optional<SourceChunk> m_chunk;
    std::optional<ScoreLayout> m_layout; // of a picture in columns or parts
    std::vector<ColumnPage> m_pages;
    std::optional<MeasureMarks> m_marks;
};

} // namespace beatplate
