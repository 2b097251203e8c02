#pragma once

#include "image/banded_picture.h"
#include "output/png_write_options.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace beatplate {

class BandDeflater;

// deflate's largest window, 32 KiB: all that a part can refer back to of the bands before.
inline constexpr int kDeflateWindowBits = 15;

// The bytes of one row in the form PNG compresses: its filter-type byte, then four per pixel.
[[nodiscard]] inline std::size_t rawRowBytes(int width)
{
    return 1 + 4 * static_cast<std::size_t>(width);
}

// One band's part of the zlib stream, and what the stream's Adler-32 needs of its raw bytes.
struct CompressedBand {
    std::span<const std::uint8_t> compressed;
    std::size_t rawBytes = 0;
    unsigned long adler = 0;
};

// Takes the parts in the order of the bands; returns false to stop the pipeline.
using CompressedBandSink = std::function<bool(const CompressedBand&)>;

// Draws the bands of a picture and compresses each into a raw deflate part primed with the band
// before it, on worker threads, holding no more than a few bands at once; the parts are handed
// over in order on the calling thread. The parts are the same whatever the number of threads.
class BandPipeline {
public:
    // The picture's bands of bandRows rows, compressed as options say; picture must outlive it.
    BandPipeline(const BandedPicture& picture, int bandRows, const PngWriteOptions& options);
    BandPipeline(const BandPipeline&) = delete;
    BandPipeline& operator=(const BandPipeline&) = delete;

    // Runs on threads workers (on the calling thread alone for one); returns false when deliver
    // did, and rethrows the first exception of a worker, once every worker has stopped.
    [[nodiscard]] bool run(unsigned threads, const CompressedBandSink& deliver);

private:
    struct Slot {
        enum class State { Drawing, Drawn, Compressed };
        int band = -1;
        State state = State::Drawing;
        // The last raw bytes of the band (each row behind its filter-type byte), as many as the
        // band after it may refer back to.
        std::vector<std::uint8_t> tail;
        std::vector<std::uint8_t> compressed;
        std::size_t rawBytes = 0;
        unsigned long adler = 0;

        [[nodiscard]] CompressedBand part() const { return { compressed, rawBytes, adler }; }
    };

    // What a worker keeps from band to band, so that its memory is touched once.
    struct Workspace;
    // The worker threads of a run, told to stop and joined when the run ends however it ends.
    class Workers;

    bool runAlone(const CompressedBandSink& deliver);
    bool runOnWorkers(unsigned threads, const CompressedBandSink& deliver);
    void work();
    int takeBand();
    std::optional<std::span<const std::uint8_t>> markDrawn(int band, Slot& slot);
    void drawBand(int band, Canvas& canvas, Slot& slot) const;
    void compressBand(int band, Slot& slot, std::span<const std::uint8_t> before,
                      Workspace& workspace) const;
    [[nodiscard]] int bandCount() const { return (m_height + m_bandRows - 1) / m_bandRows; }
    [[nodiscard]] Slot& slotOf(int band)
    {
        return m_slots[static_cast<std::size_t>(band) % m_slots.size()];
    }

    int m_width;
    int m_height;
    int m_bandRows;
    int m_compressionLevel;
    int m_strategy;
    StopToken m_stop;
    const PngBandSource& m_source;
    std::vector<Slot> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false; // the workers are to stop: the run has ended, early or not
    int m_nextBand = 0;
    int m_delivered = 0;
    std::exception_ptr m_error;
};

} // namespace beatplate
