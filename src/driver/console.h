#pragma once

#include <string_view>

namespace beatplate {

enum class LineEnd {
    Newline,
    None, // the chart-error report ends with its message, as it always has
};

// Writes one message to standard output and waits for one character on standard input, so
// that a window opened for the run stays until a key is pressed; at the end of the input the
// wait returns at once.
void reportAndWait(std::string_view message, LineEnd lineEnd = LineEnd::Newline);

} // namespace beatplate
