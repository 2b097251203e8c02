#pragma once

#include "platform/temporary_file.h"
#include "sound/chart_sound.h"

#include <filesystem>

namespace beatplate {

// Opens the file that the sound for outputPath will be written into, so that a place that
// takes no file is found before the chart is read; throws PngWriteError with the sound's
// messages.
[[nodiscard]] TemporaryFile openWavOutput(const std::filesystem::path& outputPath);

// Writes the sound whole into file and puts it in place of its target; throws PngWriteError,
// the target then left as it was. A sound too long for a WAV file is refused before any byte.
void writeChartWav(ChartSound& sound, TemporaryFile& file);
// Writes the sound onto an open descriptor, such as standard output, as it is made: a player
// at the other end of a pipe starts at once, and the longest chart takes no more memory.
void writeChartWav(ChartSound& sound, int descriptor);

} // namespace beatplate
