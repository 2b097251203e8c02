#pragma once

#include "output/output_file.h"

#include <exception>
#include <string>

namespace beatplate {

// What went wrong on a chart's way from its reading to its picture; callers decide by it, never
// by the text. A chart's own errors are its diagnostics.
enum class PipelineErrorKind {
    SheetUnreadable, // reported where the sheet was loaded, once for a whole run
    PictureTooLarge,
    OutOfMemory,
    OutputFailed, // the picture cannot be encoded or written
    Stopped, // the caller asked for the drawing to stop before it was done
};

inline constexpr const char* kPictureTooLargeMessage = "画像が大きすぎて作れません。";

// A failure of one step, as a value.
struct PipelineError {
    PipelineErrorKind kind = PipelineErrorKind::OutputFailed;
    std::string message; // the system's message, as users know it, UTF-8
    std::string reason = {}; // the system's reason, when there is one
};

// A failure to encode or write a picture, worded: its message, and what failed where as the
// system told it ("output pics/a.png: Permission denied") as the reason; Stopped, not a failure,
// when the encoding was stopped as asked.
[[nodiscard]] PipelineError pictureErrorOf(const OutputError& error);
// The same for a sound, in the words of a WAV file.
[[nodiscard]] PipelineError soundErrorOf(const OutputError& error);
// The failure that drawing a picture threw, as a value: running out of memory, a picture too
// large, or anything else.
[[nodiscard]] PipelineError pictureErrorOf(const std::exception& error);

} // namespace beatplate
