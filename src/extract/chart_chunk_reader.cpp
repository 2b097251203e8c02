#include "extract/chart_chunk_reader.h"

#include "base/text_codec.h"
#include "cli/messages.h"
#include "extract/extract_error.h"
#include "extract/png_chunk_reader.h"
#include "platform/files.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace beatplate {

constexpr std::uint32_t kHeaderLength = 13;

constexpr const char* kNotPng = "PNG画像ではありません。";
constexpr const char* kBrokenPng = "画像が壊れています。";
constexpr const char* kNoChart = "この画像には譜面が入っていません。";
constexpr const char* kBrokenChart = "この画像の譜面は壊れています。";

[[noreturn]] static void failBroken()
{
    throw ExtractError(kExtractPictureUnreadable, kBrokenPng);
}

static bool isLetters(const std::array<char, 4>& type)
{
    return std::all_of(type.begin(), type.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

static bool depthFitsColour(unsigned depth, unsigned colour)
{
    const bool belowByte = depth == 1 || depth == 2 || depth == 4;
    switch (colour) {
    case 0: // grey
        return belowByte || depth == 8 || depth == 16;
    case 3: // palette
        return belowByte || depth == 8;
    case 2: // truecolour
    case 4: // grey and alpha
    case 6: // truecolour and alpha
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

// The sizes and the sample format that the PNG format allows.
static bool isValidHeader(const std::string& data)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
    const auto validSize = [](std::uint32_t size) {
        return size >= 1 && size <= kMaxPngChunkLength;
    };
    return validSize(pngUint32(data.data())) && validSize(pngUint32(data.data() + 4))
        && depthFitsColour(byte(8), byte(9)) && byte(10) == 0 && byte(11) == 0 && byte(12) <= 1;
}

static void readHeaderChunk(PngChunkReader& reader)
{
    const auto chunk = reader.nextChunk();
    if (!chunk || !chunk->is("IHDR") || chunk->length != kHeaderLength)
        failBroken();
    std::string data;
    if (reader.readData(data) != ChunkData::Whole || !isValidHeader(data))
        failBroken();
}

static void readChart(PngChunkReader& reader, const PngChunkHeader& chunk,
                      std::optional<std::string>& chart)
{
    // Two charts in one picture leave no way to tell which one it shows, and a longer chunk than
    // we write is none of ours.
    if (chart || chunk.length > kMaxChartChunkLength)
        throw ExtractError(kExtractNoChart, kBrokenChart);
    if (!reader.mayHold(chunk.length))
        failBroken();
    std::string data;
    if (reader.readData(data) != ChunkData::Whole)
        failBroken();
    chart = std::move(data);
}

// A picture that ends early still gives a chart read whole before the end.
static std::string chartBeforeTheCut(std::optional<std::string>& chart)
{
    if (!chart)
        failBroken();
    return std::move(*chart);
}

static std::string walkChunks(PngChunkReader& reader)
{
    if (!reader.readSignature())
        throw ExtractError(kExtractPictureUnreadable, kNotPng);
    readHeaderChunk(reader);
    std::optional<std::string> chart;
    bool imageSeen = false;
    while (const auto chunk = reader.nextChunk()) {
        if (!isLetters(chunk->type) || chunk->length > kMaxPngChunkLength)
            failBroken();
        if (chunk->is(kChartChunkName)) {
            readChart(reader, *chunk, chart);
            continue;
        }
        // The image data is only checked against its CRCs, never inflated.
        const ChunkData data =
            reader.mayHold(chunk->length) ? reader.skipData() : ChunkData::CutOff;
        if (data == ChunkData::Damaged)
            failBroken();
        if (data == ChunkData::CutOff)
            break;
        imageSeen = imageSeen || chunk->is("IDAT");
        if (!chunk->is("IEND"))
            continue;
        if (!imageSeen)
            failBroken();
        if (!chart)
            throw ExtractError(kExtractNoChart, kNoChart);
        return std::move(*chart);
    }
    return chartBeforeTheCut(chart);
}

std::string readChartChunk(int fd)
{
    PngChunkReader reader(fd);
    try {
        return walkChunks(reader);
    } catch (const std::system_error&) {
        failBroken();
    }
}

std::string readChartChunkOfBytes(std::string_view png)
{
    PngChunkReader reader(png);
    return walkChunks(reader);
}

std::string readChartChunk(const std::filesystem::path& picture)
{
    const FileDescriptor file = openForReading(picture);
    // A directory opens but cannot be read; it is no picture.
    if (!file.valid() || isDirectory(file.get()))
        throw ExtractError(kExtractPictureUnreadable, kFileMissingMessage);
    return readChartChunk(file.get());
}

static std::size_t lineOf(std::u16string_view text, std::size_t unit)
{
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + unit, u'\n'));
}

static std::string lineError(std::u16string_view text, std::size_t badUnit)
{
    return "譜面の" + std::to_string(lineOf(text, badUnit))
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

// The chart text of chunk data, without the LF that the chart reader adds after the last line.
static std::u16string chartTextOf(std::string_view data)
{
    auto decoded = decodeChartChunk(data);
    if (!decoded)
        throw ExtractError(kExtractNoChart, kBrokenChart);
    std::u16string text = std::move(*decoded);
    // The chart reader stops at this character, so no chart text can hold it.
    if (text.find(u'\x1a') != std::u16string::npos)
        throw ExtractError(kExtractNoChart, kBrokenChart);
    if (!text.empty() && text.back() == u'\n')
        text.pop_back();
    return text;
}

static std::string utf8FileOf(std::u16string_view text)
{
    // Only a broken surrogate has no UTF-8 form, and no chart the reader read holds one.
    auto utf8 = encodeUtf8(text);
    if (!utf8)
        throw ExtractError(kExtractNoChart, kBrokenChart);
    return keepCrBeforeLf(*utf8);
}

std::string chartFileFromChunk(std::string_view data, ChartEncoding encoding)
{
    const std::u16string text = chartTextOf(data);
    if (encoding == ChartEncoding::Utf8)
        return utf8FileOf(text);
    const Cp932Encoding cp932 = encodeCp932(text);
    if (cp932.badUnit != std::u16string_view::npos)
        throw ExtractError(kExtractNoChart, lineError(text, cp932.badUnit));
    return keepCrBeforeLf(cp932.bytes);
}

ChartFile chartFileInEncodingThatHoldsIt(std::string_view data)
{
    const std::u16string text = chartTextOf(data);
    const Cp932Encoding cp932 = encodeCp932(text);
    if (cp932.badUnit == std::u16string_view::npos)
        return { keepCrBeforeLf(cp932.bytes), ChartEncoding::Cp932, 0 };
    return { utf8FileOf(text), ChartEncoding::Utf8, lineOf(text, cp932.badUnit) };
}

} // namespace beatplate
