#include "output/band_pipeline.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <zlib.h>

namespace beatplate {

namespace {

constexpr std::size_t kWindowBytes = std::size_t{ 1 } << kDeflateWindowBits;
constexpr int kMemoryLevel = 8; // zlib's default, as libpng uses
// Beyond the workers' own bands, one finished band waits to be written and one is kept as the
// dictionary of the band after it.
constexpr std::size_t kSlotsBeyondWorkers = 2;
constexpr std::size_t kExpectedShrinkage = 16;
constexpr std::size_t kMinimumPartBytes = 4096;
// Rows go to deflate a few at a time, through a buffer that stays in the processor's cache.
constexpr std::size_t kRowsBufferBytes = std::size_t{ 64 } << 10;

} // namespace

// Owns a raw deflate stream (no zlib header or trailer of its own), used again for band after
// band so that its memory is allocated once.
class BandDeflater {
public:
    BandDeflater(int level, int strategy)
    {
        const int result =
            deflateInit2(&m_stream, level, Z_DEFLATED, -kDeflateWindowBits, kMemoryLevel, strategy);
        if (result == Z_MEM_ERROR)
            throw std::bad_alloc();
        if (result != Z_OK)
            throw std::invalid_argument("zlib takes no such compression level or strategy");
    }
    BandDeflater(const BandDeflater&) = delete;
    BandDeflater& operator=(const BandDeflater&) = delete;
    ~BandDeflater() { deflateEnd(&m_stream); }

    // The stream as new, primed with dictionary.
    [[nodiscard]] z_stream& restart(std::span<const std::uint8_t> dictionary)
    {
        if (deflateReset(&m_stream) != Z_OK
            || (!dictionary.empty()
                && deflateSetDictionary(&m_stream, dictionary.data(),
                                        static_cast<uInt>(dictionary.size()))
                    != Z_OK))
            throw std::logic_error("zlib refused to start a band");
        return m_stream;
    }

private:
    z_stream m_stream{};
};

class BandPipeline::Workers {
public:
    explicit Workers(BandPipeline& pipeline)
        : m_pipeline(pipeline)
    {
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    ~Workers() { stop(); }

    // Starts one more worker; throws std::system_error when the system has no thread to give.
    void add()
    {
        m_threads.emplace_back([this] { m_pipeline.work(); });
    }
    [[nodiscard]] bool empty() const { return m_threads.empty(); }

    void stop()
    {
        {
            const std::lock_guard lock(m_pipeline.m_mutex);
            m_pipeline.m_stopping = true;
        }
        m_pipeline.m_changed.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
        m_threads.clear();
    }

private:
    BandPipeline& m_pipeline;
    std::vector<std::thread> m_threads;
};

struct BandPipeline::Workspace {
    Workspace(int level, int strategy)
        : deflater(level, strategy)
    {
    }

