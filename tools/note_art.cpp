#include "render/sprite_atlas.h"
#include "sheet_palette.h"
#include "sprite_sheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace beatplate {
namespace {

constexpr float kCentre = 12.0f;
constexpr float kOutlineWidth = 1.3f;
constexpr std::uint32_t kWhite = argb(255, 255, 255);
constexpr std::uint32_t kBlack = argb(0, 0, 0);

// A round shape of the given radius whose centre lies offsetY below the cell's middle.
using ShapeAt = std::function<DistanceField(float offsetY, float radius)>;

struct Ball {
    float radius = 0;
    float rimWidth = 0;
    std::uint32_t fill = 0;
};

// Outline, light rim and a core lit from above; notes and spans share it so their rims match.
void paintBall(Canvas& sheet, const Cell& cell, const ShapeAt& shapeAt, const Ball& ball)
{
    paintField(sheet, cell, shapeAt(0, ball.radius), palette::kOutline);
    paintField(sheet, cell, shapeAt(0, ball.radius - kOutlineWidth), palette::kRim);
    const float coreRadius = ball.radius - kOutlineWidth - ball.rimWidth;
    const auto core = shapeAt(0, coreRadius);
    paintField(sheet, cell, core, mixColour(ball.fill, kBlack, 0.18f));
    const auto lit = shapeAt(-0.3f * coreRadius, coreRadius);
    paintField(sheet, cell, intersection(core, lit), ball.fill);
}

void drawSingleNote(Canvas& sheet, Sprite sprite, const Ball& ball)
{
    const Cell cell = cellOf(spriteRect(sprite));
    const ShapeAt disc = [](float offsetY, float radius) {
        return circle(kCentre, kCentre + offsetY, radius);
    };
    paintBall(sheet, cell, disc, ball);
    const float coreRadius = ball.radius - kOutlineWidth - ball.rimWidth;
    paintField(
        sheet, cell,
        circle(kCentre - 0.4f * coreRadius, kCentre - 0.45f * coreRadius, 0.28f * coreRadius),
        withAlpha(kWhite, 150));
}

enum class SpanPiece { Head, Body, Tail };

// The tail's cap ends within the first half of its cell, so that a note one slot after the
// span's end stays mostly in view.
constexpr float kTailCapLength = 5.5f;

// Signed distance to the strip x <= 0, |y| <= halfHeight: the bar's flat end before its rounding.
float stripEndDistance(float x, float y, float halfHeight)
{
    const float qy = std::abs(y) - halfHeight;
    return std::hypot(std::max(x, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(x, qy), 0.0f);
}

// The span as one long bar: the head's last column and the tail's first column carry exactly
// the body's profile, so the three pieces join without a seam. The head is round; the tail is
// the bar's flat end rounded by what is left of the radius beyond tailHalfFlat.
DistanceField spanField(SpanPiece piece, float centreY, float radius, float tailHalfFlat)
{
    return [=](float x, float y) {
        if (piece == SpanPiece::Tail)
            return stripEndDistance(x - 0.5f, y - centreY, tailHalfFlat) - (radius - tailHalfFlat);
        const float dx = piece == SpanPiece::Head ? std::max(11.5f - x, 0.0f) : 0.0f;
        return std::hypot(dx, y - centreY) - radius;
    };
}

void drawSpan(Canvas& sheet, Sprite head, const Ball& ball)
{
    constexpr std::array<SpanPiece, 3> kPieces{ SpanPiece::Head, SpanPiece::Body, SpanPiece::Tail };
    // Every layer of the ball is the same flat end grown by less, so the outline and rim keep
    // their widths round the cap.
    const float tailHalfFlat = ball.radius - kTailCapLength;
    for (std::size_t i = 0; i < kPieces.size(); ++i) {
        const SpanPiece piece = kPieces[i];
        const ShapeAt bar = [piece, tailHalfFlat](float offsetY, float radius) {
            return spanField(piece, kCentre + offsetY, radius, tailHalfFlat);
        };
        paintBall(sheet, cellOf(spriteRect(nextSprite(head, static_cast<int>(i)))), bar, ball);
    }
}

// The light centre carries the count; the badge colour and outline shape tell the kinds apart.
void drawBadge(Canvas& sheet, Sprite sprite, const DistanceField& outer, std::uint32_t colour,
               const DistanceField& centre)
{
    const Cell cell = cellOf(spriteRect(sprite));
    paintField(sheet, cell, outer, palette::kOutline);
    const auto body = grown(outer, -kOutlineWidth);
    paintField(sheet, cell, body, mixColour(colour, kBlack, 0.15f));
    paintField(sheet, cell, intersection(body, circle(kCentre, kCentre - 4.0f, 11.0f)), colour);
    paintField(sheet, cell, grown(centre, 1.0f), mixColour(colour, kBlack, 0.35f));
    paintField(sheet, cell, centre, palette::kBadgeCentre);
}

DistanceField burst(int points, float outerRadius, float innerRadius)
{
    std::vector<Vertex> corners;
    for (int i = 0; i < 2 * points; ++i) {
        const double angle = std::numbers::pi * i / points - std::numbers::pi / 2;
        const float radius = i % 2 == 0 ? outerRadius : innerRadius;
        corners.push_back({ kCentre + radius * static_cast<float>(std::cos(angle)),
                            kCentre + radius * static_cast<float>(std::sin(angle)) });
    }
    return polygon(corners);
}

} // namespace

void drawNoteSprites(Canvas& sheet)
{
    const Ball small{ 8.6f, 1.6f, 0 };
    const Ball big{ 11.6f, 2.0f, 0 };
    drawSingleNote(sheet, Sprite::NoteO, { small.radius, small.rimWidth, palette::kRed });
    drawSingleNote(sheet, Sprite::NoteBigO, { big.radius, big.rimWidth, palette::kRed });
    drawSingleNote(sheet, Sprite::NoteX, { small.radius, small.rimWidth, palette::kBlue });
    drawSingleNote(sheet, Sprite::NoteBigX, { big.radius, big.rimWidth, palette::kBlue });

    drawSpan(sheet, Sprite::AngleSpanHead, { small.radius, small.rimWidth, palette::kYellow });
    drawSpan(sheet, Sprite::ParenSpanHead, { big.radius, big.rimWidth, palette::kOrange });
    drawSpan(sheet, Sprite::CountedSpanHead, { 9.8f, 1.8f, palette::kViolet });

    drawBadge(sheet, Sprite::AtIcon, circle(kCentre, kCentre, 11.6f), palette::kBalloonBadge,
              circle(kCentre, kCentre, 7.0f));
    drawBadge(sheet, Sprite::PIcon, roundedBox(kCentre, kCentre, 11.2f, 11.2f, 4.5f),
              palette::kSquareBadge, roundedBox(kCentre, kCentre, 7.5f, 6.0f, 2.5f));
    drawBadge(sheet, Sprite::BIcon, burst(10, 11.9f, 9.4f), palette::kStarBadge,
              circle(kCentre, kCentre, 6.8f));
}

} // namespace beatplate
