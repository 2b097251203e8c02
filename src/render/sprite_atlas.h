#pragma once

#include "image/canvas.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>

namespace beatplate {

// The sprites of the sheet. A digit set, the lanes and the branch icons are runs in digit or
// bit order, reached through nextSprite.
enum class Sprite : std::uint8_t {
    NoteO, // single note "o"
    NoteBigO, // single note "O"
    NoteX, // single note "x"
    NoteBigX, // single note "X"
    AngleSpanHead, // span opened with "<"
    AngleSpanBody,
    AngleSpanTail,
    ParenSpanHead, // span opened with "("
    ParenSpanBody,
    ParenSpanTail,
    CountedSpanHead, // span of kind "@", "p" or "b"
    CountedSpanBody,
    CountedSpanTail,
    AtIcon, // over the head of a span of kind "@"
    PIcon, // of kind "p"
    BIcon, // of kind "b"
    LaneTopEdge,
    LaneBottomEdge,
    Lane0, // lane of branch bit 0, also the single lane of an unbranched measure
    Lane1,
    Lane2,
    BarLine, // at a measure's start and at the end of a row
    BeatLine,
    HalfBeatLine,
    BranchStartLine,
    ChangeLine, // at a tempo or scroll-speed change inside a measure
    Background,
    GogoBand,
    TempoLabel,
    TempoPoint,
    TempoDigit0,
    SpeedDigit0 = TempoDigit0 + 10, // scroll speed
    SpeedPoint = SpeedDigit0 + 10,
    SpeedLabel,
    BranchIcon0,
    BranchIcon1,
    BranchIcon2,
    SmallDigit0, // measure numbers and the count of a span
    // The minus sign of a negative scroll speed lies in the strip of the scroll-speed digits
    // between its label and its first digit; a sheet drawn for the sprites before it leaves
    // that cell empty.
    SpeedMinus = SmallDigit0 + 10,
};

// The sheet must be at least this large to hold every atlas rectangle.
inline constexpr int kSpriteSheetMinWidth = 126;
inline constexpr int kSpriteSheetMinHeight = 114;

// The number of a sprite, for tables and pictures that count sprites.
using SpriteId = std::int32_t;

[[nodiscard]] constexpr SpriteId idOf(Sprite sprite)
{
    return static_cast<SpriteId>(sprite);
}

inline constexpr SpriteId kSpriteCount = idOf(Sprite::SpeedMinus) + 1;

// The sprite count places after first in its run: digit d of a digit set, bit b of the lanes.
[[nodiscard]] constexpr Sprite nextSprite(Sprite first, int count)
{
    assert(count >= 0 && idOf(first) + count < kSpriteCount);
    return static_cast<Sprite>(idOf(first) + count);
}

// Each sprite's rectangle on the sprite sheet, in sheet pixels, indexed by the sprite.
using SpriteAtlas = std::array<RectF, static_cast<std::size_t>(kSpriteCount)>;

namespace detail {
constexpr SpriteAtlas makeSpriteAtlas()
{
    SpriteAtlas atlas{};
    const auto set = [&atlas](Sprite sprite, RectF rect) {
        atlas[static_cast<std::size_t>(sprite)] = rect;
    };
    set(Sprite::NoteO, { 0, 0, 24, 24 });
    set(Sprite::NoteBigO, { 24, 0, 24, 24 });
    set(Sprite::NoteX, { 48, 0, 24, 24 });
    set(Sprite::NoteBigX, { 72, 0, 24, 24 });
    set(Sprite::AngleSpanHead, { 0, 24, 12, 24 });
    set(Sprite::AngleSpanBody, { 12, 24, 12, 24 });
    set(Sprite::AngleSpanTail, { 24, 24, 12, 24 });
    set(Sprite::ParenSpanHead, { 36, 24, 12, 24 });
    set(Sprite::ParenSpanBody, { 48, 24, 12, 24 });
    set(Sprite::ParenSpanTail, { 60, 24, 12, 24 });
    set(Sprite::CountedSpanHead, { 0, 48, 12, 24 });
    set(Sprite::CountedSpanBody, { 12, 48, 12, 24 });
    set(Sprite::CountedSpanTail, { 24, 48, 12, 24 });
    set(Sprite::AtIcon, { 72, 24, 24, 24 });
    set(Sprite::PIcon, { 96, 24, 24, 24 });
    set(Sprite::BIcon, { 96, 0, 24, 24 });
    set(Sprite::LaneTopEdge, { 0, 72, 24, 6 });
    set(Sprite::LaneBottomEdge, { 0, 78, 24, 6 });
    set(Sprite::Lane0, { 24, 72, 24, 24 });
    set(Sprite::Lane1, { 48, 72, 24, 24 });
    set(Sprite::Lane2, { 72, 72, 24, 24 });
    set(Sprite::BarLine, { 96, 72, 2, 24 });
    set(Sprite::BeatLine, { 98, 72, 2, 24 });
    set(Sprite::HalfBeatLine, { 100, 72, 2, 24 });
    set(Sprite::BranchStartLine, { 102, 72, 2, 24 });
    set(Sprite::ChangeLine, { 104, 72, 2, 24 });
    set(Sprite::Background, { 114, 96, 6, 18 });
    set(Sprite::GogoBand, { 120, 96, 6, 18 });
    set(Sprite::TempoLabel, { 0, 96, 18, 6 });
    set(Sprite::TempoPoint, { 78, 96, 6, 6 });
    set(Sprite::SpeedPoint, { 78, 102, 6, 6 });
    set(Sprite::SpeedLabel, { 0, 102, 12, 6 });
    set(Sprite::SpeedMinus, { 12, 102, 6, 6 });
    // The three 6-pixel strips hold their ten digits from x 18, the branch icons from x 0.
    for (int digit = 0; digit < 10; ++digit) {
        const auto x = static_cast<float>(18 + 6 * digit);
        set(nextSprite(Sprite::TempoDigit0, digit), { x, 96, 6, 6 });
        set(nextSprite(Sprite::SpeedDigit0, digit), { x, 102, 6, 6 });
        set(nextSprite(Sprite::SmallDigit0, digit), { x, 108, 6, 6 });
    }
    for (int bit = 0; bit < 3; ++bit)
        set(nextSprite(Sprite::BranchIcon0, bit), { static_cast<float>(6 * bit), 108, 6, 6 });
    return atlas;
}
} // namespace detail

inline constexpr SpriteAtlas kSpriteAtlas = detail::makeSpriteAtlas();

[[nodiscard]] constexpr RectF spriteRect(Sprite sprite)
{
    return kSpriteAtlas[static_cast<std::size_t>(sprite)];
}

// The same by number, 0 to kSpriteCount - 1.
[[nodiscard]] constexpr RectF spriteRect(SpriteId id)
{
    assert(id >= 0 && id < kSpriteCount);
    return kSpriteAtlas[static_cast<std::size_t>(id)];
}

} // namespace beatplate
