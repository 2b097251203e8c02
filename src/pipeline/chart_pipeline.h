#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"
#include "chart/chart_parser.h"
#include "chart/chart_stats_report.h"
#include "chart/chart_text_reader.h"
#include "output/png_writer.h"
#include "pipeline/pipeline_error.h"
#include "render/column_layout.h"
#include "render/score_layout.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace beatplate {

class PictureTools;

// Where a chart is read from: a file (standardInputPath() for standard input) or its bytes.
struct ChartSource {
    [[nodiscard]] static ChartSource file(std::filesystem::path path,
                                          std::optional<ChartEncoding> encoding)
    {
        return { std::move(path), encoding };
    }
    [[nodiscard]] static ChartSource bytes(std::string bytes, std::optional<ChartEncoding> encoding)
    {
        return { std::move(bytes), encoding };
    }

    std::variant<std::filesystem::path, std::string> from;
    std::optional<ChartEncoding> encoding; // for a chart without a byte-order mark
};

enum class DiagnosticScope {
    FirstError, // reading stops at the first error, as drawing needs no more
    WholeChart, // reading goes on after each line with an error, to find every one
};

// The chart text as the parser gives it, every line followed by one LF.
using ChartText = std::u16string;

// One chart on its way to a picture: opened, read and decoded once, parsed or checked, then
// what the caller asks of it: its figures, whether its picture fits, its picture drawn and
// encoded into a sink. Each step returns its failure as a value and is taken at most once, in
// this order; a step after a failed one is not taken.
class ChartPipeline {
public:
    explicit ChartPipeline(ChartSource source);

    // ChartMissing when the chart cannot be opened (a directory holds none).
    [[nodiscard]] std::optional<PipelineError> open();
    // The chart's first error, when it has one.
    [[nodiscard]] std::optional<PipelineError> read(DiagnosticScope scope);

    // What reading found, once read: errors and warnings in line and column order (with
    // FirstError: the warnings, and the error that stopped it).
    [[nodiscard]] const std::vector<ChartDiagnostic>& diagnostics() const { return m_diagnostics; }
    [[nodiscard]] std::size_t omittedWarnings() const { return m_omittedWarnings; }
    // False when reading stopped before the chart's end.
    [[nodiscard]] bool complete() const { return m_complete; }
    [[nodiscard]] bool hasErrors() const;
    // What the lines without errors make.
    [[nodiscard]] const ChartDocument& document() const { return m_document; }
    // Where each note line laid its slots; read with WholeChart only.
    [[nodiscard]] const std::vector<NoteLinePlace>& noteLines() const { return m_noteLines; }

    // The figures, under name, their timeline placed on the picture in form.
    [[nodiscard]] ChartStatsEntry figures(const std::string& name,
                                          const PictureForm& form = {}) const;
    // PictureTooLarge when the layout makes a picture larger than may be drawn.
    [[nodiscard]] std::optional<PipelineError> fitPicture() const;
    // Lays the picture out in a form: PictureTooLarge when a row does not fit its size. Without
    // it the picture is the one column of today.
    [[nodiscard]] std::optional<PipelineError> layOutPicture(const PictureForm& form);
    // The pictures drawPicture makes: 1, or the parts of a picture cut to fit its size.
    [[nodiscard]] std::size_t pictureParts() const
    {
        return std::max<std::size_t>(m_pages.size(), 1);
    }
    // Draws the picture, or its part, band by band as it is encoded into sink, the whole chart
    // text in its chunk; the text is let go once in the last part's chunk. Takes the sheet and
    // the face from tools only now.
    [[nodiscard]] std::optional<PipelineError> drawPicture(PictureTools& tools, PngSink& sink,
                                                           const PngWriteOptions& options = {},
                                                           std::size_t part = 0);

private:
    [[nodiscard]] SourceChunk chunkFor(std::size_t part);

    ChartSource m_source;
    std::optional<ChartTextReader> m_reader;
    ChartDocument m_document;
    ChartText m_text;
    std::optional<SourceChunk> m_chunk;
    std::optional<ScoreLayout> m_layout; // of a picture in columns or parts
    std::vector<ColumnPage> m_pages;
    std::vector<ChartDiagnostic> m_diagnostics;
    std::vector<NoteLinePlace> m_noteLines;
    std::size_t m_omittedWarnings = 0;
    bool m_complete = true;
};

} // namespace beatplate
