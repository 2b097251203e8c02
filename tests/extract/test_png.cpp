#include "extract/test_png.h"

#include <png.h>

#include <stdexcept>
#include <zlib.h>

namespace beatplate::test {

namespace {

class PngWriteGuard {
public:
    PngWriteGuard()
        : png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr))
        , info(png_create_info_struct(png))
    {
    }
    PngWriteGuard(const PngWriteGuard&) = delete;
    PngWriteGuard& operator=(const PngWriteGuard&) = delete;
    ~PngWriteGuard() { png_destroy_write_struct(&png, &info); }

    png_structp png;
    png_infop info;
};

} // namespace

constexpr png_uint_32 kWidth = 5;
constexpr png_uint_32 kHeight = 3;

static void appendToString(png_structp png, png_bytep data, png_size_t size)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), size);
}

static void flushNothing(png_structp)
{
}

static bool encode(png_structp png, png_infop info, std::string* out,
                   std::vector<png_unknown_chunk>& unknowns, png_bytepp rows, int interlace)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, appendToString, flushNothing);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB_ALPHA, interlace,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
    if (!unknowns.empty())
        png_set_unknown_chunks(png, info, unknowns.data(), static_cast<int>(unknowns.size()));
    for (std::size_t i = 0; i < unknowns.size(); ++i)
        png_set_unknown_chunk_location(png, info, static_cast<int>(i), unknowns[i].location);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::string makeTestPng(const std::vector<TestChunk>& chunks, bool interlaced)
{
    std::vector<png_byte> pixels(kWidth * kHeight * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<png_byte>(i * 37 + 11);
    std::vector<png_bytep> rows;
    for (png_uint_32 y = 0; y < kHeight; ++y)
        rows.push_back(pixels.data() + y * kWidth * 4);
    std::vector<png_unknown_chunk> unknowns(chunks.size());
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        chunks[i].type.copy(reinterpret_cast<char*>(unknowns[i].name), 4);
        unknowns[i].name[4] = 0;
        unknowns[i].data = reinterpret_cast<png_bytep>(const_cast<char*>(chunks[i].data.data()));
        unknowns[i].size = chunks[i].data.size();
        unknowns[i].location = chunks[i].afterImage ? PNG_AFTER_IDAT : PNG_HAVE_PLTE;
    }
    PngWriteGuard guard;
    std::string out;
    if (!encode(guard.png, guard.info, &out, unknowns, rows.data(),
                interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE))
        throw std::runtime_error("libpng cannot write the test picture");
    return out;
}

std::string chartChunkData(std::u16string_view text)
{
    std::string data;
    for (const char16_t unit : text) {
        data += static_cast<char>(unit & 0xFF);
        data += static_cast<char>(unit >> 8);
    }
    return data + std::string(2, '\0');
}

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
