#pragma once

namespace beatplate {

// Exit statuses of a run.
enum ExitStatus : int {
    kExitSuccess = 0, // picture written, or usage printed
    kExitChartMissing = 1, // the chart file cannot be opened
    kExitChartError = 2, // the chart has an error; nothing written
    kExitOutputFailed = 3, // the picture cannot be written
};

// The whole run from the command line to the picture; returns the exit status.
[[nodiscard]] int runBeatplate(int argc, char** argv);

} // namespace beatplate
