#pragma once

#include "render/canvas.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace beatplate {

class Console;
class HeaderFont;

// One chart of a run and where its picture goes.
struct ChartJob {
    std::string name; // as given on the command line; "-" is standard input
    std::optional<std::filesystem::path> picture; // empty: standard output
    // A message that refuses the chart before it is read (a picture path taken twice).
    std::optional<std::string> refusal;
};

// What every chart of a run draws with; the font is null when no face is installed.
struct DrawingTools {
    const Canvas& spriteSheet;
    const HeaderFont* headerFont = nullptr;
};

// The whole way of one chart: open, parse, draw, write. Every failure is reported on console
// with the chart's name; returns the chart's exit status. Safe to run for several charts at once
// when each has its own header font.
[[nodiscard]] int drawChart(const ChartJob& job, const DrawingTools& tools, Console& console);

// The line reported when drawing or writing the picture fails with this exception.
[[nodiscard]] std::string pictureFailureMessage(const std::exception& error);

} // namespace beatplate
