#pragma once

#include "chart/chart_diagnostic.h"
#include "output/output_file.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace beatplate {

// What went wrong on a chart's way to its picture; callers decide by it, never by the text.
enum class PipelineErrorKind {
    ChartMissing, // the chart cannot be opened
    ChartTooLong, // longer than is read
    ChartEncoding, // bytes that cannot be decoded
    ChartError, // any other error of the chart
    OutputRefused, // the picture may not go where it would (over its chart, onto a terminal)
    SheetUnreadable, // reported where the sheet was loaded, once for a whole run
    PictureTooLarge,
    OutOfMemory,
    OutputFailed, // the picture cannot be encoded or written
};

inline constexpr const char* kPictureTooLargeMessage = "画像が大きすぎて作れません。";

// A failure of one step, as a value.
struct PipelineError {
    PipelineErrorKind kind = PipelineErrorKind::OutputFailed;
    std::string message; // the system's message, as users know it, UTF-8
    std::optional<ChartDiagnostic> diagnostic; // of a chart error: where and what exactly
    std::filesystem::path path; // the file it is about, when there is one
    std::string reason; // the system's reason, when there is one

    [[nodiscard]] bool isChartError() const;
};

// The kind of error a chart's first error is.
[[nodiscard]] PipelineError chartErrorOf(const ChartDiagnostic& diagnostic);

// A failure to encode or write a picture, worded: its message, and what failed where as the
// system told it ("output pics/a.png: Permission denied") as the reason.
[[nodiscard]] PipelineError pictureErrorOf(const OutputError& error);
// The same for a sound, in the words of a WAV file.
[[nodiscard]] PipelineError soundErrorOf(const OutputError& error);
// The failure that drawing a picture threw, as a value: running out of memory, a picture too
// large, or anything else.
[[nodiscard]] PipelineError pictureErrorOf(const std::exception& error);

} // namespace beatplate
