#include "rgba_png.h"

#include "load/sprite_sheet.h"
#include "platform/temporary_file.h"
#include "png/png_handles.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <system_error>
#include <vector>

namespace beatplate {
namespace {

RgbaPngError failure(const std::filesystem::path& path, const char* cause)
{
    return RgbaPngError(path.string() + ": " + cause);
}

// libpng reports errors by longjmp, so this function holds no objects with destructors.
bool encodeImage(png_structp png, png_infop info, std::FILE* file, const Canvas& canvas,
                 png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()),
                 static_cast<png_uint_32>(canvas.height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

std::vector<std::uint8_t> rgbaBytes(const Canvas& canvas)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(canvas.byteSize());
    for (int y = 0; y < canvas.height(); ++y) {
        for (const std::uint32_t pixel : canvas.row(y)) {
            bytes.push_back(static_cast<std::uint8_t>(pixel >> 16));
            bytes.push_back(static_cast<std::uint8_t>(pixel >> 8));
            bytes.push_back(static_cast<std::uint8_t>(pixel));
            bytes.push_back(static_cast<std::uint8_t>(pixel >> 24));
        }
    }
    return bytes;
}

std::vector<png_bytep> rowPointers(std::vector<std::uint8_t>& bytes, int width, int height)
{
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    const auto stride = static_cast<std::size_t>(width) * 4;
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = bytes.data() + y * stride;
    return rows;
}

// Runs one step of the write, turning the system's failure into ours with cause.
template <typename Step>
void attempt(const std::filesystem::path& path, const char* cause, Step step)
{
    try {
        step();
    } catch (const std::system_error&) {
        throw failure(path, cause);
    }
}

} // namespace

void writeRgbaPng(const std::filesystem::path& path, const Canvas& canvas)
{
    if (canvas.empty())
        throw failure(path, "no image to write");
    std::optional<TemporaryFile> file;
    attempt(path, "cannot open for writing", [&] { file.emplace(path); });
    const PngWriteHandle guard;
    if (!guard.valid())
        throw failure(path, "cannot start the PNG encoder");
    auto bytes = rgbaBytes(canvas);
    auto rows = rowPointers(bytes, canvas.width(), canvas.height());
    std::FILE* stream = nullptr;
    attempt(path, "cannot open for writing", [&] { stream = file->stream(); });
    if (!encodeImage(guard.png(), guard.info(), stream, canvas, rows.data()))
        throw failure(path, "PNG encoding failed");
    attempt(path, "cannot finish writing", [&] { file->finishWriting(); });
    attempt(path, "cannot replace the file", [&] { file->replaceTarget(); });
}

Canvas readRgbaPng(const std::filesystem::path& path)
{
    auto sheet = loadSpriteSheet(path);
    if (!sheet)
        throw failure(path, "cannot be read as a PNG");
    return std::move(*sheet);
}

} // namespace beatplate
