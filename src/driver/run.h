#pragma once

#include <exception>
#include <string>

namespace beatplate {

// Exit statuses of a run.
enum ExitStatus : int {
    kExitSuccess = 0, // picture written, or usage printed
    kExitChartMissing = 1, // the chart file cannot be opened
    kExitChartError = 2, // the chart has an error; nothing written
    kExitOutputFailed = 3, // the picture cannot be written
};

// The whole run from the command line to the picture; returns the exit status. Every failure
// is reported on standard output, followed by the wait for a key; no exception leaves it.
[[nodiscard]] int runBeatplate(int argc, char** argv);

// The line reported when drawing or writing the picture fails with this exception.
[[nodiscard]] std::string pictureFailureMessage(const std::exception& error);

} // namespace beatplate
