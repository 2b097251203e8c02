#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate::test {

struct TestChunk {
    std::string type; // four letters
    std::string data;
    bool afterImage = false; // written after IDAT instead of before it
};

// A small RGBA PNG holding chunks, made with libpng the way beatplate writes its pictures.
[[nodiscard]] std::string makeTestPng(const std::vector<TestChunk>& chunks,
                                      bool interlaced = false);

// The "bpLt" data of text: UTF-16LE code units and one zero unit.
[[nodiscard]] std::string chartChunkData(std::u16string_view text);

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
