#pragma once

#include "image/canvas.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// "pic.png" in the directory of the running executable; without that path, in argv[0] up to its
// last "/"; when argv[0] has no "/", "pic.png" in the current directory.
[[nodiscard]] std::filesystem::path
spriteSheetPathFor(const std::optional<std::filesystem::path>& executablePath,
                   std::string_view argv0);

// Where the sprite sheet may lie, in the order it is looked for: first as spriteSheetPathFor
// gives it, then, where the executable's directory is known, at ../share/beatplate/pic.png from
// that directory, where an installed program keeps it.
[[nodiscard]] std::vector<std::filesystem::path>
spriteSheetCandidatesFor(const std::optional<std::filesystem::path>& executablePath,
                         std::string_view argv0);

// The first candidate that is a regular file (or a link to one); none when no candidate is, and
// the built-in sheet is drawn with. A FIFO or a directory is passed over, never opened.
[[nodiscard]] std::optional<std::filesystem::path>
findSpriteSheet(const std::vector<std::filesystem::path>& candidates);

// The sheet a run draws with, as its caller chose it.
struct SheetChoice {
    std::optional<std::filesystem::path> file; // none: the built-in sheet
    std::span<const std::uint8_t> builtIn; // the built-in sheet's PNG bytes
};

// The sheet named (--sheet), else the first regular file of the places looked in, else the
// built-in sheet.
[[nodiscard]] SheetChoice chooseSpriteSheet(const std::optional<std::filesystem::path>& named,
                                            std::string_view argv0,
                                            std::span<const std::uint8_t> builtIn);
// The chosen sheet's pixels; none when it cannot be read.
[[nodiscard]] std::optional<Canvas> loadSpriteSheet(const SheetChoice& choice);
// The chosen sheet as a report names it: its file, or "built-in sheet".
[[nodiscard]] std::string sheetName(const SheetChoice& choice);

} // namespace beatplate
