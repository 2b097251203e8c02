#include "output/png_writer.h"

#include "cli/messages.h"
#include "platform/files.h"
#include "png/png_error.h"
#include "png/png_handles.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <system_error>
#include <zlib.h>

namespace beatplate {

static_assert(kPngFilterNone == PNG_FILTER_NONE);
static_assert(kZlibDefaultStrategy == Z_DEFAULT_STRATEGY);

namespace {

constexpr const char* kOutputOpenFailedMessage =
    "出力がなぜかできません。　pngファイル開いてない？";
constexpr const char* kDiskFullMessage = "pngファイルを書ききれません。　ディスクがいっぱいかも？";
constexpr const char* kOutOfMemoryMessage = "メモリが足りなくてpngを作れません。";
constexpr const char* kEmptyCanvasMessage = "画像が空なのでpngにできません。";
constexpr const char* kTooTallMessage = "画像が縦に長すぎてpngにできません。";
constexpr const char* kTooWideMessage = "画像が横に長すぎてpngにできません。";
constexpr const char* kSourceTooLongMessage = "譜面が長すぎてpngに入りません。";

// Where the encoded bytes go: an open file or a vector.
struct PngSink {
    std::FILE* file = nullptr;
    std::vector<std::uint8_t>* memory = nullptr;
    int error = 0; // errno of a failed write, ENOMEM when memory ran out
};

} // namespace

// Returns false, with the cause in sink.error, when the bytes could not all be written.
static bool writeBytes(PngSink& sink, std::span<const std::uint8_t> bytes) noexcept
{
    if (sink.file != nullptr) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), sink.file) == bytes.size())
            return true;
        sink.error = errno != 0 ? errno : EIO;
        return false;
    }
    try {
        sink.memory->insert(sink.memory->end(), bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        sink.error = ENOMEM;
        return false;
    }
    return true;
}

static void writeToSink(png_structp png, png_bytep data, std::size_t length)
{
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    // The jump leaves from here, not from inside a handler, so no exception is left alive.
    if (!writeBytes(*sink, { data, length }))
        png_error(png, sink->error == ENOMEM ? "out of memory" : "write failed");
}

// The file is flushed once, when it is complete.
static void flushNothing(png_structp)
{
}

static void appendCodeUnit(std::vector<std::uint8_t>& data, std::uint32_t unit)
{
    data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    data.push_back(static_cast<std::uint8_t>(unit >> 8));
}

std::vector<std::uint8_t> sourceChunkData(std::wstring_view sourceText)
{
    std::vector<std::uint8_t> data;
    data.reserve(sourceText.size() * 2 + 2);
    for (const wchar_t character : sourceText) {
        const auto value = static_cast<std::uint32_t>(character);
        if (value <= 0xFFFF) {
            appendCodeUnit(data, value);
        } else if (value <= 0x10FFFF) {
            appendCodeUnit(data, 0xD800 + ((value - 0x10000) >> 10));
            appendCodeUnit(data, 0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            appendCodeUnit(data, 0xFFFD);
        }
    }
    appendCodeUnit(data, 0);
    return data;
}

static void checkPictureSize(int width, int height, const PngWriteOptions& options)
{
    if (width <= 0 || height <= 0)
        throw PngWriteError(kEmptyCanvasMessage);
    if (static_cast<std::uint32_t>(height) > options.maxHeight)
        throw PngWriteError(kTooTallMessage);
    if (static_cast<std::uint32_t>(width) > PNG_USER_WIDTH_MAX)
        throw PngWriteError(kTooWideMessage);
}

static void checkCanvasSize(const Canvas& canvas, const PngWriteOptions& options)
{
    checkPictureSize(canvas.width(), canvas.height(), options);
}

static void applyOptions(png_structp png, const PngWriteOptions& options)
{
    png_set_user_limits(png, PNG_USER_WIDTH_MAX, options.maxHeight);
    if (options.compressionLevel >= 0)
        png_set_compression_level(png, options.compressionLevel);
    if (options.filters >= 0)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, options.filters);
    if (options.strategy >= 0)
        png_set_compression_strategy(png, options.strategy);
}

// libpng reports errors by jumping back here, so nothing with a destructor may live in this
// function; the caller owns everything and turns a false result into an exception.
static bool writeImage(png_structp png, png_infop info, const Canvas& canvas,
                       png_unknown_chunk* sourceChunk, png_bytepp rows,
                       const PngWriteOptions& options)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    applyOptions(png, options);
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

static std::string failureMessage(const PngErrorState& errors, const PngSink& sink)
{
    if (sink.error == ENOSPC || sink.error == EDQUOT)
        return kDiskFullMessage;
    if (sink.error == ENOMEM)
        return kOutOfMemoryMessage;
    if (sink.error != 0)
        return kWriteFailedMessage;
    const std::string message = errors.message.data();
    if (message.find("memory") != std::string::npos)
        return kOutOfMemoryMessage;
    return "pngを作れませんでした（libpng: " + message + "）。";
}

