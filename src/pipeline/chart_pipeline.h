#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"
#include "chart/chart_stats_report.h"
#include "chart/chart_text_reader.h"
#include "output/png_writer.h"
#include "pipeline/pipeline_error.h"

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

    // The figures, under name.
    [[nodiscard]] ChartStatsEntry figures(const std::string& name) const;
    // PictureTooLarge when the layout makes a picture larger than may be drawn.
    [[nodiscard]] std::optional<PipelineError> fitPicture() const;
    // Draws the picture band by band as it is encoded into sink, the chart text in its chunk;
    // the text is let go once in the chunk. Takes the sheet and the face from tools only now.
    [[nodiscard]] std::optional<PipelineError> drawPicture(PictureTools& tools, PngSink& sink,
                                                           const PngWriteOptions& options = {});

private:
    ChartSource m_source;
    std::optional<ChartTextReader> m_reader;
    ChartDocument m_document;
    ChartText m_text;
    std::vector<ChartDiagnostic> m_diagnostics;
    std::size_t m_omittedWarnings = 0;
    bool m_complete = true;
};

} // namespace beatplate
