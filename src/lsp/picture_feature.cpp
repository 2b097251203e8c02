#include "lsp/picture_feature.h"

#include "base/base64.h"
#include "base/utf8_path.h"
#include "chart/chart_stats_report.h"
#include "lsp/rpc_error.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/thread_picture_tools.h"

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

std::optional<nlohmann::json> PictureFeature::picture(const std::string& uri,
                                                      const ChartAnalysis& analysis,
                                                      ThreadPictureTools& tools,
                                                      const std::stop_token& stop,
                                                      const PictureForm& form)
{
    const ChartReading& chart = analysis.reading();
    if (const ChartDiagnostic* error = chart.firstErrorDiagnostic())
        return result(analysis.version(), nullptr, nullptr, formatDiagnosticLine(uri, *error));
    nlohmann::json figures =
        chartStatsJson({ utf8Path(uri), chart.document.title, chart.figures() });
    ChartPipeline picture(chart.document, chart.text);
    if (auto error = form.isOneColumn() ? picture.fitPicture() : picture.layOutPicture(form))
        return result(analysis.version(), nullptr, std::move(figures), error->message);
    // Loaded by the first picture, the sheet may take a while: a stop may come meanwhile.
    const PictureTools loaded = tools.tools();
    if (stop.stop_requested())
        return std::nullopt;
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    PngWriteOptions options;
    options.stop = stop;
    if (auto error = picture.drawPicture(loaded, sink, options)) {
        if (error->kind == PipelineErrorKind::Stopped)
            return std::nullopt;
        return result(analysis.version(), nullptr, std::move(figures), error->message);
    }
    return result(analysis.version(), encodeBase64(png), std::move(figures), nullptr);
}

} // namespace beatplate
