#include "lsp/diagnostics_feature.h"

#include "lsp/protocol_json.h"

#include <algorithm>

namespace beatplate {

namespace {

// The protocol's severities.
constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;

} // namespace

TextRange DiagnosticsFeature::rangeOf(const ChartDiagnostic& diagnostic)
{
    const int line = std::max(diagnostic.line() - 1, 0);
    return { { line, diagnostic.units.start }, { line, diagnostic.units.end } };
}

nlohmann::json DiagnosticsFeature::publishParams(const std::string& uri,
                                                 const ChartAnalysis& analysis)
{
    nlohmann::json diagnostics = nlohmann::json::array();
    for (const ChartDiagnostic& diagnostic : analysis.diagnostics()) {
        diagnostics.push_back(
            { { "range", toJson(rangeOf(diagnostic)) },
              { "severity",
                diagnostic.severity == ChartSeverity::Error ? kSeverityError : kSeverityWarning },
              { "source", "beatplate" },
              { "message", diagnostic.text() } });
    }
    return { { "uri", uri }, { "version", analysis.version() }, { "diagnostics", diagnostics } };
}

} // namespace beatplate
