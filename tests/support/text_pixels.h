#pragma once

#include "image/canvas.h"
#include "load/header_font.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace beatplate::test {

// Faces installed by the set-up script (fonts-ipafont-gothic) and fontconfig's own dependency.
inline const std::filesystem::path kIpaGothicFile =
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
inline const std::filesystem::path kIpaPGothicFile =
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
inline const std::filesystem::path kDejaVuSansFile =
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline const std::filesystem::path kDejaVuSansBoldFile =
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// IPAGothic from its package; none when the package is missing.
[[nodiscard]] std::optional<HeaderFont> loadIpaGothic();

[[nodiscard]] Canvas filledCanvas(int width, int height, std::uint32_t colour);

// A pixel the text has clearly darkened: every colour channel below half.
[[nodiscard]] bool isDark(std::uint32_t pixel);

// The darkened pixels of the rows [top, bottom): how many, and their leftmost and rightmost x.
struct DarkExtent {
    int count = 0;
    int left = -1;
    int right = -1;

    bool operator==(const DarkExtent&) const = default;
};
[[nodiscard]] DarkExtent darkExtent(const Canvas& canvas, int top, int bottom);

// Number of pixels in the rows [top, bottom) that differ between two canvases of one size.
[[nodiscard]] int changedPixels(const Canvas& before, const Canvas& after, int top, int bottom);

} // namespace beatplate::test
