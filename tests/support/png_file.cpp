#include "support/png_file.h"

#include "output/png_writer.h"
#include "png/png_handles.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <variant>
#include <zlib.h>

namespace beatplate::test {

namespace {

struct PngErrorState {
    std::array<char, 256> message{};
};

struct ReadCursor {
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
};

struct ImageHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
};

} // namespace

[[noreturn]] static void onPngError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message.data(), state->message.size(), "%s", message);
    png_longjmp(png, 1);
}

static void onPngWarning(png_structp, png_const_charp)
{
}

static void readFromMemory(png_structp png, png_bytep out, std::size_t length)
{
    auto* cursor = static_cast<ReadCursor*>(png_get_io_ptr(png));
    if (cursor->bytes.size() - cursor->offset < length)
        png_error(png, "unexpected end of data");
    std::memcpy(out, cursor->bytes.data() + cursor->offset, length);
    cursor->offset += length;
}

static void appendToVector(png_structp png, png_bytep data, std::size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

static void flushNothing(png_structp)
{
}

static std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) << 24
        | static_cast<std::uint32_t>(bytes[offset + 1]) << 16
        | static_cast<std::uint32_t>(bytes[offset + 2]) << 8
        | static_cast<std::uint32_t>(bytes[offset + 3]);
}

static std::vector<PngChunk> splitChunks(std::span<const std::uint8_t> bytes)
{
    static constexpr std::array<std::uint8_t, 8> kSignature{ 137, 80, 78, 71, 13, 10, 26, 10 };
    if (bytes.size() < kSignature.size()
        || !std::equal(kSignature.begin(), kSignature.end(), bytes.begin()))
        throw std::runtime_error("not a PNG signature");
    std::vector<PngChunk> chunks;
    std::size_t offset = kSignature.size();
    while (offset < bytes.size()) {
        if (bytes.size() - offset < 12)
            throw std::runtime_error("truncated chunk header");
        const std::uint32_t length = bigEndian32(bytes, offset);
        if (length > 0x7FFFFFFFu || bytes.size() - offset - 12 < length)
            throw std::runtime_error("truncated chunk data");
        const auto typeAndData = bytes.subspan(offset + 4, 4 + std::size_t{ length });
        const auto expectedCrc =
            crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size()));
        if (bigEndian32(bytes, offset + 8 + length) != expectedCrc)
            throw std::runtime_error("bad CRC");
        PngChunk chunk;
        chunk.type.assign(typeAndData.begin(), typeAndData.begin() + 4);
        chunk.data.assign(typeAndData.begin() + 4, typeAndData.end());
        chunks.push_back(std::move(chunk));
        offset += 12 + std::size_t{ length };
        if (chunks.back().type == "IEND") {
            if (offset != bytes.size())
                throw std::runtime_error("bytes after IEND");
            return chunks;
        }
    }
    throw std::runtime_error("no IEND chunk");
}

