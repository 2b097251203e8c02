#pragma once

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

} // namespace beatplate::test
