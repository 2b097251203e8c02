#include "pixel_font.h"
#include "render/sprite_atlas.h"
#include "sheet_palette.h"
#include "sprite_sheet.h"

#include <string>

namespace beatplate {
namespace {

constexpr std::uint32_t kBlack = argb(0, 0, 0);
// Markers and numbers start on a line (their first column lies over its right half), so their
// ink keeps one pixel of halo clear of it.
constexpr int kInkLeft = 2;

Cell cellFor(SpriteId id)
{
    return cellOf(spriteRect(id));
}

void fill(Canvas& sheet, SpriteId id, std::uint32_t colour)
{
    const Cell cell = cellFor(id);
    paintRows(sheet, cell, 0, cell.height, colour);
}

// Lanes stack without gaps, so their first and last rows together make a 2-pixel divider.
void drawLanes(Canvas& sheet)
{
    for (SpriteId bit = 0; bit < 3; ++bit) {
        const SpriteId id = 18 + bit;
        const Cell cell = cellFor(id);
        const std::uint32_t tint = palette::kLanes[static_cast<std::size_t>(bit)];
        paintRows(sheet, cell, 0, cell.height, tint);
        paintRows(sheet, cell, 0, 1, mixColour(tint, kBlack, 0.14f));
        paintRows(sheet, cell, cell.height - 1, cell.height, mixColour(tint, kBlack, 0.14f));
    }
}

// The top edge's lower two rows and the bottom edge's upper two lie over the lanes.
void drawLaneEdges(Canvas& sheet)
{
    const Cell top = cellFor(16);
    paintRows(sheet, top, 1, 2, withAlpha(palette::kFrame, 110));
    paintRows(sheet, top, 2, 5, palette::kFrame);
    paintRows(sheet, top, 5, 6, withAlpha(kBlack, 60));
    const Cell bottom = cellFor(17);
    paintRows(sheet, bottom, 0, 1, withAlpha(kBlack, 30));
    paintRows(sheet, bottom, 1, 4, palette::kFrame);
    paintRows(sheet, bottom, 4, 5, withAlpha(palette::kFrame, 110));
}

// Each line is stretched to the row's height, so every row of it is the same.
void drawLines(Canvas& sheet)
{
    fill(sheet, 21, palette::kBarLine);
    fill(sheet, 22, palette::kBeatLine);
    fill(sheet, 23, palette::kHalfBeatLine);
    fill(sheet, 24, palette::kBranchLine);
    fill(sheet, 25, palette::kChangeLine);
}

// Stretched along the section at its own height: fades upward so the markers above stay calm.
void drawGogoBand(Canvas& sheet)
{
    const Cell cell = cellFor(27);
    for (int row = 0; row < cell.height - 1; ++row) {
        const auto alpha = static_cast<std::uint32_t>(40 + 70 * row / (cell.height - 2));
        paintRows(sheet, cell, row, row + 1, withAlpha(palette::kGogo, alpha));
    }
    paintRows(sheet, cell, cell.height - 1, cell.height, withAlpha(palette::kGogo, 170));
}

void drawDigitSet(Canvas& sheet, SpriteId firstDigit, int pointSprite, std::uint32_t ink)
{
    const Lettering style{ ink, palette::kHalo };
    for (int digit = 0; digit < 10; ++digit) {
        const std::string text(1, static_cast<char>('0' + digit));
        drawLettering(sheet, cellFor(firstDigit + digit), kInkLeft, 0, text, style);
    }
    if (pointSprite >= 0)
        drawLettering(sheet, cellFor(pointSprite), kInkLeft + 1, 0, ".", style);
}

// Only scroll speeds can be negative (a reverse scroll).
void drawScrollMinus(Canvas& sheet)
{
    drawLettering(sheet, cellFor(65), kInkLeft, 0, "-", { palette::kScrollInk, palette::kHalo });
}

void drawBranchIcons(Canvas& sheet)
{
    for (SpriteId bit = 0; bit < 3; ++bit) {
        const Cell cell = cellFor(52 + bit);
        paintField(sheet, cell, roundedBox(3, 3, 2.9f, 2.9f, 1.3f), palette::kOutline);
        paintField(sheet, cell, roundedBox(3, 3, 1.9f, 1.9f, 0.6f),
                   palette::kBranchIcons[static_cast<std::size_t>(bit)]);
    }
}

} // namespace

void drawScoreSprites(Canvas& sheet)
{
    fill(sheet, 26, palette::kPage);
    drawGogoBand(sheet);
    drawLanes(sheet);
    drawLaneEdges(sheet);
    drawLines(sheet);

    drawLettering(sheet, cellFor(28), kInkLeft, 0, "BPM", { palette::kTempoInk, palette::kHalo });
    drawLettering(sheet, cellFor(51), kInkLeft, 0, "HS", { palette::kScrollInk, palette::kHalo });
    drawDigitSet(sheet, 30, 29, palette::kTempoInk);
    drawDigitSet(sheet, 40, 50, palette::kScrollInk);
    drawScrollMinus(sheet);
    drawDigitSet(sheet, 55, -1, palette::kSmallInk);
    drawBranchIcons(sheet);
}

} // namespace beatplate