    Canvas canvas;
    BandDeflater deflater;
    std::vector<std::uint8_t> rows; // a few rows in raw form on their way to deflate
};

// Converts rows [first, first + count) of band to PNG's raw form, each row behind its
// filter-type byte. PNG keeps red, green, blue, alpha; the canvas word 0xAARRGGBB lies in memory
// as B, G, R, A.
static void fillRaw(const Canvas& band, int first, int count, std::vector<std::uint8_t>& raw)
{
    const std::size_t rowBytes = rawRowBytes(band.width());
    raw.resize(rowBytes * static_cast<std::size_t>(count));
    std::uint8_t* out = raw.data();
    for (int y = first; y < first + count; ++y) {
        *out++ = 0; // filter type None
        for (const std::uint32_t pixel : band.row(y)) {
            out[0] = static_cast<std::uint8_t>(pixel >> 16);
            out[1] = static_cast<std::uint8_t>(pixel >> 8);
            out[2] = static_cast<std::uint8_t>(pixel);
            out[3] = static_cast<std::uint8_t>(pixel >> 24);
            out += 4;
        }
    }
}

// Runs deflate on what the stream holds until it has taken all its input (and, with a flush,
// written all its output), growing part behind produced as needed.
static void deflateInto(z_stream& stream, int flush, std::vector<std::uint8_t>& part,
                        std::size_t& produced)
{
    for (;;) {
        if (produced == part.size())
            part.resize(part.size() * 2);
        stream.next_out = part.data() + produced;
        stream.avail_out = static_cast<uInt>(part.size() - produced);
        const int result = deflate(&stream, flush);
        produced = part.size() - stream.avail_out;
        if (result == Z_STREAM_END)
            return;
        if (result != Z_OK && result != Z_BUF_ERROR)
            throw std::logic_error("zlib failed to compress a band");
        // With room left over, deflate has taken every byte and written all it had.
        if (stream.avail_out != 0 && stream.avail_in == 0 && flush != Z_FINISH)
            return;
    }
}

BandPipeline::BandPipeline(const BandedPicture& picture, int bandRows,
                           const PngWriteOptions& options)
    : m_width(picture.width)
    , m_height(picture.height)
    , m_bandRows(bandRows)
    , m_compressionLevel(options.compressionLevel)
    , m_strategy(options.strategy)
    , m_stop(options.stop)
    , m_source(picture.rows)
{
}

bool BandPipeline::run(unsigned threads, const CompressedBandSink& deliver)
{
    if (threads <= 1)
        return runAlone(deliver);
    return runOnWorkers(threads, deliver);
}

void BandPipeline::drawBand(int band, Canvas& canvas, Slot& slot) const
{
    if (m_stop.stop_requested())
        throw PngEncodingStopped();
    const int first = band * m_bandRows;
    const int rows = std::min(m_bandRows, m_height - first);
    if (canvas.height() != rows)
        canvas = Canvas(m_width, rows);
    else
        std::fill_n(canvas.pixels(), canvas.byteSize() / 4, 0u);
    m_source(first, canvas);
    if (canvas.width() != m_width || canvas.height() != rows)
        throw std::logic_error("the band source changed the size of its band");
    // Only the window's worth at the end is kept for the next band; the rest is converted as it
    // is compressed, so that no band is held twice.
    const std::size_t rowBytes = rawRowBytes(m_width);
    const int tailRows = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(rows), (kWindowBytes + rowBytes - 1) / rowBytes));
    fillRaw(canvas, rows - tailRows, tailRows, slot.tail);
    if (slot.tail.size() > kWindowBytes)
        slot.tail.erase(slot.tail.begin(),
                        slot.tail.end() - static_cast<std::ptrdiff_t>(kWindowBytes));
    slot.rawBytes = rowBytes * static_cast<std::size_t>(rows);
}

// The part ends on a byte boundary with a sync flush, so that the next part follows it; the
// last part ends the stream. The slot's part keeps its capacity from band to band.
void BandPipeline::compressBand(int band, Slot& slot, std::span<const std::uint8_t> before,
                                Workspace& workspace) const
{
    const Canvas& canvas = workspace.canvas;
    z_stream& stream = workspace.deflater.restart(before);
    std::vector<std::uint8_t>& part = slot.compressed;
    // Score pictures shrink some thirtyfold; the rare band that does not makes the part grow.
    part.resize(std::max(part.capacity(), slot.rawBytes / kExpectedShrinkage + kMinimumPartBytes));
    std::size_t produced = 0;
    slot.adler = adler32_z(0, nullptr, 0);
    const std::size_t rowBytes = rawRowBytes(m_width);
    const int step = static_cast<int>(std::max<std::size_t>(1, kRowsBufferBytes / rowBytes));
    for (int first = 0; first < canvas.height(); first += step) {
        fillRaw(canvas, first, std::min(step, canvas.height() - first), workspace.rows);
        slot.adler = adler32_z(slot.adler, workspace.rows.data(), workspace.rows.size());
        // zlib only reads the input, though its type says otherwise.
        stream.next_in = const_cast<Bytef*>(workspace.rows.data());
        stream.avail_in = static_cast<uInt>(workspace.rows.size());
        deflateInto(stream, Z_NO_FLUSH, part, produced);
    }
    deflateInto(stream, band + 1 == bandCount() ? Z_FINISH : Z_SYNC_FLUSH, part, produced);
    part.resize(produced);
}

