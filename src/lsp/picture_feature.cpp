#include "lsp/picture_feature.h"

#include "base/base64.h"
#include "chart/chart_stats_report.h"
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

std::optional<nlohmann::json> PictureFeature::picture(const std::string& uri,
                                                      const TextDocument& document,
                                                      const ChartAnalysis& analysis,
                                                      ThreadPictureTools& tools,
                                                      const std::stop_token& stop)
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
    if (auto error = chart.fitPicture())
        return result(document.version(), nullptr, std::move(figures), error->message);
    // Loaded by the first picture, the sheet may take a while: a stop may come meanwhile.
    const PictureTools loaded = tools.tools();
    if (stop.stop_requested())
        return std::nullopt;
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    PngWriteOptions options;
    options.stop = stop;
    if (auto error = chart.drawPicture(loaded, sink, options)) {
        if (error->kind == PipelineErrorKind::Stopped)
            return std::nullopt;
        return result(document.version(), nullptr, std::move(figures), error->message);
    }
    return result(document.version(), encodeBase64(png), std::move(figures), nullptr);
}

} // namespace beatplate
