#pragma once

#include <png.h>

#include <array>

namespace beatplate {

// What libpng reported before it gave up; filled inside its callback, so it allocates nothing.
struct PngErrorState {
    std::array<char, 200> message{};
};

// libpng's error callback: records the message in the PngErrorState given as the error pointer
// and jumps back to the caller's setjmp; it never returns.
[[noreturn]] void onPngError(png_structp png, png_const_charp message);

// Warnings change nothing in what is read or written; only failures reach the user.
void onPngWarning(png_structp png, png_const_charp message);

} // namespace beatplate
