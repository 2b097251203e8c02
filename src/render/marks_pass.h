#pragma once

#include "chart/chart_comparison.h"
#include "render/band_index.h"
#include "render/score_layout.h"
#include "render/sprite_painter.h"

#include <cstdint>

namespace beatplate {

// The marks' colours (0xRRGGBB), from the sprite sheet's palette: its yellow for a measure
// changed, the green of its square badge for one added, its red where measures were removed.
inline constexpr std::uint32_t kChangedMarkColour = 0xF7C634;
inline constexpr std::uint32_t kAddedMarkColour = 0x4FAE5B;
inline constexpr std::uint32_t kRemovedMarkColour = 0xE5493B;
// The paper inside the removed mark's tag: the palette's rim.
inline constexpr std::uint32_t kRemovedTagColour = 0xFFFBF2;
// How strongly a measure's band tints what lies under it, of 255: the lanes stay readable.
inline constexpr std::uint32_t kMarkBandAlpha = 110;

// Pixels [left, right) x [top, bottom) of the one-column picture.
struct PixelArea {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;

    bool operator==(const PixelArea&) const = default;
};

// The band behind a measure: its row from top to bottom, across what the measures pass draws
// of it (a row's overhangs included).
[[nodiscard]] PixelArea measureMarkArea(const ScoreLayout& layout, std::uint32_t measure);
// The mark of measures removed before a measure (the count of measures for the end): a red
// bar down its row on the bar line, and a tag with the count in the gap above the row.
[[nodiscard]] PixelArea removedMarkArea(const ScoreLayout& layout, std::uint32_t before,
                                        std::uint32_t count);

// The bands of the measures changed and added, and the removed marks, over the measures and
// events and under the notes, so that the notes stay as readable as without them. What can
// reach the band is drawn; marks hold one entry per placed measure.
void drawMarks(const ScoreLayout& layout, const BandContents& band, const MeasureMarks& marks,
               const Canvas& sheet, DrawTarget target);

} // namespace beatplate
