#pragma once

#include "image/canvas.h"

#include <filesystem>
#include <stdexcept>

namespace beatplate {

// A failure to read or write a sprite-sheet PNG; what() names the file and the cause.
class RgbaPngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes canvas as an 8-bit RGBA PNG. Writes a temporary file beside path and renames it over
// path when complete; throws RgbaPngError and leaves nothing behind on failure.
void writeRgbaPng(const std::filesystem::path& path, const Canvas& canvas);

// Reads any PNG into a canvas of straight-alpha 0xAARRGGBB pixels (images without alpha come
// out opaque); throws RgbaPngError when the file cannot be read or is not a PNG.
[[nodiscard]] Canvas readRgbaPng(const std::filesystem::path& path);

} // namespace beatplate
