#pragma once

#include "output/output_file.h"
#include "platform/temporary_file.h"
#include "sound/chart_sound.h"

#include <optional>

namespace beatplate {

// Writes the sound whole into file and puts it in place of its target; on failure the target is
// left as it was. A sound too long for a WAV file is refused before any byte.
[[nodiscard]] std::optional<OutputError> writeChartWav(ChartSound& sound, TemporaryFile& file);
// Writes the sound onto an open descriptor, such as standard output, as it is made: a player
// at the other end of a pipe starts at once, and the longest chart takes no more memory.
[[nodiscard]] std::optional<OutputError> writeChartWav(ChartSound& sound, int descriptor);

} // namespace beatplate
