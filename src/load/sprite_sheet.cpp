#include "load/sprite_sheet.h"

#include "platform/file_stream.h"
#include "png/png_error.h"
#include "png/png_handles.h"

#include <png.h>

#include <array>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace beatplate {

namespace {

struct DecodedLayout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::size_t rowBytes = 0;
    int channels = 0;
    int bitDepth = 0;
};

} // namespace

// libpng reports errors by jumping back here, so nothing with a destructor may live in this
// function; it asks for every format to arrive as 8-bit blue, green, red, alpha.
static bool readLayout(png_structp png, png_infop info, std::FILE* file, DecodedLayout* layout)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, kSpriteSheetMaxSide, kSpriteSheetMaxSide);
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    png_set_expand(png); // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout->width = png_get_image_width(png, info);
    layout->height = png_get_image_height(png, info);
    layout->rowBytes = png_get_rowbytes(png, info);
    layout->channels = png_get_channels(png, info);
    layout->bitDepth = png_get_bit_depth(png, info);
    return true;
}

static bool readRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

static bool hasPngSignature(std::FILE* file)
{
    std::array<png_byte, 8> signature{};
    return std::fread(signature.data(), 1, signature.size(), file) == signature.size()
        && png_sig_cmp(signature.data(), 0, signature.size()) == 0;
}

static std::optional<Canvas> decodeSpriteSheet(const FilePtr& file)
{
    if (!file || !hasPngSignature(file.get()))
        return std::nullopt;
    PngErrorState errors;
    const PngReadHandle guard(&errors, onPngError, onPngWarning);
    DecodedLayout layout;
    if (!guard.valid() || !readLayout(guard.png(), guard.info(), file.get(), &layout))
        return std::nullopt;
    if (layout.channels != 4 || layout.bitDepth != 8
        || layout.rowBytes != std::size_t{ layout.width } * 4)
        return std::nullopt;
    std::optional<Canvas> sheet;
    std::vector<png_bytep> rows;
    try {
        sheet.emplace(static_cast<int>(layout.width), static_cast<int>(layout.height));
        rows.resize(layout.height);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
    for (png_uint_32 y = 0; y < layout.height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(sheet->row(static_cast<int>(y)).data());
    if (!readRows(guard.png(), rows.data()))
        return std::nullopt;
    return sheet;
}

std::optional<Canvas> loadSpriteSheet(const std::filesystem::path& path)
{
    return decodeSpriteSheet(openFileStream(path, "rb"));
}

std::optional<Canvas> loadSpriteSheet(std::span<const std::uint8_t> png)
{
    if (png.empty())
        return std::nullopt;
    return decodeSpriteSheet(openMemoryStream(png));
}

} // namespace beatplate