// Nothing with a destructor may be created here: a libpng error jumps back to the setjmp.
static bool readHeader(png_structp png, png_infop info, ImageHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    png_get_IHDR(png, info, &header->width, &header->height, &header->bitDepth, &header->colourType,
                 &header->interlace, nullptr, nullptr);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

static bool readRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

static void decodePixels(std::span<const std::uint8_t> bytes, DecodedPng& result)
{
    PngErrorState errors;
    const PngReadHandle guard(&errors, onPngError, onPngWarning);
    if (!guard.valid())
        throw std::runtime_error("libpng cannot start reading");
    ReadCursor cursor{ bytes, 0 };
    png_set_read_fn(guard.png(), &cursor, readFromMemory);
    ImageHeader header;
    if (!readHeader(guard.png(), guard.info(), &header))
        throw std::runtime_error(std::string("libpng: ") + errors.message.data());
    result.width = static_cast<int>(header.width);
    result.height = static_cast<int>(header.height);
    result.bitDepth = header.bitDepth;
    result.colourType = header.colourType;
    result.interlace = header.interlace;
    if (header.bitDepth != 8 || header.colourType != PNG_COLOR_TYPE_RGB_ALPHA)
        throw std::runtime_error("only 8-bit RGBA images are decoded");
    const std::size_t width = header.width;
    std::vector<std::uint8_t> samples(width * header.height * 4);
    std::vector<png_bytep> rows(header.height);
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = samples.data() + y * width * 4;
    if (!readRows(guard.png(), guard.info(), rows.data()))
        throw std::runtime_error(std::string("libpng: ") + errors.message.data());
    result.pixels.resize(width * header.height);
    for (std::size_t i = 0; i < result.pixels.size(); ++i) {
        const std::uint8_t* rgba = samples.data() + i * 4;
        result.pixels[i] = std::uint32_t{ rgba[3] } << 24 | std::uint32_t{ rgba[0] } << 16
            | std::uint32_t{ rgba[1] } << 8 | rgba[2];
    }
}

std::vector<std::string> DecodedPng::chunkTypes() const
{
    std::vector<std::string> types;
    for (const auto& chunk : chunks)
        types.push_back(chunk.type);
    return types;
}

const PngChunk* DecodedPng::findChunk(std::string_view type) const
{
    const auto found =
        std::find_if(chunks.begin(), chunks.end(), [&](const auto& c) { return c.type == type; });
    return found == chunks.end() ? nullptr : &*found;
}

DecodedPng decodePng(std::span<const std::uint8_t> bytes)
{
    DecodedPng result;
    result.chunks = splitChunks(bytes);
    decodePixels(bytes, result);
    return result;
}

DecodedPng readPng(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    const std::vector<std::uint8_t> bytes{ std::istreambuf_iterator<char>(file), {} };
    return decodePng(bytes);
}

Canvas toCanvas(const DecodedPng& png)
{
    Canvas canvas(png.width, png.height);
    std::copy(png.pixels.begin(), png.pixels.end(), canvas.pixels());
    return canvas;
}

static bool writeImage(png_structp png, png_infop info, const TestPngSpec& spec,
                       const png_color* palette, const png_color_16* transparentGrey,
                       std::vector<png_unknown_chunk>& unknowns, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(spec.width),
                 static_cast<png_uint_32>(spec.height), spec.bitDepth, spec.colourType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (palette != nullptr)
        png_set_PLTE(png, info, palette, static_cast<int>(spec.palette.size() / 3));
    if (!spec.paletteAlpha.empty())
        png_set_tRNS(png, info, spec.paletteAlpha.data(),
                     static_cast<int>(spec.paletteAlpha.size()), nullptr);
    if (transparentGrey != nullptr)
        png_set_tRNS(png, info, nullptr, 0, transparentGrey);
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

std::vector<std::uint8_t> encodeTestPng(const TestPngSpec& spec)
{
    if (spec.rows.size() != static_cast<std::size_t>(spec.height))
        throw std::invalid_argument("one row of samples per image row");
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < spec.palette.size(); i += 3)
        palette.push_back({ spec.palette[i], spec.palette[i + 1], spec.palette[i + 2] });
    png_color_16 grey{};
    if (spec.transparentGrey)
        grey.gray = *spec.transparentGrey;
    // libpng takes non-const row pointers but only reads the rows it writes.
    std::vector<png_bytep> rows;
    for (const auto& row : spec.rows)
        rows.push_back(const_cast<png_bytep>(row.data()));
    // libpng takes the chunks' data non-const but only reads it.
    std::vector<png_unknown_chunk> unknowns(spec.chunks.size());
    for (std::size_t i = 0; i < spec.chunks.size(); ++i) {
        const TestChunk& chunk = spec.chunks[i];
        chunk.type.copy(reinterpret_cast<char*>(unknowns[i].name), 4);
        unknowns[i].name[4] = 0;
        unknowns[i].data = reinterpret_cast<png_bytep>(const_cast<char*>(chunk.data.data()));
        unknowns[i].size = chunk.data.size();
        unknowns[i].location = chunk.afterImage ? PNG_AFTER_IDAT : PNG_HAVE_PLTE;
    }
    std::vector<std::uint8_t> out;
    PngErrorState errors;
    const PngWriteHandle guard(&errors, onPngError, onPngWarning);
    if (!guard.valid())
        throw std::runtime_error("libpng cannot start writing");
    png_set_write_fn(guard.png(), &out, appendToVector, flushNothing);
    if (!writeImage(guard.png(), guard.info(), spec, palette.empty() ? nullptr : palette.data(),
                    spec.transparentGrey ? &grey : nullptr, unknowns, rows.data()))
        throw std::runtime_error(std::string("libpng: ") + errors.message.data());
    return out;
}

std::vector<std::uint8_t> encodeCanvasPng(const Canvas& canvas)
{
    TestPngSpec spec;
    spec.width = canvas.width();
    spec.height = canvas.height();
    for (int y = 0; y < canvas.height(); ++y) {
        std::vector<std::uint8_t> row;
        for (const std::uint32_t pixel : canvas.row(y)) {
            row.push_back(static_cast<std::uint8_t>(pixel >> 16));
            row.push_back(static_cast<std::uint8_t>(pixel >> 8));
            row.push_back(static_cast<std::uint8_t>(pixel));
            row.push_back(static_cast<std::uint8_t>(pixel >> 24));
        }
        spec.rows.push_back(std::move(row));
    }
    return encodeTestPng(spec);
}

std::vector<std::uint8_t> sourceChunkOf(std::u16string_view text)
{
    std::vector<std::uint8_t> data;
    for (const char16_t unit : text)
        data.insert(
            data.end(),
            { static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8) });
    data.insert(data.end(), { 0, 0 });
    return data;
}

