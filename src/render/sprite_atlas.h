#pragma once

#include "render/canvas.h"

#include <cstdint>
#include <map>

namespace beatplate {

using SpriteId = std::int32_t;

inline constexpr SpriteId kSpriteCount = 66;
// The sheet must be at least this large to hold every atlas rectangle.
inline constexpr int kSpriteSheetMinWidth = 126;
inline constexpr int kSpriteSheetMinHeight = 114;

// Maps each sprite to its rectangle on the sprite sheet, in sheet pixels.
class SpriteAtlas {
public:
    // The rectangle of id; an unknown id is inserted as (0, 0, 0, 0) and that is returned.
    RectF& operator[](SpriteId id) { return m_rects[id]; }
    [[nodiscard]] std::size_t size() const { return m_rects.size(); }

    bool operator==(const SpriteAtlas&) const = default;

private:
    std::map<SpriteId, RectF> m_rects;
};

// The fixed rectangle of each of the 66 sprites (ids 0 to 65). Id 65, the minus sign of a
// negative scroll speed, lies in the strip of the scroll-speed digits between its label and
// its first digit; a sheet drawn for the 65 sprites before it leaves that cell empty.
[[nodiscard]] RectF spriteRect(SpriteId id);

} // namespace beatplate
