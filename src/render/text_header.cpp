#include "render/text_header.h"

#include <algorithm>

namespace beatplate {

std::u16string difficultyLine(std::u16string_view difficulty, std::int32_t level)
{
    const auto filled = static_cast<std::size_t>(std::clamp(level, 0, kRatingStars));
    std::u16string line(difficulty);
    line += u' ';
    line.append(filled, u'★');
    line.append(kRatingStars - filled, u'☆');
    return line;
}

HeaderLines layOutHeaderLines(const HeaderFont& font, const ChartDocument& document,
                              int canvasWidth, std::u16string_view partLabel)
{
    std::u16string difficulty = difficultyLine(document.difficulty, document.level);
    if (!partLabel.empty())
        difficulty.append(u"  ").append(partLabel);
    return { layOutTextLine(font, document.title, kHeaderOriginX, kTitleOriginY, kTitleCellHeight,
                            canvasWidth),
             layOutTextLine(font, difficulty, kHeaderOriginX, kDifficultyOriginY,
                            kDifficultyCellHeight, canvasWidth) };
}

void drawHeaderLines(Canvas& canvas, const HeaderLines& lines, int top)
{
    constexpr std::uint32_t kBlack = 0x000000;
    drawLaidOutLine(canvas, lines.title, top, kBlack);
    drawLaidOutLine(canvas, lines.difficulty, top, kBlack);
}

void drawHeaderLines(Canvas& canvas, const HeaderFont& font, const ChartDocument& document, int top)
{
    drawHeaderLines(canvas, layOutHeaderLines(font, document, canvas.width()), top);
}

} // namespace beatplate
