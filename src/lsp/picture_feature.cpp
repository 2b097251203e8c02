#include "lsp/picture_feature.h"

#include "base/base64.h"
#include "chart/chart_stats_report.h"
#include "lsp/rpc_error.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/thread_picture_tools.h"

#include <algorithm>

namespace beatplate {

static nlohmann::json result(int version, nlohmann::json png, nlohmann::json figures,
                             nlohmann::json error)
{
    return { { "version", version },
             { "png", std::move(png) },
             { "figures", std::move(figures) },
             { "error", std::move(error) } };
}

PictureForm PictureFeature::formOf(const nlohmann::json& params)
{
    const auto columns = params.find("columns");
    if (columns == params.end() || columns->is_null())
        return {};
    if (columns->is_string() && columns->get<std::string>() == "auto")
        return { PictureForm::kAutoColumns, std::nullopt };
    if (columns->is_number_integer() && columns->get<std::int64_t>() >= 1
        && columns->get<std::int64_t>() <= static_cast<std::int64_t>(kMaxColumns))
        return { columns->get<std::size_t>(), std::nullopt };
    throw RpcError(RpcErrorCode::InvalidParams,
                   "columns is 1 to " + std::to_string(kMaxColumns) + " or \"auto\"");
}

nlohmann::json PictureFeature::picture(const std::string& uri, const TextDocument& document,
                                       const ChartAnalysis& analysis, ThreadPictureTools& tools,
                                       const PictureForm& form)
{
    const auto firstError =
        std::find_if(analysis.diagnostics().begin(), analysis.diagnostics().end(),
                     [](const ChartDiagnostic& diagnostic) {
                         return diagnostic.severity == ChartSeverity::Error;
                     });
    if (firstError != analysis.diagnostics().end())
        return result(document.version(), nullptr, nullptr, formatDiagnosticLine(uri, *firstError));
    // The analysis's pipeline gave its text away; a picture reads the text once more.
    ChartPipeline chart(
        ChartSource::bytes(ChartAnalysis::chartBytesOf(document.text()), std::nullopt));
    static_cast<void>(chart.open());
    if (auto error = chart.read(DiagnosticScope::FirstError))
        return result(document.version(), nullptr, nullptr, error->message);
    const ChartStatsEntry entry = chart.figures(uri);
    nlohmann::json figures = nlohmann::json::parse(formatChartStatsJson(std::span(&entry, 1)));
    if (auto error = form.isOneColumn() ? chart.fitPicture() : chart.layOutPicture(form))
        return result(document.version(), nullptr, std::move(figures), error->message);
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    if (auto error = chart.drawPicture(tools.tools(), sink))
        return result(document.version(), nullptr, std::move(figures), error->message);
    return result(document.version(), encodeBase64(png), std::move(figures), nullptr);
}

} // namespace beatplate
