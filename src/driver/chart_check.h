#pragma once

#include "chart/chart_document.h"
#include "driver/chart_job.h"

#include <memory>
#include <string>
#include <string_view>

namespace beatplate {

class ChartTextReader;

// A chart read whole for its diagnostics.
struct CheckedChart {
    std::string lines; // each diagnostic shown, then the summary; every line ends in LF
    bool hasErrors = false;
    std::unique_ptr<ChartDocument> document; // what the lines without errors make
};

// Reads the chart to its end, going on after each line with an error, and gives its check
// lines under the name given; warnings left out when hidden still count in the summary.
[[nodiscard]] CheckedChart checkChartText(std::string_view name, ChartTextReader& reader,
                                          WarningDisplay warnings);

// True when the layout of the document makes a picture no larger than a canvas may be.
[[nodiscard]] bool pictureFits(const ChartDocument& document);

} // namespace beatplate