SourceChunk makeSourceChunk(std::wstring_view sourceText)
{
    if (sourceText.size() > (PNG_UINT_31_MAX - 2) / 2)
        throw PngWriteError(kSourceTooLongMessage);
    std::vector<std::uint8_t> chunkData;
    try {
        chunkData = sourceChunkData(sourceText);
    } catch (const std::bad_alloc&) {
        throw PngWriteError(kOutOfMemoryMessage);
    }
    if (chunkData.size() > PNG_UINT_31_MAX)
        throw PngWriteError(kSourceTooLongMessage);
    return { std::move(chunkData) };
}

// The reference path: libpng, on one thread, from the whole canvas.
static void encodeWithLibpng(PngSink& sink, const Canvas& canvas, const SourceChunk& chunk,
                             const PngWriteOptions& options)
{
    checkCanvasSize(canvas, options);
    const std::vector<std::uint8_t>& chunkData = chunk.data;
    std::vector<png_bytep> rows;
    try {
        rows.resize(static_cast<std::size_t>(canvas.height()));
    } catch (const std::bad_alloc&) {
        throw PngWriteError(kOutOfMemoryMessage);
    }
    // Rows are handed over in place; with only png_set_bgr in force libpng reads them and
    // transforms its own copy.
    for (int y = 0; y < canvas.height(); ++y)
        rows[static_cast<std::size_t>(y)] =
            const_cast<png_bytep>(reinterpret_cast<const png_byte*>(canvas.row(y).data()));
    png_unknown_chunk sourceChunk{};
    std::memcpy(sourceChunk.name, "bpLt", 5);
    // libpng copies the chunk's data and never writes through this pointer.
    sourceChunk.data = const_cast<png_byte*>(chunkData.data());
    sourceChunk.size = chunkData.size();
    // libpng 1.6 refuses a location of 0 before anything has been written.
    sourceChunk.location = PNG_HAVE_PLTE;

    PngErrorState errors;
    const PngWriteHandle guard(&errors, onPngError, onPngWarning);
    if (!guard.valid())
        throw PngWriteError(kOutOfMemoryMessage);
    png_set_write_fn(guard.png(), &sink, writeToSink, flushNothing);
    if (!writeImage(guard.png(), guard.info(), canvas, &sourceChunk, rows.data(), options))
        throw PngWriteError(failureMessage(errors, sink));
}

static bool usesLibpng(const PngWriteOptions& options)
{
    return options.encoder == PngEncoder::Libpng || options.filters != kPngFilterNone;
}

static void encodeInBands(PngSink& sink, const BandedPicture& picture, SourceChunk chunk,
                          const PngWriteOptions& options)
{
    checkPictureSize(picture.width, picture.height, options);
    const BandedPngEncoder encoder(
        picture.width, picture.height,
        { .compressionLevel = options.compressionLevel,
          .strategy = options.strategy < 0 ? kZlibDefaultStrategy : options.strategy,
          .threads = options.threads,
          .bandRows = picture.bandRows > 0 ? picture.bandRows : options.bandRows });
    const auto write = [&sink](std::span<const std::uint8_t> bytes) {
        return writeBytes(sink, bytes);
    };
    bool written = false;
    try {
        written = encoder.writeHeader(chunk.data, write);
        // Written out, the chart text takes no room while the picture is drawn.
        std::vector<std::uint8_t>().swap(chunk.data);
        written = written && encoder.writeImage(picture.rows, write);
    } catch (const std::bad_alloc&) {
        throw PngWriteError(kOutOfMemoryMessage);
    }
    if (!written)
        throw PngWriteError(failureMessage(PngErrorState{}, sink));
}

// The one encoding path of both the file and the in-memory picture.
static void encode(PngSink& sink, const Canvas& canvas, SourceChunk chunk,
                   const PngWriteOptions& options)
{
    if (usesLibpng(options))
        encodeWithLibpng(sink, canvas, chunk, options);
    else
        encodeInBands(sink, bandsOf(canvas), std::move(chunk), options);
}

static void encode(PngSink& sink, const BandedPicture& picture, SourceChunk chunk,
                   const PngWriteOptions& options)
{
    if (!usesLibpng(options)) {
        encodeInBands(sink, picture, std::move(chunk), options);
        return;
    }
    checkPictureSize(picture.width, picture.height, options);
    // libpng takes the whole canvas: the reference the banded encoder is held to.
    encodeWithLibpng(sink, wholeCanvas(picture), chunk, options);
}

