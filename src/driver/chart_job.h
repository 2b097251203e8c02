#pragma once

#include "chart/chart_stats_report.h"
#include "chart/chart_text_reader.h"
#include "render/column_layout.h"
#include "sound/stroke_scheduler.h"

#include <filesystem>
#include <optional>
#include <string>

namespace beatplate {

class ChartPipeline;
struct ChartReading;
class Console;
class OutputClaims;
class TemporaryFile;
class ThreadPictureTools;

// One chart of a run and where its picture goes.
struct ChartJob {
    std::string name; // as given on the command line; "-" is standard input
    // Where its picture goes, or its sound with --sound; empty: standard output.
    std::optional<std::filesystem::path> picture;
    // A message that refuses the chart before it is read (a picture path taken twice).
    std::optional<std::string> refusal;
    std::size_t index = 0; // in the run, where it claims its outputs (OutputClaims)
};

// What the charts of one thread draw with.
struct DrawingTools {
    ThreadPictureTools& pictures; // asked for the sheet and the face only when a picture is drawn
    unsigned pictureThreads = 0; // that encode each picture; 0: one per core
};

// What a run does with each chart.
enum class ChartTask {
    Draw,
    Check, // every error and warning as lines of data; no picture
    Stats, // the figures as data; no picture
    StatsAndDraw, // the figures, and the picture as well
};

enum class WarningDisplay {
    Shown, // on the console, as check lines
    Hidden,
};

enum class ErrorDisplay {
    Report, // a chart error as its two-line report
    CheckLines, // the chart checked whole: every error and warning as check lines, then its summary
};

// How each chart of a run is read and what is shown of it.
struct ChartSettings {
    ChartTask task = ChartTask::Draw;
    std::optional<ChartEncoding> encoding; // for a chart without a byte-order mark
    WarningDisplay warnings = WarningDisplay::Shown;
    ErrorDisplay errors = ErrorDisplay::Report;
    PictureForm form; // columns, and parts within a size
    // The sound to write in place of the picture, as a WAV file; none: the picture.
    std::optional<SoundChoice> sound;
};

// What one chart gives: its exit status and the data it has for standard output.
struct ChartOutcome {
    int status = 0;
    std::string checkLines; // Check: the diagnostic lines and the summary line, each ending in LF
    std::optional<ChartStatsEntry> stats; // Stats: the figures of a chart that was read
};

// The whole way of one chart, read once: open, then check it, or parse it (with its warnings
// shown on the console), give its figures, draw it and write it, as the task says. The
// picture's file is opened before the chart is parsed, so that a place that takes no picture
// fails at once; each path written is claimed in claims first. Every failure is reported on
// console with the chart's name. Safe to run for several charts at once when each thread has
// its own tools.
[[nodiscard]] ChartOutcome processChart(const ChartJob& job, const DrawingTools& tools,
                                        const ChartSettings& settings, OutputClaims& claims,
                                        Console& console);

// The pictures a chart will make as settings lay it out: 1, or its parts; 1 when it cannot be
// read or laid out (which drawing it reports). Standard input is not read.
[[nodiscard]] std::size_t countPictures(const ChartJob& job, const ChartSettings& settings);

// The reader of job's chart, standard input for "-"; none when it cannot be opened (a directory
// holds none). Throws as ChartTextReader::open does.
[[nodiscard]] std::optional<ChartTextReader> openChart(const ChartJob& job,
                                                       std::optional<ChartEncoding> encoding);

// The warnings of a parsed chart, as one message of check lines on console.
void showWarnings(const ChartJob& job, const ChartReading& chart, WarningDisplay warnings,
                  Console& console);

// Draws a parsed chart in a form into output, opened for job's picture, or onto standard output
// without a picture; a picture cut in parts goes into files beside it instead, each claimed for
// the job in claims first. Returns the exit status; a failure is reported on console.
[[nodiscard]] int drawChart(const ChartJob& job, ChartPipeline& chart,
                            std::optional<TemporaryFile>& output, const DrawingTools& tools,
                            const PictureForm& form, OutputClaims& claims, Console& console);

} // namespace beatplate
