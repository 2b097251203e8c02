#include "render/text_header.h"

#include "render/text_line.h"

#include <algorithm>

namespace beatplate {

std::wstring difficultyLine(std::wstring_view difficulty, std::int32_t level)
{
    const auto filled = static_cast<std::size_t>(std::clamp(level, 0, kRatingStars));
    std::wstring line(difficulty);
    line += L' ';
    line.append(filled, L'★');
    line.append(kRatingStars - filled, L'☆');
    return line;
}

void drawHeaderLines(Canvas& canvas, const HeaderFont& font, const ChartDocument& document, int top)
{
    constexpr std::uint32_t kBlack = 0x000000;
    drawTextLine(canvas, font, document.title, kHeaderOriginX, kTitleOriginY - top,
                 kTitleCellHeight, kBlack);
    drawTextLine(canvas, font, difficultyLine(document.difficulty, document.level), kHeaderOriginX,
                 kDifficultyOriginY - top, kDifficultyCellHeight, kBlack);
}

} // namespace beatplate
