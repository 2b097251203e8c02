#include "rgba_png.h"

#include "load/sprite_sheet.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

namespace beatplate {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class PngWriteGuard {
public:
    PngWriteGuard()
        : m_png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr))
    {
        if (m_png)
            m_info = png_create_info_struct(m_png);
    }
    PngWriteGuard(const PngWriteGuard&) = delete;
    PngWriteGuard& operator=(const PngWriteGuard&) = delete;
    ~PngWriteGuard() { png_destroy_write_struct(&m_png, &m_info); }

    [[nodiscard]] bool valid() const { return m_png && m_info; }
    [[nodiscard]] png_structp png() const { return m_png; }
    [[nodiscard]] png_infop info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

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

void writeFile(const std::filesystem::path& path, const Canvas& canvas)
{
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw failure(path, "cannot open for writing");
    const PngWriteGuard guard;
    if (!guard.valid())
        throw failure(path, "cannot start the PNG encoder");
    auto bytes = rgbaBytes(canvas);
    auto rows = rowPointers(bytes, canvas.width(), canvas.height());
    if (!encodeImage(guard.png(), guard.info(), file.get(), canvas, rows.data()))
        throw failure(path, "PNG encoding failed");
    if (std::fclose(file.release()) != 0)
        throw failure(path, "cannot finish writing");
}

} // namespace

void writeRgbaPng(const std::filesystem::path& path, const Canvas& canvas)
{
    if (canvas.empty())
        throw failure(path, "no image to write");
    auto temporary = path;
    temporary += ".part";
    try {
        writeFile(temporary, canvas);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw failure(path, "cannot replace the file");
    }
}

Canvas readRgbaPng(const std::filesystem::path& path)
{
    auto sheet = loadSpriteSheet(path);
    if (!sheet)
        throw failure(path, "cannot be read as a PNG");
    return std::move(*sheet);
}

} // namespace beatplate
