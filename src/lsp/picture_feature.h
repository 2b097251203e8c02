#pragma once

#include "lsp/chart_analysis.h"
#include "render/column_layout.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <stop_token>
#include <string>

namespace beatplate {

class ThreadPictureTools;

// The picture of an open chart's current text, for an editor's preview: the PNG (the chart in
// its chunk, as a file would carry it) in base64, with the chart's figures.
class PictureFeature {
public:
    // {"version", "png": base64 or null, "figures": the --stats --json object or null,
    // "error": why there is no picture, or null}, drawn in form's columns from the analysis the
    // editor's diagnostics came from; none when stop was asked for before the picture was done.
    [[nodiscard]] static std::optional<nlohmann::json>
    picture(const std::string& uri, const ChartAnalysis& analysis, ThreadPictureTools& tools,
            const std::stop_token& stop, const PictureForm& form = {});
    // The form a request's "columns" asks for: a number from 1 up, or "auto"; one column when
    // there is none. Throws RpcError (InvalidParams) for anything else.
    [[nodiscard]] static PictureForm formOf(const nlohmann::json& params);
};

} // namespace beatplate
