#include "server/diagnostics_json.h"

#include <nlohmann/json.hpp>

namespace beatplate {

std::string diagnosticsJson(std::span<const ChartDiagnostic> diagnostics)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& diagnostic : diagnostics) {
        list.push_back(
            { { "line", diagnostic.line() },
              { "column", diagnostic.column() },
              { "severity", diagnostic.severity == ChartSeverity::Error ? "error" : "warning" },
              { "message", diagnostic.message },
              { "detail", diagnostic.detail } });
    }
    return list.dump();
}

} // namespace beatplate
