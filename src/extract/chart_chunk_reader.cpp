#include "extract/chart_chunk_reader.h"

#include "extract/cp932.h"
#include "extract/extract_error.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace beatplate {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Owns a libpng read struct and its info struct.
class PngReadGuard {
public:
    PngReadGuard();
    PngReadGuard(const PngReadGuard&) = delete;
    PngReadGuard& operator=(const PngReadGuard&) = delete;
    ~PngReadGuard() { png_destroy_read_struct(&png, &info, nullptr); }

    png_structp png = nullptr;
    png_infop info = nullptr;
};

} // namespace

constexpr std::array<png_byte, 5> kChunkName = { 'b', 'p', 'L', 't', '\0' };
constexpr std::size_t kSignatureSize = 8;

constexpr const char* kPictureMissing = "ファイルが見つかりません。";
constexpr const char* kNotPng = "PNG画像ではありません。";
constexpr const char* kBrokenPng = "画像が壊れています。";
constexpr const char* kNoChart = "この画像には譜面が入っていません。";
constexpr const char* kBrokenChart = "この画像の譜面は壊れています。";

[[noreturn]] static void onPngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// The messages of our own say what went wrong; libpng's warnings would only add noise.
static void onPngWarning(png_structp, png_const_charp)
{
}

PngReadGuard::PngReadGuard()
    : png(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning))
{
    if (png != nullptr)
        info = png_create_info_struct(png);
}

// Reads the chunks up to the image data; false when libpng finds the picture broken.
static bool readPngHead(png_structp png, png_infop info, std::FILE* file, png_alloc_size_t limit)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_sig_bytes(png, kSignatureSize);
    // A damaged chart chunk must fail the picture, not vanish from it as libpng would let it.
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);
    png_set_chunk_malloc_max(png, limit);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kChunkName.data(), 1);
    png_read_info(png, info);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

// Reads every row and the chunks after them; false when libpng finds the picture broken.
static bool readPngRest(png_structp png, png_infop info, png_bytep row, int passes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const png_uint_32 height = png_get_image_height(png, info);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, row, nullptr);
    }
    png_read_end(png, info);
    return true;
}

// No chunk can be longer than the file, so a forged length never costs more memory than that.
static png_alloc_size_t chunkLimit(std::FILE* file)
{
    struct stat status { };
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0)
        return PNG_USER_CHUNK_MALLOC_MAX;
    return std::min<png_alloc_size_t>(static_cast<png_alloc_size_t>(status.st_size),
                                      PNG_UINT_31_MAX);
}

static FilePtr openPicture(const std::filesystem::path& picture)
{
    FilePtr file(std::fopen(picture.c_str(), "rb"));
    struct stat status { };
    if (!file || fstat(fileno(file.get()), &status) != 0 || S_ISDIR(status.st_mode))
        throw ExtractError(kExtractPictureUnreadable, kPictureMissing);
    std::array<png_byte, kSignatureSize> signature{};
    if (std::fread(signature.data(), 1, signature.size(), file.get()) != signature.size()
        || png_sig_cmp(signature.data(), 0, signature.size()) != 0)
        throw ExtractError(kExtractPictureUnreadable, kNotPng);
    return file;
}

std::string readChartChunk(const std::filesystem::path& picture)
{
    const FilePtr file = openPicture(picture);
    PngReadGuard guard;
    if (guard.info == nullptr)
        throw ExtractError(kExtractPictureUnreadable, kBrokenPng);
    if (!readPngHead(guard.png, guard.info, file.get(), chunkLimit(file.get())))
        throw ExtractError(kExtractPictureUnreadable, kBrokenPng);
    std::vector<png_byte> row(png_get_rowbytes(guard.png, guard.info));
    const int passes = png_get_interlace_type(guard.png, guard.info) == PNG_INTERLACE_ADAM7 ? 7 : 1;
    if (!readPngRest(guard.png, guard.info, row.data(), passes))
        throw ExtractError(kExtractPictureUnreadable, kBrokenPng);

    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(guard.png, guard.info, &chunks);
    const png_unknown_chunkp end = chunks + std::max(count, 0);
    const auto isChart = [](const png_unknown_chunk& chunk) {
        return std::memcmp(chunk.name, kChunkName.data(), 4) == 0;
    };
    const auto found = std::find_if(chunks, end, isChart);
    if (found == end)
        throw ExtractError(kExtractNoChart, kNoChart);
    // Two charts in one picture leave no way to tell which one it shows.
    if (std::find_if(found + 1, end, isChart) != end)
        throw ExtractError(kExtractNoChart, kBrokenChart);
    return std::string(reinterpret_cast<const char*>(found->data), found->size);
}

static std::string lineError(std::u16string_view text, std::size_t badUnit)
{
    const auto line = 1 + std::count(text.begin(), text.begin() + badUnit, u'\n');
    return "譜面の" + std::to_string(line)
        + "行目にShift_JISで書けない文字があります。\n--utf8 を付ければUTF-8で書き出せます。";
}

// The chart reader folds CR LF into LF, so a CR that was kept before an LF is written doubled:
// the file then reads back as the same text.
static std::string keepCrBeforeLf(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            out += '\r';
        out += bytes[i];
    }
    return out;
}

std::string chartFileFromChunk(std::string_view data, ChartEncoding encoding)
{
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 2] != '\0'
        || data.back() != '\0')
        throw ExtractError(kExtractNoChart, kBrokenChart);
    std::u16string text;
    text.reserve(data.size() / 2 - 1);
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
        const auto low = static_cast<unsigned char>(data[i]);
        const auto high = static_cast<unsigned char>(data[i + 1]);
        text += static_cast<char16_t>(low | (high << 8));
    }
    // The chart reader stops at this character, so no chart text can hold it.
    if (text.find(u'\x1a') != std::u16string::npos)
        throw ExtractError(kExtractNoChart, kBrokenChart);
    if (!text.empty() && text.back() == u'\n')
        text.pop_back();
    if (encoding == ChartEncoding::Utf8) {
        // Only a broken surrogate has no UTF-8 form, and no chart the reader read holds one.
        auto utf8 = encodeUtf8(text);
        if (!utf8)
            throw ExtractError(kExtractNoChart, kBrokenChart);
        return keepCrBeforeLf(*utf8);
    }
    const Cp932Encoding cp932 = encodeCp932(text);
    if (cp932.badUnit != std::u16string_view::npos)
        throw ExtractError(kExtractNoChart, lineError(text, cp932.badUnit));
    return keepCrBeforeLf(cp932.bytes);
}

} // namespace beatplate