std::string makeTestPng(const std::vector<TestChunk>& chunks, bool interlaced)
{
    constexpr std::size_t kWidth = 5;
    constexpr std::size_t kHeight = 3;
    TestPngSpec spec;
    spec.width = static_cast<int>(kWidth);
    spec.height = static_cast<int>(kHeight);
    spec.interlaced = interlaced;
    for (std::size_t y = 0; y < kHeight; ++y) {
        std::vector<std::uint8_t> row(kWidth * 4);
        for (std::size_t x = 0; x < row.size(); ++x)
            row[x] = static_cast<std::uint8_t>((y * row.size() + x) * 37 + 11);
        spec.rows.push_back(std::move(row));
    }
    spec.chunks = chunks;
    const std::vector<std::uint8_t> bytes = encodeTestPng(spec);
    return { bytes.begin(), bytes.end() };
}

std::string chartChunkData(std::u16string_view text)
{
    const std::vector<std::uint8_t> data = sourceChunkOf(text);
    return { data.begin(), data.end() };
}

void writeBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

PngWriteFailure::PngWriteFailure(OutputError failure)
    : std::runtime_error("the picture was not written")
    , error(std::move(failure))
{
}

static void throwOnFailure(const std::optional<OutputError>& error)
{
    if (error)
        throw PngWriteFailure(*error);
}

std::vector<std::uint8_t> encodeChart(const BandedPicture& picture, std::u16string_view text,
                                      const PngWriteOptions& options)
{
    std::vector<std::uint8_t> bytes;
    PngSink sink(bytes);
    throwOnFailure(writeChartPng(picture, makeSourceChunk(text), sink, options));
    return bytes;
}

std::vector<std::uint8_t> encodeChart(const Canvas& canvas, std::u16string_view text,
                                      const PngWriteOptions& options)
{
    return encodeChart(bandsOf(canvas), text, options);
}

void writeChart(const std::filesystem::path& path, const Canvas& canvas, std::u16string_view text,
                const PngWriteOptions& options)
{
    auto file = openOutputFile(path);
    if (auto* error = std::get_if<OutputError>(&file))
        throw PngWriteFailure(*error);
    PngSink sink(std::get<TemporaryFile>(file));
    throwOnFailure(writeChartPng(bandsOf(canvas), makeSourceChunk(text), sink, options));
}

} // namespace beatplate::test
