#include "render/sprite_atlas.h"

#include <array>
#include <cassert>

namespace beatplate {

static constexpr std::array<RectF, 30> kFixedRects{ {
    { 0, 0, 24, 24 }, // 0 single note "o"
    { 24, 0, 24, 24 }, // 1 single note "O"
    { 48, 0, 24, 24 }, // 2 single note "x"
    { 72, 0, 24, 24 }, // 3 single note "X"
    { 0, 24, 12, 24 }, // 4 "<" span head
    { 12, 24, 12, 24 }, // 5 "<" span body
    { 24, 24, 12, 24 }, // 6 "<" span tail
    { 36, 24, 12, 24 }, // 7 "(" span head
    { 48, 24, 12, 24 }, // 8 "(" span body
    { 60, 24, 12, 24 }, // 9 "(" span tail
    { 0, 48, 12, 24 }, // 10 counted span head
    { 12, 48, 12, 24 }, // 11 counted span body
    { 24, 48, 12, 24 }, // 12 counted span tail
    { 72, 24, 24, 24 }, // 13 "@" icon
    { 96, 24, 24, 24 }, // 14 "p" icon
    { 96, 0, 24, 24 }, // 15 "b" icon
    { 0, 72, 24, 6 }, // 16 lane top edge
    { 0, 78, 24, 6 }, // 17 lane bottom edge
    { 24, 72, 24, 24 }, // 18 lane of bit 0
    { 48, 72, 24, 24 }, // 19 lane of bit 1
    { 72, 72, 24, 24 }, // 20 lane of bit 2
    { 96, 72, 2, 24 }, // 21 bar line
    { 98, 72, 2, 24 }, // 22 beat line
    { 100, 72, 2, 24 }, // 23 half-beat line
    { 102, 72, 2, 24 }, // 24 branch-start line
    { 104, 72, 2, 24 }, // 25 change line
    { 114, 96, 6, 18 }, // 26 page background
    { 120, 96, 6, 18 }, // 27 gogo band
    { 0, 96, 18, 6 }, // 28 tempo label
    { 78, 96, 6, 6 }, // 29 tempo decimal point
} };

RectF spriteRect(SpriteId id)
{
    assert(id >= 0 && id < kSpriteCount);
    if (id < static_cast<SpriteId>(kFixedRects.size()))
        return kFixedRects[static_cast<std::size_t>(id)];
    const auto digitX = [](SpriteId digit) { return static_cast<float>(18 + 6 * digit); };
    if (id < 40)
        return { digitX(id - 30), 96, 6, 6 }; // tempo digits
    if (id < 50)
        return { digitX(id - 40), 102, 6, 6 }; // scroll-speed digits
    switch (id) {
    case 50:
        return { 78, 102, 6, 6 }; // scroll-speed decimal point
    case 51:
        return { 0, 102, 12, 6 }; // scroll-speed label
    case 52:
    case 53:
    case 54:
        return { static_cast<float>(6 * (id - 52)), 108, 6, 6 }; // branch icons
    case 65:
        return { 12, 102, 6, 6 }; // scroll-speed minus sign
    default:
        return { digitX(id - 55), 108, 6, 6 }; // small digits
    }
}

} // namespace beatplate
