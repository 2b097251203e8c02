#include "output/banded_png_encoder.h"

#include "base/chart_limits.h"
#include "output/band_pipeline.h"
#include "platform/processors.h"

#include <algorithm>
#include <array>
#include <vector>
#include <zlib.h>

namespace beatplate {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{ 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
constexpr std::uint8_t kColourTypeRgba = 6;
// Large enough that chunk headers cost nothing, small enough for any reader's buffer.
constexpr std::size_t kIdatChunkBytes = std::size_t{ 1 } << 18;
// Very wide rows come in bands of fewer rows, so that the bands in flight stay small.
constexpr std::size_t kMaxBandBytes = std::size_t{ 16 } << 20;

void appendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (const int shift : { 24, 16, 8, 0 })
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A chunk is its data's length, its type, its data and the CRC of type and data.
bool writeChunk(const PngByteSink& sink, const char (&type)[5], std::span<const std::uint8_t> data)
{
    std::vector<std::uint8_t> head;
    appendBigEndian(head, static_cast<std::uint32_t>(data.size()));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32_z(0, head.data() + 4, 4);
    // zlib takes a null buffer as a request for the initial value.
    if (!data.empty())
        crc = crc32_z(crc, data.data(), data.size());
    std::vector<std::uint8_t> tail;
    appendBigEndian(tail, static_cast<std::uint32_t>(crc));
    return sink(head) && (data.empty() || sink(data)) && sink(tail);
}

std::vector<std::uint8_t> headerData(int width, int height)
{
    std::vector<std::uint8_t> data;
    appendBigEndian(data, static_cast<std::uint32_t>(width));
    appendBigEndian(data, static_cast<std::uint32_t>(height));
    // 8 bits per sample, RGBA, deflate, the adaptive filter method, no interlace.
    data.insert(data.end(), { 8, kColourTypeRgba, 0, 0, 0 });
    return data;
}

// The two bytes zlib itself would put before a stream of this level and strategy.
std::array<std::uint8_t, 2> zlibHeader(int level, int strategy)
{
    if (level == Z_DEFAULT_COMPRESSION)
        level = 6;
    const unsigned levelFlags = strategy >= Z_HUFFMAN_ONLY || level < 2 ? 0
        : level < 6                                                     ? 1
        : level == 6                                                    ? 2
                                                                        : 3;
    unsigned header = ((Z_DEFLATED + ((kDeflateWindowBits - 8) << 4)) << 8) | (levelFlags << 6);
    header += 31 - header % 31;
    return { static_cast<std::uint8_t>(header >> 8), static_cast<std::uint8_t>(header) };
}

// Writes the zlib stream that the compressed parts make together as IDAT chunks.
class IdatStream {
public:
    explicit IdatStream(const PngByteSink& sink)
        : m_sink(sink)
    {
        m_buffer.reserve(kIdatChunkBytes);
    }

    [[nodiscard]] bool add(const CompressedBand& band)
    {
        m_adler = adler32_combine(m_adler, band.adler, static_cast<z_off_t>(band.rawBytes));
        return append(band.compressed);
    }

    // The Adler-32 of all the raw bytes ends the stream; IEND ends the picture.
    [[nodiscard]] bool finish()
    {
        std::vector<std::uint8_t> adler;
        appendBigEndian(adler, static_cast<std::uint32_t>(m_adler));
        return append(adler) && (m_buffer.empty() || flush()) && writeChunk(m_sink, "IEND", {});
    }

    [[nodiscard]] bool append(std::span<const std::uint8_t> bytes)
    {
        while (!bytes.empty()) {
            const auto taken = std::min(bytes.size(), kIdatChunkBytes - m_buffer.size());
            m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.begin() + taken);
            bytes = bytes.subspan(taken);
            if (m_buffer.size() == kIdatChunkBytes && !flush())
                return false;
        }
        return true;
    }

private:
    bool flush()
    {
        const bool written = writeChunk(m_sink, "IDAT", m_buffer);
        m_buffer.clear();
        return written;
    }

    const PngByteSink& m_sink;
    std::vector<std::uint8_t> m_buffer;
    uLong m_adler = adler32_z(0, nullptr, 0);
};

} // namespace

static int bandRowsFor(int width, int bandRows)
{
    const std::size_t rowBytes = rawRowBytes(width);
    const std::size_t fitting = std::max<std::size_t>(1, kMaxBandBytes / rowBytes);
    return static_cast<int>(std::min(static_cast<std::size_t>(std::max(bandRows, 1)), fitting));
}

static unsigned threadsFor(unsigned asked, int bandCount)
{
    // The processors this process may use, not all the machine has (taskset, containers).
    const unsigned wanted = asked != 0 ? asked : std::min(processorCount(), kMaxPngThreads);
    return std::min(wanted, static_cast<unsigned>(bandCount));
}

BandedPngEncoder::BandedPngEncoder(int width, int height, const PngWriteOptions& options)
    : m_width(width)
    , m_height(height)
    , m_bandRows(bandRowsFor(width, options.bandRows))
    , m_threads(threadsFor(options.threads, bandCount()))
    , m_options(options)
{
}

bool BandedPngEncoder::encode(const PngBandSource& source,
                              std::span<const std::uint8_t> sourceChunk,
                              const PngByteSink& sink) const
{
    return writeHeader(sourceChunk, sink) && writeImage(source, sink);
}

bool BandedPngEncoder::writeHeader(std::span<const std::uint8_t> sourceChunk,
                                   const PngByteSink& sink, std::string_view partLabel) const
{
    const std::span<const std::uint8_t> label(
        reinterpret_cast<const std::uint8_t*>(partLabel.data()), partLabel.size());
    return sink(kPngSignature) && writeChunk(sink, "IHDR", headerData(m_width, m_height))
        && writeChunk(sink, kChartChunkName, sourceChunk)
        && (label.empty() || writeChunk(sink, kPartChunkName, label));
}

bool BandedPngEncoder::writeImage(const PngBandSource& source, const PngByteSink& sink) const
{
    IdatStream idat(sink);
    if (!idat.append(zlibHeader(m_options.compressionLevel, m_options.strategy)))
        return false;
    const BandedPicture picture{ m_width, m_height, source };
    BandPipeline pipeline(picture, m_bandRows, m_options);
    const auto deliver = [&idat](const CompressedBand& band) { return idat.add(band); };
    return pipeline.run(m_threads, deliver) && idat.finish();
}

} // namespace beatplate
