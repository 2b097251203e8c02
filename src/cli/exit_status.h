#pragma once

namespace beatplate {

// Exit statuses of beatplate; a run of several charts ends with the highest of theirs.
enum ExitStatus : int {
    kExitSuccess = 0, // picture written, or usage printed
    kExitChartMissing = 1, // the chart file cannot be opened
    kExitChartError = 2, // the chart has an error; nothing written
    kExitOutputFailed = 3, // the picture cannot be written, or the sprite sheet cannot be read
    kExitUsage = 4, // the command line is wrong; nothing is read
};

} // namespace beatplate
