#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// The largest chunk length the PNG format allows.
inline constexpr std::uint32_t kMaxPngChunkLength = 0x7FFFFFFF;

// A four-byte number of the PNG format: most significant byte first.
[[nodiscard]] std::uint32_t pngUint32(const char* bytes);

struct PngChunkHeader {
    std::array<char, 4> type{};
    std::uint32_t length = 0;

    [[nodiscard]] bool is(const char (&name)[5]) const
    {
        return type[0] == name[0] && type[1] == name[1] && type[2] == name[2] && type[3] == name[3];
    }
};

// How the data of a chunk came out.
enum class ChunkData {
    Whole, // every byte and a matching CRC
    CutOff, // the input ended first
    Damaged, // the CRC does not match
};

// Walks the chunks of a PNG as they lie in a file or come through a pipe, checking every
// chunk's CRC, with a fixed buffer whatever the chunks' lengths. Reads the descriptor it is
// given and does not own it; throws std::system_error when a read fails.
class PngChunkReader {
public:
    explicit PngChunkReader(int fd);
    // Reads the bytes of a PNG held in memory, which must outlive the reader.
    explicit PngChunkReader(std::string_view bytes);

    // True when the input begins with the 8-byte PNG signature.
    [[nodiscard]] bool readSignature();
    // The next chunk's type and length; nullopt when the input ends first.
    [[nodiscard]] std::optional<PngChunkHeader> nextChunk();
    // False when the input is a file too short to hold length bytes of data and the CRC.
    [[nodiscard]] bool mayHold(std::uint32_t length) const;
    // Reads the data of the chunk nextChunk announced, and its CRC.
    [[nodiscard]] ChunkData readData(std::string& data);
    // Reads past the data of that chunk, keeping none of it, and checks its CRC.
    [[nodiscard]] ChunkData skipData();

private:
    std::string_view take(std::size_t size);
    [[nodiscard]] bool readExactly(char* destination, std::size_t size);
    ChunkData checkCrc();

    int m_fd = -1;
    std::string_view m_memory; // what is left of the bytes, when there is no descriptor
    std::optional<std::uint64_t> m_left; // bytes still in a regular file
    PngChunkHeader m_chunk;
    unsigned long m_crc = 0;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
};

} // namespace beatplate
