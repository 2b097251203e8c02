#pragma once

#include "chart/chart_document.h"
#include "image/canvas.h"
#include "render/text_line.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace beatplate {

inline constexpr int kHeaderOriginX = 8;
inline constexpr int kTitleOriginY = 8;
inline constexpr int kTitleCellHeight = 24;
inline constexpr int kDifficultyOriginY = 40;
inline constexpr int kDifficultyCellHeight = 18;
inline constexpr int kRatingStars = 10;

// The difficulty, a space, then ten stars of which level are filled: a level below 0 fills
// none and one above 10 fills all, so the bar keeps its length.
[[nodiscard]] std::u16string difficultyLine(std::u16string_view difficulty, std::int32_t level);

// The title and difficulty lines laid out once for a canvas width, so that every band of a
// picture draws the same glyphs and none of them needs the face.
struct HeaderLines {
    LaidOutLine title;
    LaidOutLine difficulty;
};

// partLabel, when not empty, follows the stars: which part of a picture cut in parts it is.
[[nodiscard]] HeaderLines layOutHeaderLines(const HeaderFont& font, const ChartDocument& document,
                                            int canvasWidth, std::u16string_view partLabel = {});

// Writes the lines in opaque black onto a canvas whose row 0 is row top of the picture.
void drawHeaderLines(Canvas& canvas, const HeaderLines& lines, int top = 0);

// Writes the title and difficulty lines in opaque black at the top left of the picture, whose
// row top is the canvas's row 0.
void drawHeaderLines(Canvas& canvas, const HeaderFont& font, const ChartDocument& document,
                     int top = 0);

} // namespace beatplate
