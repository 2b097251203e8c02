#pragma once

#include "image/banded_picture.h"
#include "image/canvas.h"
#include "output/png_write_options.h"
#include "output/png_writer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate::test {

struct PngChunk {
    std::string type; // the four letters
    std::vector<std::uint8_t> data;

    bool operator==(const PngChunk&) const = default;
};

// A PNG as it lies in a file: its chunks in order and its pixels.
struct DecodedPng {
    std::vector<PngChunk> chunks; // signature excluded; every CRC was checked
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    std::vector<std::uint32_t> pixels; // row-major 0xAARRGGBB, from the file's R, G, B, A samples

    [[nodiscard]] std::uint32_t pixel(int x, int y) const
    {
        return pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width)
                         + static_cast<std::size_t>(x));
    }
    [[nodiscard]] std::vector<std::string> chunkTypes() const;
    // The first chunk of that type, or nullptr.
    [[nodiscard]] const PngChunk* findChunk(std::string_view type) const;
};

// Splits the bytes into chunks and decodes the pixels with libpng; only 8-bit RGBA images are
// decoded (those are all the program writes). Throws std::runtime_error on anything malformed:
// bad signature, bad CRC, truncation, bytes after IEND, a libpng error.
[[nodiscard]] DecodedPng decodePng(std::span<const std::uint8_t> bytes);
[[nodiscard]] DecodedPng readPng(const std::filesystem::path& path);

// The pixels of a decoded PNG as a canvas, for whole-image comparisons.
[[nodiscard]] Canvas toCanvas(const DecodedPng& png);

struct TestChunk {
    std::string type; // four letters
    std::string data;
    bool afterImage = false; // written after IDAT instead of before it
};

// An image in any PNG format, for feeding PNG readers: rows are raw packed samples as the format
// stores them (16-bit samples big-endian, sub-byte samples packed from the high bit).
struct TestPngSpec {
    int width = 0;
    int height = 0;
    int colourType = 6;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::vector<std::uint8_t>> rows{};
    std::vector<std::uint8_t> palette{}; // R, G, B triples for colour type 3
    std::vector<std::uint8_t> paletteAlpha{}; // tRNS for colour type 3
    std::optional<std::uint16_t> transparentGrey{}; // tRNS for colour type 0
    std::vector<TestChunk> chunks{}; // written as libpng writes chunks it does not know
};

// Encodes the described picture with libpng; throws std::runtime_error on a libpng error.
[[nodiscard]] std::vector<std::uint8_t> encodeTestPng(const TestPngSpec& spec);
// Encodes a canvas (0xAARRGGBB pixels) as 8-bit RGBA.
[[nodiscard]] std::vector<std::uint8_t> encodeCanvasPng(const Canvas& canvas);

// A small RGBA PNG holding chunks, made with libpng the way beatplate writes its pictures.
[[nodiscard]] std::string makeTestPng(const std::vector<TestChunk>& chunks,
                                      bool interlaced = false);

void writeBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// What encodeChart and writeChart throw when the writer returns an error.
struct PngWriteFailure : std::runtime_error {
    explicit PngWriteFailure(OutputError failure);
    OutputError error;
};

// A picture encoded as the program encodes its pictures, text in its chunk; throws
// PngWriteFailure, or what the picture's source throws.
[[nodiscard]] std::vector<std::uint8_t> encodeChart(const BandedPicture& picture,
                                                    std::u16string_view text,
                                                    const PngWriteOptions& options = {});
[[nodiscard]] std::vector<std::uint8_t> encodeChart(const Canvas& canvas, std::u16string_view text,
                                                    const PngWriteOptions& options = {});
// The same written to path as the program writes a picture file.
void writeChart(const std::filesystem::path& path, const Canvas& canvas, std::u16string_view text,
                const PngWriteOptions& options = {});

// The source chunk's data for a chart text: each UTF-16 code unit little-endian, then a zero
// unit.
[[nodiscard]] std::vector<std::uint8_t> sourceChunkOf(std::u16string_view text);
// The same bytes, as a string for the makers of whole files below.
[[nodiscard]] std::string chartChunkData(std::u16string_view text);

// Pictures made byte by byte, for the cases libpng refuses to write (png_bytes.cpp).
struct RawChunk {
    std::string type;
    std::string data;
    std::size_t offset = 0; // of the length field in the file
};

// The chunks of a PNG file, read straight from its bytes (no CRC check).
[[nodiscard]] std::vector<RawChunk> pngChunks(std::string_view file);

// One chunk as it lies in a file: length, type, data and CRC; claimedLength replaces the length
// field when given.
[[nodiscard]] std::string pngChunk(std::string_view type, std::string_view data,
                                   std::optional<std::uint32_t> claimedLength = std::nullopt);
// The IHDR chunk of an 8-bit RGBA picture.
[[nodiscard]] std::string rgbaHeaderChunk(std::uint32_t width, std::uint32_t height);
// The PNG signature followed by the chunks.
[[nodiscard]] std::string pngFile(const std::vector<std::string>& chunks);

// A zlib stream that inflates to size zero bytes, at about a thousandth of that: a flushed
// deflate block over a window of zeros repeated, so it is cheap to make whatever its size.
[[nodiscard]] std::string zeroBomb(std::uint64_t size);

} // namespace beatplate::test
