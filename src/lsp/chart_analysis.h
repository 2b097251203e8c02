#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"
#include "chart/chart_parser.h"
#include "lsp/text_document.h"
#include "pipeline/chart_pipeline.h"

#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// What the chart reader makes of one version of an open chart, read as --check reads it: its
// errors and warnings, its document and where its note lines lie.
class ChartAnalysis {
public:
    // invalidText: the editor sent text that was not valid, replaced by U+FFFD; the first such
    // character left is reported as an encoding error.
    ChartAnalysis(const TextDocument& document, bool invalidText);

    [[nodiscard]] int version() const { return m_version; }
    // In line and column order, as --check lists them.
    [[nodiscard]] const std::vector<ChartDiagnostic>& diagnostics() const { return m_diagnostics; }
    [[nodiscard]] const ChartDocument& chart() const { return m_pipeline.document(); }
    [[nodiscard]] const std::vector<NoteLinePlace>& noteLines() const
    {
        return m_pipeline.noteLines();
    }
    [[nodiscard]] bool hasErrors() const;
    // The place of the note line numbered line (from 1); null when it is no note line or had
    // an error.
    [[nodiscard]] const NoteLinePlace* placeOfLine(int line) const;

    // The chart's bytes for a reader: its text as UTF-16 with a byte-order mark, so that the
    // reader takes it as it stands, lone surrogates refused as in a file.
    [[nodiscard]] static std::string chartBytesOf(std::u16string_view text);

private:
    ChartPipeline m_pipeline;
    std::vector<ChartDiagnostic> m_diagnostics;
    int m_version;
};

// The slot of a note line that the code unit at unit fills, its tabs expanded to tabWidth (the
// first blank of a tab).
[[nodiscard]] std::size_t slotOfUnit(std::u16string_view line, std::uint32_t tabWidth,
                                     std::size_t unit);
// The slots a note line fills, its tabs expanded.
[[nodiscard]] std::size_t slotCount(std::u16string_view line, std::uint32_t tabWidth);

} // namespace beatplate