BandedPicture bandsOf(const Canvas& canvas)
{
    const auto copyRows = [&canvas](int firstRow, Canvas& band) {
        const std::size_t offset =
            static_cast<std::size_t>(firstRow) * static_cast<std::size_t>(canvas.width());
        std::copy_n(canvas.pixels() + offset, band.byteSize() / 4, band.pixels());
    };
    return { canvas.width(), canvas.height(), copyRows };
}

Canvas wholeCanvas(const BandedPicture& picture)
{
    Canvas canvas(picture.width, picture.height);
    const int bandRows = picture.bandRows > 0 ? picture.bandRows : kPngBandRows;
    for (int first = 0; first < picture.height; first += bandRows) {
        Canvas band(picture.width, std::min(bandRows, picture.height - first));
        picture.rows(first, band);
        std::copy_n(band.pixels(), band.byteSize() / 4,
                    canvas.pixels() + static_cast<std::size_t>(first) * canvas.width());
    }
    return canvas;
}

BandedPicture bandsOf(const BandedScore& score)
{
    const auto drawRows = [&score](int firstRow, Canvas& band) { score.drawBand(firstRow, band); };
    return { score.width(), score.height(), drawRows, score.bandRows() };
}

static const char* messageForSystemError(const std::system_error& error, const char* otherwise)
{
    const int code = error.code().value();
    if (code == ENOSPC || code == EDQUOT)
        return kDiskFullMessage;
    return otherwise;
}

// An existing output that we may not write, or a directory, is not ours to replace; a symbolic
// link is replaced itself, so what it points to is never looked at.
static void checkOutputReplaceable(const std::filesystem::path& outputPath)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(outputPath, error);
    if (!std::filesystem::exists(status) || std::filesystem::is_symlink(status))
        return;
    if (std::filesystem::is_directory(status) || !mayWrite(outputPath))
        throw PngWriteError(kOutputOpenFailedMessage);
}

TemporaryFile openPngOutput(const std::filesystem::path& outputPath)
{
    checkOutputReplaceable(outputPath);
    try {
        return TemporaryFile(outputPath);
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForSystemError(error, kOutputOpenFailedMessage));
    }
}

// Writes what the picture encodes to into the file, then puts the file in place.
template <typename Picture>
static void writeIntoFile(TemporaryFile& file, const Picture& picture, SourceChunk chunk,
                          const PngWriteOptions& options)
{
    PngSink sink;
    try {
        sink.file = file.stream();
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForSystemError(error, kWriteFailedMessage));
    }
    encode(sink, picture, std::move(chunk), options);
    try {
        file.finishWriting();
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForSystemError(error, kWriteFailedMessage));
    }
    try {
        file.replaceTarget();
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForSystemError(error, kOutputOpenFailedMessage));
    }
}

void writeChartPng(TemporaryFile& file, const Canvas& canvas, std::wstring_view sourceText,
                   const PngWriteOptions& options)
{
    writeIntoFile(file, canvas, makeSourceChunk(sourceText), options);
}

void writeChartPng(TemporaryFile& file, const BandedPicture& picture, std::wstring_view sourceText,
                   const PngWriteOptions& options)
{
    writeIntoFile(file, picture, makeSourceChunk(sourceText), options);
}

void writeChartPng(TemporaryFile& file, const BandedPicture& picture, SourceChunk chunk,
                   const PngWriteOptions& options)
{
    writeIntoFile(file, picture, std::move(chunk), options);
}

void writeChartPng(const std::filesystem::path& outputPath, const Canvas& canvas,
                   std::wstring_view sourceText, const PngWriteOptions& options)
{
    checkCanvasSize(canvas, options);
    TemporaryFile file = openPngOutput(outputPath);
    writeChartPng(file, canvas, sourceText, options);
}

template <typename Picture>
static std::vector<std::uint8_t> encodeIntoMemory(const Picture& picture, SourceChunk chunk,
                                                  const PngWriteOptions& options)
{
    std::vector<std::uint8_t> bytes;
    PngSink sink;
    sink.memory = &bytes;
    encode(sink, picture, std::move(chunk), options);
    return bytes;
}

std::vector<std::uint8_t> encodeChartPng(const Canvas& canvas, std::wstring_view sourceText,
                                         const PngWriteOptions& options)
{
    return encodeIntoMemory(canvas, makeSourceChunk(sourceText), options);
}

std::vector<std::uint8_t> encodeChartPng(const BandedPicture& picture, std::wstring_view sourceText,
                                         const PngWriteOptions& options)
{
    return encodeIntoMemory(picture, makeSourceChunk(sourceText), options);
}

std::vector<std::uint8_t> encodeChartPng(const BandedPicture& picture, SourceChunk chunk,
                                         const PngWriteOptions& options)
{
    return encodeIntoMemory(picture, std::move(chunk), options);
}

} // namespace beatplate
