#pragma once

#include "image/canvas.h"
#include "output/banded_png_encoder.h"
#include "platform/temporary_file.h"
#include "render/score_renderer.h"

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

inline constexpr int kPngFilterNone = 0x08; // PNG_FILTER_NONE
inline constexpr int kZlibDefaultStrategy = 0; // Z_DEFAULT_STRATEGY

enum class PngEncoder {
    Banded, // BandedPngEncoder: bands compressed on several threads as they come
    Libpng, // libpng on one thread, from the whole canvas: the reference the other is held to
};

// The defaults were measured on score pictures (bench/png_choices): flat sprite art packs best
// unfiltered, and level 6 comes within a few per cent of level 9 in half the time.
struct PngWriteOptions {
    int compressionLevel = 6; // zlib level 0 to 9; -1 is libpng's default
    int filters = kPngFilterNone; // mask of PNG_FILTER_* flags; -1 is libpng's default choice
    int strategy = kZlibDefaultStrategy; // zlib strategy (Z_FILTERED, Z_RLE, ...); -1: libpng's
    // Taller canvases are refused: libpng's default user limit, which PNG readers apply too.
    std::uint32_t maxHeight = 1'000'000;
    // Any filter but None needs libpng: the banded encoder writes every row unfiltered.
    PngEncoder encoder = PngEncoder::Banded;
    unsigned threads = 0; // banded: 0 for one per core; 1 when several pictures are made at once
    int bandRows = kPngBandRows; // banded
};

// Writes canvas as 8-bit RGBA with the chart source in a "bpLt" chunk after IHDR. Writes a
// temporary file beside outputPath and renames it over outputPath when complete; throws
// PngWriteError and leaves nothing behind on failure.
void writeChartPng(const std::filesystem::path& outputPath, const Canvas& canvas,
                   std::wstring_view sourceText, const PngWriteOptions& options = {});

// Opens the file that the picture for outputPath will be written into, so that a place that
// takes no picture is found before any work: throws PngWriteError with the disk-full message
// when the disk or the quota is full (of blocks or of inodes), else the cannot-write one.
[[nodiscard]] TemporaryFile openPngOutput(const std::filesystem::path& outputPath);

// Writes canvas into a file from openPngOutput, then puts it in place of its target, as the
// overload above does; throws PngWriteError and leaves the target as it was on failure.
void writeChartPng(TemporaryFile& file, const Canvas& canvas, std::wstring_view sourceText,
                   const PngWriteOptions& options = {});

// The same PNG encoded into memory.
[[nodiscard]] std::vector<std::uint8_t> encodeChartPng(const Canvas& canvas,
                                                       std::wstring_view sourceText,
                                                       const PngWriteOptions& options = {});

// The same for a picture drawn band by band while it is encoded; it is never held whole unless
// options ask for libpng.
void writeChartPng(TemporaryFile& file, const BandedPicture& picture, std::wstring_view sourceText,
                   const PngWriteOptions& options = {});
[[nodiscard]] std::vector<std::uint8_t> encodeChartPng(const BandedPicture& picture,
                                                       std::wstring_view sourceText,
                                                       const PngWriteOptions& options = {});

// The "bpLt" chunk's data, checked to fit a chunk. Made before a long picture is drawn, it lets
// the caller let go of the chart text, which takes twice its room.
struct SourceChunk {
    std::vector<std::uint8_t> data;
};
// Throws PngWriteError when the text is too long for a chunk or memory runs out.
[[nodiscard]] SourceChunk makeSourceChunk(std::wstring_view sourceText);

// The same with the chunk made beforehand; it is let go once written, before the image.
void writeChartPng(TemporaryFile& file, const BandedPicture& picture, SourceChunk chunk,
                   const PngWriteOptions& options = {});
[[nodiscard]] std::vector<std::uint8_t> encodeChartPng(const BandedPicture& picture,
                                                       SourceChunk chunk,
                                                       const PngWriteOptions& options = {});

// The rows of canvas as a band source; canvas must outlive it.
[[nodiscard]] BandedPicture bandsOf(const Canvas& canvas);
// The bands of a score, drawn as they are encoded; score must outlive it.
[[nodiscard]] BandedPicture bandsOf(const BandedScore& score);
// Every row of a banded picture on one canvas, its bands asked for as its source wants them.
[[nodiscard]] Canvas wholeCanvas(const BandedPicture& picture);

// The data of the "bpLt" chunk: each code unit little-endian, then a zero code unit. A wchar_t
// beyond U+FFFF becomes a surrogate pair, one that is no character at all U+FFFD.
[[nodiscard]] std::vector<std::uint8_t> sourceChunkData(std::wstring_view sourceText);

} // namespace beatplate
