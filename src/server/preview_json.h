#pragma once

#include "chart/chart_diagnostic.h"
#include "sound/stroke_scheduler.h"

#include <span>
#include <string>
#include <vector>

namespace beatplate {

// What the page shows of a chart beside its picture, as JSON, for the server's answers and the
// page's own core alike.

// Its errors and warnings: an array of {"line", "column", "severity", "message", "detail"},
// severity "error" or "warning".
[[nodiscard]] std::string diagnosticsJson(std::span<const ChartDiagnostic> diagnostics);

// Every stroke the page may play of a chart: its notes on every branch path, each saying which
// paths hear it, and the metronome, which the page turns on and off.
[[nodiscard]] std::vector<Stroke> previewStrokes(const ChartDocument& document);

// Its sound: {"sampleRate", "voiceSamples", "voices": names in the order of the voices' file,
// "strokes": [[seconds, voice, paths]]}.
[[nodiscard]] std::string soundJson(std::span<const Stroke> strokes);

} // namespace beatplate
