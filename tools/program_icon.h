#pragma once

#include "image/canvas.h"

#include <cstdint>
#include <span>
#include <vector>

namespace beatplate {

// The program's icon at size × size pixels: a plate of the page's colour with a red note over a
// blue one, painted as the sheet's notes are.
[[nodiscard]] Canvas drawProgramIcon(int size);

// An .ico file holding each picture (square, at most 256 pixels) as a 32-bit bitmap with its
// mask, as Windows reads them at every size.
[[nodiscard]] std::vector<std::uint8_t> iconFile(std::span<const Canvas> pictures);

// The sizes Explorer and the taskbar ask for.
inline constexpr int kProgramIconSizes[] = { 16, 24, 32, 48, 256 };

} // namespace beatplate
