#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_reading.h"
#include "lsp/text_document.h"

#include <vector>

namespace beatplate {

// What the chart reader makes of one version of an open chart, read as --check reads it, from
// the text the editor sent: its errors and warnings, its document and where its note lines lie.
class ChartAnalysis {
public:
    // invalidText: the editor sent text that was not valid, replaced by U+FFFD; the first such
    // character left is reported as an encoding error.
    ChartAnalysis(const TextDocument& document, bool invalidText);

    [[nodiscard]] int version() const { return m_version; }
    // All the reader made of the text; its diagnostics hold the invalid text's error.
    [[nodiscard]] const ChartReading& reading() const { return m_reading; }
    // In line and column order, as --check lists them.
    [[nodiscard]] const std::vector<ChartDiagnostic>& diagnostics() const
    {
        return m_reading.diagnostics;
    }
    [[nodiscard]] const ChartDocument& chart() const { return m_reading.document; }
    [[nodiscard]] const std::vector<NoteLinePlace>& noteLines() const
    {
        return m_reading.noteLines;
    }
    [[nodiscard]] bool hasErrors() const { return m_reading.hasErrors(); }
    // The place of the note line numbered line (from 1); null when it is no note line or had
    // an error.
    [[nodiscard]] const NoteLinePlace* placeOfLine(int line) const
    {
        return m_reading.placeOfLine(line);
    }

private:
    ChartReading m_reading;
    int m_version;
};

} // namespace beatplate
