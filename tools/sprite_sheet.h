#pragma once

#include "image/canvas.h"

namespace beatplate {

inline constexpr int kSheetWidth = 126;
inline constexpr int kSheetHeight = 114;

// Draws our sprite sheet from code: every sprite of the atlas at its rectangle, transparent
// everywhere else.
[[nodiscard]] Canvas drawSpriteSheet();

// The parts of the sheet, each drawn into the atlas rectangles of its sprites.
void drawNoteSprites(Canvas& sheet); // single notes, span pieces and span icons
void drawScoreSprites(Canvas& sheet); // lanes, edges, lines, page, gogo band, labels and digits

} // namespace beatplate