bool BandPipeline::runAlone(const CompressedBandSink& deliver)
{
    m_slots.resize(2);
    Workspace workspace(m_compressionLevel, m_strategy);
    for (int band = 0; band < bandCount(); ++band) {
        Slot& slot = slotOf(band);
        drawBand(band, workspace.canvas, slot);
        compressBand(band, slot,
                     band == 0 ? std::span<const std::uint8_t>() : slotOf(band - 1).tail,
                     workspace);
        if (!deliver(slot.part()))
            return false;
    }
    return true;
}

bool BandPipeline::runOnWorkers(unsigned threads, const CompressedBandSink& deliver)
{
    m_slots.resize(threads + kSlotsBeyondWorkers);
    // Declared after the state they use, so that they are stopped and joined before it goes.
    Workers workers(*this);
    try {
        for (unsigned i = 0; i < threads; ++i)
            workers.add();
    } catch (const std::system_error&) {
        // Fewer workers make the same parts, only later.
        if (workers.empty())
            return runAlone(deliver);
    }
    for (int band = 0; band < bandCount(); ++band) {
        Slot& slot = slotOf(band);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return m_error || (slot.band == band && slot.state == Slot::State::Compressed);
        });
        if (m_error) {
            const auto error = m_error;
            lock.unlock();
            workers.stop();
            std::rethrow_exception(error);
        }
        lock.unlock();
        // The slot is the writer's alone until the count of delivered bands moves past it.
        if (!deliver(slot.part()))
            return false;
        lock.lock();
        ++m_delivered;
        lock.unlock();
        m_changed.notify_all();
    }
    return true;
}

void BandPipeline::work()
{
    try {
        Workspace workspace(m_compressionLevel, m_strategy);
        for (int band = takeBand(); band >= 0; band = takeBand()) {
            Slot& slot = slotOf(band);
            drawBand(band, workspace.canvas, slot);
            const auto before = markDrawn(band, slot);
            if (!before)
                return;
            compressBand(band, slot, *before, workspace);
            {
                const std::lock_guard lock(m_mutex);
                slot.state = Slot::State::Compressed;
            }
            m_changed.notify_all();
        }
    } catch (...) {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_error)
                m_error = std::current_exception();
        }
        m_changed.notify_all();
    }
}

// A band's slot is free once the band that took it last and the band after that (which read it
// as its dictionary) are both delivered. Returns -1 when there is nothing more to do.
int BandPipeline::takeBand()
{
    std::unique_lock lock(m_mutex);
    const auto free = [&] {
        return static_cast<std::size_t>(m_nextBand - m_delivered) + 1 < m_slots.size();
    };
    m_changed.wait(lock,
                   [&] { return m_stopping || m_error || m_nextBand == bandCount() || free(); });
    if (m_stopping || m_error || m_nextBand == bandCount())
        return -1;
    Slot& slot = slotOf(m_nextBand);
    slot.band = m_nextBand;
    slot.state = Slot::State::Drawing;
    return m_nextBand++;
}

// Returns the raw bytes of the band before, once it is drawn; nothing when the pipeline stops.
std::optional<std::span<const std::uint8_t>> BandPipeline::markDrawn(int band, Slot& slot)
{
    std::unique_lock lock(m_mutex);
    slot.state = Slot::State::Drawn;
    m_changed.notify_all();
    if (band == 0)
        return std::span<const std::uint8_t>();
    const Slot& before = slotOf(band - 1);
    m_changed.wait(lock, [&] {
        return m_stopping || m_error
            || (before.band == band - 1 && before.state != Slot::State::Drawing);
    });
    if (m_stopping || m_error)
        return std::nullopt;
    return std::span<const std::uint8_t>(before.tail);
}

} // namespace beatplate
