#pragma once

#include "render/canvas.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace beatplate {

// A failure to encode or write the picture; what() is a short message for the user.
class PngWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PngWriteOptions {
    int compressionLevel = -1; // zlib level; -1 is libpng's default
};

// Writes canvas as 8-bit RGBA with the chart source in a "bpLt" chunk after IHDR. Writes a
// temporary file beside outputPath and renames it over outputPath when complete; throws
// PngWriteError and leaves nothing behind on failure.
void writeChartPng(const std::filesystem::path& outputPath, const Canvas& canvas,
    std::wstring_view sourceText, const PngWriteOptions& options = {});

// The same PNG encoded into memory.
[[nodiscard]] std::vector<std::uint8_t> encodeChartPng(
    const Canvas& canvas, std::wstring_view sourceText, const PngWriteOptions& options = {});

} // namespace beatplate
