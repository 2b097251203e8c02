#pragma once

#include "chart/chart_document.h"
#include "render/band_index.h"
#include "render/score_layout.h"
#include "render/sprite_painter.h"

#include <cstdint>
#include <optional>

namespace beatplate {

// Every note and span, and over them all the icon and count of each counted span. What can reach
// the band is drawn, in the order the whole picture draws it; everything else would fall outside
// the target.
void drawNotes(const ScoreLayout& layout, const BandContents& band, const Canvas& sheet,
               DrawTarget target);

// The icon of a counted span's kind; none for every other kind.
[[nodiscard]] std::optional<Sprite> countIcon(NoteKind kind);

} // namespace beatplate
