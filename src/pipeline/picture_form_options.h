#pragma once

#include "render/column_layout.h"

#include <cstddef>
#include <string_view>

namespace beatplate {

// --columns N or auto; throws CommandLineError.
[[nodiscard]] std::size_t parseColumnsOption(std::string_view text);
// --max-size WxH, each at least 1; throws CommandLineError.
[[nodiscard]] PictureSize parseMaxSizeOption(std::string_view text);

} // namespace beatplate
