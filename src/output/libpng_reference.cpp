#include "output/libpng_reference.h"

#include "base/chart_limits.h"
#include "output/png_writer.h"
#include "png/png_error.h"
#include "png/png_handles.h"

#include <png.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace beatplate {

static_assert(kPngFilterNone == PNG_FILTER_NONE);

namespace {

struct MemorySink {
    std::vector<std::uint8_t>* bytes;
};

} // namespace

static void writeToMemory(png_structp png, png_bytep data, std::size_t length)
{
    auto* sink = static_cast<MemorySink*>(png_get_io_ptr(png));
    try {
        sink->bytes->insert(sink->bytes->end(), data, data + length);
        return;
    } catch (const std::bad_alloc&) {
    }
    // The jump leaves from here, not from inside a handler, so no exception is left alive.
    png_error(png, "out of memory");
}

static void flushNothing(png_structp)
{
}

// libpng reports errors by jumping back here, so nothing with a destructor may live in this
// function; the caller owns everything and turns a false result into an exception.
static bool writeImage(png_structp png, png_infop info, const Canvas& canvas,
                       png_unknown_chunk* sourceChunk, png_bytepp rows,
                       const PngWriteOptions& options, int filters)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, PNG_USER_WIDTH_MAX, options.maxHeight);
    png_set_compression_level(png, options.compressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_set_compression_strategy(png, options.strategy);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()),
                 static_cast<png_uint_32>(canvas.height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_bgr(png);
    png_set_unknown_chunks(png, info, sourceChunk, 1);
    // Written by png_write_info after the (absent) palette: directly after IHDR, before IDAT.
    png_set_unknown_chunk_location(png, info, 0, PNG_HAVE_PLTE);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::vector<std::uint8_t> encodeWithLibpng(const Canvas& canvas,
                                           std::span<const std::uint8_t> chunkData,
                                           const PngWriteOptions& options, int filters)
{
    if (canvas.width() <= 0 || canvas.height() <= 0)
        throw std::runtime_error("libpng takes no empty canvas");
    // Rows are handed over in place; with only png_set_bgr in force libpng reads them and
    // transforms its own copy.
    std::vector<png_bytep> rows(static_cast<std::size_t>(canvas.height()));
    for (int y = 0; y < canvas.height(); ++y)
        rows[static_cast<std::size_t>(y)] =
            const_cast<png_bytep>(reinterpret_cast<const png_byte*>(canvas.row(y).data()));
    png_unknown_chunk sourceChunk{};
    std::memcpy(sourceChunk.name, kChartChunkName, sizeof kChartChunkName);
    // libpng copies the chunk's data and never writes through this pointer.
    sourceChunk.data = const_cast<png_byte*>(chunkData.data());
    sourceChunk.size = chunkData.size();
    // libpng 1.6 refuses a location of 0 before anything has been written.
    sourceChunk.location = PNG_HAVE_PLTE;

    std::vector<std::uint8_t> bytes;
    MemorySink sink{ &bytes };
    PngErrorState errors;
    const PngWriteHandle guard(&errors, onPngError, onPngWarning);
    if (!guard.valid())
        throw std::bad_alloc();
    png_set_write_fn(guard.png(), &sink, writeToMemory, flushNothing);
    if (!writeImage(guard.png(), guard.info(), canvas, &sourceChunk, rows.data(), options, filters))
        throw std::runtime_error("libpng: " + std::string(errors.message.data()));
    return bytes;
}

} // namespace beatplate
