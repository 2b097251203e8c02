#include "support/png_file.h"

#include <stdexcept>
#include <zlib.h>

namespace beatplate::test {

static std::uint32_t bigEndian(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (const char byte : bytes.substr(0, 4))
        value = (value << 8) | static_cast<unsigned char>(byte);
    return value;
}

std::vector<RawChunk> pngChunks(std::string_view file)
{
    std::vector<RawChunk> chunks;
    for (std::size_t offset = 8; offset + 12 <= file.size();) {
        const std::size_t length = bigEndian(file.substr(offset));
        if (offset + 12 + length > file.size())
            break;
        chunks.push_back({ std::string(file.substr(offset + 4, 4)),
                           std::string(file.substr(offset + 8, length)), offset });
        offset += 12 + length;
    }
    return chunks;
}

static std::string bigEndianBytes(std::uint32_t value)
{
    return { static_cast<char>(value >> 24), static_cast<char>(value >> 16),
             static_cast<char>(value >> 8), static_cast<char>(value) };
}

std::string pngChunk(std::string_view type, std::string_view data,
                     std::optional<std::uint32_t> claimedLength)
{
    const std::string typeAndData = std::string(type) + std::string(data);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(typeAndData.data()),
                           static_cast<uInt>(typeAndData.size()));
    return bigEndianBytes(claimedLength.value_or(static_cast<std::uint32_t>(data.size())))
        + typeAndData + bigEndianBytes(static_cast<std::uint32_t>(crc));
}

std::string rgbaHeaderChunk(std::uint32_t width, std::uint32_t height)
{
    return pngChunk(
        "IHDR", bigEndianBytes(width) + bigEndianBytes(height) + std::string("\x08\x06\0\0\0", 5));
}

std::string pngFile(const std::vector<std::string>& chunks)
{
    std::string file = "\x89PNG\r\n\x1a\n";
    for (const auto& chunk : chunks)
        file += chunk;
    return file;
}

namespace {

// Owns a zlib deflate stream.
class Deflater {
public:
    Deflater()
    {
        if (deflateInit(&m_stream, Z_BEST_COMPRESSION) != Z_OK)
            throw std::runtime_error("deflateInit");
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    ~Deflater() { deflateEnd(&m_stream); }

    // Compresses input and flushes: what comes out ends on a byte boundary.
    std::string deflate(std::string_view input, int flush)
    {
        std::string out;
        std::string buffer(1 << 16, '\0');
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        m_stream.avail_in = static_cast<uInt>(input.size());
        do {
            m_stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            m_stream.avail_out = static_cast<uInt>(buffer.size());
            ::deflate(&m_stream, flush);
            out.append(buffer.data(), buffer.size() - m_stream.avail_out);
        } while (m_stream.avail_out == 0);
        return out;
    }

private:
    z_stream m_stream{};
};

} // namespace

std::string zeroBomb(std::uint64_t size)
{
    constexpr std::uint64_t kSegment = 1 << 20;
    if (size < 3 * kSegment)
        throw std::invalid_argument("a bomb of at least 3 MiB");
    const std::uint64_t repeats = size / kSegment - 1;
    Deflater deflater;
    std::string stream =
        deflater.deflate(std::string(size - repeats * kSegment, '\0'), Z_SYNC_FLUSH);
    // Once the window holds only zeros, each flushed megabyte compresses to the same bytes.
    const std::string segment = deflater.deflate(std::string(kSegment, '\0'), Z_SYNC_FLUSH);
    if (deflater.deflate(std::string(kSegment, '\0'), Z_SYNC_FLUSH) != segment)
        throw std::runtime_error("zlib does not repeat itself over zeros");
    stream.reserve(stream.size() + repeats * segment.size() + 16);
    for (std::uint64_t i = 0; i < repeats; ++i)
        stream += segment;
    // The end of the stream, with the Adler-32 of size zeros in place of the one zlib counted.
    const std::string end = deflater.deflate("", Z_FINISH);
    return stream + end.substr(0, end.size() - 4)
        + bigEndianBytes(static_cast<std::uint32_t>((size % 65521) << 16 | 1));
}

} // namespace beatplate::test
