#pragma once

#include "platform/text_font_lookup.h"

#include <filesystem>
#include <optional>

namespace beatplate {

// Where a run takes the face of its header lines from, as its caller chose: the font file named
// (--font), else a font file that lies beside the program, else the system's font lookup.
struct HeaderFontChoice {
    std::optional<std::filesystem::path> named;
    std::optional<std::filesystem::path> programDirectory; // none: nothing lies beside it
};

// The font file chosen. The system's lookup, which reads the system's whole font configuration,
// is asked only when no file was named or found beside the program.
[[nodiscard]] std::optional<FontFileRef> findChosenFontFile(const HeaderFontChoice& choice);

// The first font file (.ttf, .ttc or .otf, in any case) by name in directory; none when there
// is none or the directory cannot be read.
[[nodiscard]] std::optional<FontFileRef> fontFileIn(const std::filesystem::path& directory);

// The directory of the running program; none when the system does not say.
[[nodiscard]] std::optional<std::filesystem::path> programDirectory();

} // namespace beatplate
