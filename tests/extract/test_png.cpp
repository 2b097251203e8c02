#include "extract/test_png.h"

#include "support/test_support.h"

#include <png.h>

#include <stdexcept>

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

} // namespace beatplate::test
