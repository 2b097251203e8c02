#include "pixel_font.h"
#include "render/sprite_atlas.h"
#include "sheet_palette.h"
#include "sprite_sheet.h"

#include <optional>
#include <string>

namespace beatplate {
namespace {

constexpr std::uint32_t kBlack = argb(0, 0, 0);
// Markers and numbers start on a line (their first column lies over its right half), so their
// ink keeps one pixel of halo clear of it.
constexpr int kInkLeft = 2;

Cell cellFor(Sprite sprite)
{
    return cellOf(spriteRect(sprite));
}

void fill(Canvas& sheet, Sprite sprite, std::uint32_t colour)
{
    const Cell cell = cellFor(sprite);
    paintRows(sheet, cell, 0, cell.height, colour);
}

// Lanes stack without gaps, so their first and last rows together make a 2-pixel divider.
void drawLanes(Canvas& sheet)
{
    for (int bit = 0; bit < 3; ++bit) {
        const Cell cell = cellFor(nextSprite(Sprite::Lane0, bit));
        const std::uint32_t tint = palette::kLanes[static_cast<std::size_t>(bit)];
        paintRows(sheet, cell, 0, cell.height, tint);
        paintRows(sheet, cell, 0, 1, mixColour(tint, kBlack, 0.14f));
        paintRows(sheet, cell, cell.height - 1, cell.height, mixColour(tint, kBlack, 0.14f));
    }
}

// The top edge's lower two rows and the bottom edge's upper two lie over the lanes.
void drawLaneEdges(Canvas& sheet)
{
    const Cell top = cellFor(Sprite::LaneTopEdge);
    paintRows(sheet, top, 1, 2, withAlpha(palette::kFrame, 110));
    paintRows(sheet, top, 2, 5, palette::kFrame);
    paintRows(sheet, top, 5, 6, withAlpha(kBlack, 60));
    const Cell bottom = cellFor(Sprite::LaneBottomEdge);
    paintRows(sheet, bottom, 0, 1, withAlpha(kBlack, 30));
    paintRows(sheet, bottom, 1, 4, palette::kFrame);
    paintRows(sheet, bottom, 4, 5, withAlpha(palette::kFrame, 110));
}

// Each line is stretched to the row's height, so every row of it is the same.
void drawLines(Canvas& sheet)
{
    fill(sheet, Sprite::BarLine, palette::kBarLine);
    fill(sheet, Sprite::BeatLine, palette::kBeatLine);
    fill(sheet, Sprite::HalfBeatLine, palette::kHalfBeatLine);
    fill(sheet, Sprite::BranchStartLine, palette::kBranchLine);
    fill(sheet, Sprite::ChangeLine, palette::kChangeLine);
}

// Stretched along the section at its own height: fades upward so the markers above stay calm.
void drawGogoBand(Canvas& sheet)
{
    const Cell cell = cellFor(Sprite::GogoBand);
    for (int row = 0; row < cell.height - 1; ++row) {
        const auto alpha = static_cast<std::uint32_t>(40 + 70 * row / (cell.height - 2));
        paintRows(sheet, cell, row, row + 1, withAlpha(palette::kGogo, alpha));
    }
    paintRows(sheet, cell, cell.height - 1, cell.height, withAlpha(palette::kGogo, 170));
}

void drawDigitSet(Canvas& sheet, Sprite firstDigit, std::optional<Sprite> point, std::uint32_t ink)
{
    const Lettering style{ ink, palette::kHalo };
    for (int digit = 0; digit < 10; ++digit) {
        const std::string text(1, static_cast<char>('0' + digit));
        drawLettering(sheet, cellFor(nextSprite(firstDigit, digit)), kInkLeft, 0, text, style);
    }
    if (point)
        drawLettering(sheet, cellFor(*point), kInkLeft + 1, 0, ".", style);
}

// Only scroll speeds can be negative (a reverse scroll).
void drawScrollMinus(Canvas& sheet)
{
    drawLettering(sheet, cellFor(Sprite::SpeedMinus), kInkLeft, 0, "-",
                  { palette::kScrollInk, palette::kHalo });
}

void drawBranchIcons(Canvas& sheet)
{
    for (int bit = 0; bit < 3; ++bit) {
        const Cell cell = cellFor(nextSprite(Sprite::BranchIcon0, bit));
        paintField(sheet, cell, roundedBox(3, 3, 2.9f, 2.9f, 1.3f), palette::kOutline);
        paintField(sheet, cell, roundedBox(3, 3, 1.9f, 1.9f, 0.6f),
                   palette::kBranchIcons[static_cast<std::size_t>(bit)]);
    }
}

} // namespace

void drawScoreSprites(Canvas& sheet)
{
    fill(sheet, Sprite::Background, palette::kPage);
    drawGogoBand(sheet);
    drawLanes(sheet);
    drawLaneEdges(sheet);
    drawLines(sheet);

    drawLettering(sheet, cellFor(Sprite::TempoLabel), kInkLeft, 0, "BPM",
                  { palette::kTempoInk, palette::kHalo });
    drawLettering(sheet, cellFor(Sprite::SpeedLabel), kInkLeft, 0, "HS",
                  { palette::kScrollInk, palette::kHalo });
    drawDigitSet(sheet, Sprite::TempoDigit0, Sprite::TempoPoint, palette::kTempoInk);
    drawDigitSet(sheet, Sprite::SpeedDigit0, Sprite::SpeedPoint, palette::kScrollInk);
    drawScrollMinus(sheet);
    drawDigitSet(sheet, Sprite::SmallDigit0, std::nullopt, palette::kSmallInk);
    drawBranchIcons(sheet);
}

} // namespace beatplate
