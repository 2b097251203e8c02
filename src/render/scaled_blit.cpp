#include "render/scaled_blit.h"

#include "render/compositing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace beatplate {

namespace {

struct PixelRange {
    int first = 0;
    int end = 0; // one past the last
};

// How the sheet pixels that one canvas row takes from its source row can be written.
enum class RowKind : std::uint8_t { Unknown, Empty, Fill, Copy, Blend };

// The sheet pixels of one draw: a canvas pixel's source column is columns[i], or first + i when
// the columns are contiguous (a draw at the sprite's own width).
struct SourceColumns {
    const std::vector<int>& columns;
    bool contiguous = false;

    [[nodiscard]] std::size_t size() const { return columns.size(); }
    [[nodiscard]] const std::uint32_t* contiguousPixels(std::span<const std::uint32_t> row) const
    {
        return row.data() + columns.front();
    }
};

} // namespace

// Index of the first pixel whose centre (index + 0.5) is at or after edge.
static std::int64_t firstCentreAtOrAfter(double edge)
{
    return static_cast<std::int64_t>(std::ceil(edge - 0.5));
}

// Canvas pixels whose centres lie in [start, start + length), clipped to [0, limit).
static PixelRange coveredPixels(double start, double length, int limit)
{
    const std::int64_t first = std::max<std::int64_t>(firstCentreAtOrAfter(start), 0);
    const std::int64_t end = std::min<std::int64_t>(firstCentreAtOrAfter(start + length), limit);
    if (first >= end)
        return {};
    return { static_cast<int>(first), static_cast<int>(end) };
}

// Sheet pixel containing the point mapped from a canvas pixel centre, or -1 outside the sheet.
// Multiplying before dividing keeps centres that map onto a pixel boundary exactly on it.
static int sourcePixel(int canvasIndex, double destinationStart, double destinationLength,
                       double sourceStart, double sourceLength, int sheetLimit)
{
    double u =
        sourceStart + (canvasIndex + 0.5 - destinationStart) * sourceLength / destinationLength;
    // Rounding must never step outside the source rectangle.
    u = std::min(u, sourceStart + sourceLength - 0.5);
    u = std::max(u, sourceStart);
    const auto pixel = static_cast<std::int64_t>(std::floor(u));
    if (pixel < 0 || pixel >= sheetLimit)
        return -1;
    return static_cast<int>(pixel);
}

static bool drawable(const RectF& rect)
{
    return std::isfinite(rect.x) && std::isfinite(rect.y) && std::isfinite(rect.width)
        && std::isfinite(rect.height) && rect.width > 0 && rect.height > 0;
}

// Empty when every pixel is transparent, Fill when all are the same opaque colour, Copy when all
// are opaque. Looked at over the whole span of source columns a draw takes from: a stretched
// draw takes each of them, often many times over, and where a shrunk one skips some, a row
// that is not all opaque is merely blended, which gives the same pixels.
static RowKind classifyRow(std::span<const std::uint32_t> sourceRow,
                           const std::vector<int>& columns)
{
    const auto span = sourceRow.subspan(static_cast<std::size_t>(columns.front()),
                                        static_cast<std::size_t>(columns.back())
                                            - static_cast<std::size_t>(columns.front()) + 1);
    const std::uint32_t first = span.front();
    bool uniform = true;
    bool transparent = true;
    bool opaque = true;
    for (const std::uint32_t pixel : span) {
        opaque = opaque && pixel >= 0xFF000000u;
        transparent = transparent && pixel < 0x01000000u;
        uniform = uniform && pixel == first;
    }
    if (transparent)
        return RowKind::Empty;
    if (!opaque)
        return RowKind::Blend;
    return uniform ? RowKind::Fill : RowKind::Copy;
}

// Source-over of one pixel, skipping the arithmetic where the sprite is opaque or clear; true
// when the canvas pixel changed.
static bool blendPixel(std::uint32_t& target, std::uint32_t pixel)
{
    const std::uint32_t alpha = pixel >> 24;
    const std::uint32_t before = target;
    if (alpha == 255)
        target = pixel;
    else if (alpha != 0)
        target = compositeOver(target, pixel);
    return target != before;
}

#if defined(__SSE2__)
// Source-over of four sprite pixels onto four opaque canvas pixels: per channel
// (s * a + d * (255 - a)) / 255 rounded, which is what compositeOver gives for an opaque
// destination, and also the pixel itself for a = 255 and the canvas pixel for a = 0. Every
// intermediate stays below 65536, so 16-bit lanes are exact. True when a canvas pixel changed.
static bool blendFourOntoOpaque(std::uint32_t* target, const std::uint32_t* pixels)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const __m128i half = _mm_set1_epi16(128);
    const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    const __m128i destination = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target));
    const auto blendHalf = [&](__m128i s, __m128i d) {
        const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
        const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(s, alpha),
                                          _mm_mullo_epi16(d, _mm_sub_epi16(full, alpha)));
        const __m128i rounded = _mm_add_epi16(sum, half);
        return _mm_srli_epi16(_mm_add_epi16(rounded, _mm_srli_epi16(rounded, 8)), 8);
    };
    const __m128i low =
        blendHalf(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(destination, zero));
    const __m128i high =
        blendHalf(_mm_unpackhi_epi8(source, zero), _mm_unpackhi_epi8(destination, zero));
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i result = _mm_or_si128(_mm_packus_epi16(low, high), opaque);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target), result);
    return _mm_movemask_epi8(_mm_cmpeq_epi8(result, destination)) != 0xFFFF;
}
#endif

// Blends count sprite pixels, four at a time where the canvas under them is opaque. With
// TrackChanges, tells whether a canvas pixel changed; without, the canvas is not even read
// under sprite pixels that are all opaque or all clear, as reading cold canvas rows is what
// costs most.
template <bool TrackChanges>
static bool blendPixels(std::uint32_t* target, const std::uint32_t* pixels, std::size_t count)
{
    bool changed = false;
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= count; i += 4) {
        const std::uint32_t* four = pixels + i;
        if (!TrackChanges) {
            if ((four[0] & four[1] & four[2] & four[3]) >= 0xFF000000u) {
                std::memcpy(target + i, four, 16);
                continue;
            }
            if ((four[0] | four[1] | four[2] | four[3]) < 0x01000000u)
                continue;
        }
        if ((target[i] & target[i + 1] & target[i + 2] & target[i + 3]) >= 0xFF000000u) {
            changed |= blendFourOntoOpaque(target + i, four);
        } else {
            for (std::size_t k = i; k < i + 4; ++k)
                changed |= blendPixel(target[k], pixels[k]);
        }
    }
#endif
    for (; i < count; ++i)
        changed |= blendPixel(target[i], pixels[i]);
    return changed;
}

// Blends the pixels times times, stopping early once a pass changes nothing: each pixel's next
// value depends only on itself, so from then on every pass would leave it as it is.
static void blendRepeated(std::uint32_t* target, const std::uint32_t* pixels, std::size_t count,
                          std::uint32_t times)
{
    if (times == 1) {
        blendPixels<false>(target, pixels, count);
        return;
    }
    for (std::uint32_t pass = 0; pass < times; ++pass) {
        if (!blendPixels<true>(target, pixels, count))
            return;
    }
}

static void blendRow(std::uint32_t* target, std::span<const std::uint32_t> sourceRow,
                     const SourceColumns& columns, std::uint32_t times)
{
    if (columns.contiguous) {
        blendRepeated(target, columns.contiguousPixels(sourceRow), columns.size(), times);
        return;
    }
    // Gathered in short runs, so that the blend itself works on contiguous pixels.
    constexpr std::size_t kRun = 64;
    std::uint32_t gathered[kRun];
    for (std::size_t start = 0; start < columns.size(); start += kRun) {
        const std::size_t count = std::min(kRun, columns.size() - start);
        for (std::size_t i = 0; i < count; ++i)
            gathered[i] = sourceRow[static_cast<std::size_t>(columns.columns[start + i])];
        blendRepeated(target + start, gathered, count, times);
    }
}

// Opaque rows give the same result however often they are drawn; only blended rows repeat.
static void writeRow(RowKind kind, std::uint32_t* target, std::span<const std::uint32_t> sourceRow,
                     const SourceColumns& columns, std::uint32_t times)
{
    switch (kind) {
    case RowKind::Empty:
        return;
    case RowKind::Fill:
        std::fill_n(target, columns.size(),
                    sourceRow[static_cast<std::size_t>(columns.columns.front())]);
        return;
    case RowKind::Copy:
        if (columns.contiguous) {
            std::memcpy(target, columns.contiguousPixels(sourceRow), columns.size() * 4);
            return;
        }
        for (const int column : columns.columns)
            *target++ = sourceRow[static_cast<std::size_t>(column)];
        return;
    default:
        blendRow(target, sourceRow, columns, times);
    }
}

// The sheet column of each canvas column. Columns whose source lies outside the sheet are
// trimmed: the mapping is monotonic, so they can only stand at the ends.
static void mapColumns(PixelRange& columns, const RectF& destination, const RectF& source,
                       int sheetWidth, std::vector<int>& sourceColumns)
{
    sourceColumns.clear();
    for (int x = columns.first; x < columns.end; ++x) {
        const int column =
            sourcePixel(x, destination.x, destination.width, source.x, source.width, sheetWidth);
        if (column < 0 && sourceColumns.empty())
            columns.first = x + 1;
        else if (column >= 0)
            sourceColumns.push_back(column);
    }
}

void blitScaled(Canvas& canvas, const Canvas& sheet, const RectF& destination, const RectF& source,
                BlitScratch& scratch, std::uint32_t times)
{
    if (times == 0 || canvas.empty() || sheet.empty() || !drawable(destination)
        || !drawable(source))
        return;
    PixelRange columns = coveredPixels(destination.x, destination.width, canvas.width());
    const PixelRange rows = coveredPixels(destination.y, destination.height, canvas.height());
    if (columns.first == columns.end || rows.first == rows.end)
        return;

    auto& sourceColumns = scratch.sourceColumns;
    mapColumns(columns, destination, source, sheet.width(), sourceColumns);
    if (sourceColumns.empty())
        return;

    // The mapping is monotonic, so columns without repeats or gaps are a contiguous run.
    const SourceColumns taken{ sourceColumns,
                               sourceColumns.back() - sourceColumns.front() + 1
                                   == static_cast<int>(sourceColumns.size()) };

    // Rows repeat when a sprite is stretched downward, so each source row is classified once,
    // and an opaque row repeated on the next canvas row is copied from the one just written.
    const bool blendUnclassified = taken.contiguous && times == 1;
    auto& rowKinds = scratch.rowKinds;
    if (!blendUnclassified)
        rowKinds.assign(static_cast<std::size_t>(sheet.height()),
                        static_cast<std::uint8_t>(RowKind::Unknown));
    int previousSourceY = -1;
    const std::uint32_t* previousRow = nullptr;
    // Each canvas row of a sprite lies in cache lines of its own, mostly long evicted: asking
    // for the rows ahead lets their loads overlap instead of waiting for one after another.
    constexpr int kRowsAhead = 8;
    const auto prefetchRow = [&](int y) {
        const std::uint32_t* start = canvas.row(y).data() + columns.first;
        __builtin_prefetch(start, 1);
        __builtin_prefetch(start + sourceColumns.size() - 1, 1);
    };
    for (int y = rows.first; y < std::min(rows.end, rows.first + kRowsAhead); ++y)
        prefetchRow(y);
    for (int y = rows.first; y < rows.end; ++y) {
        if (y + kRowsAhead < rows.end)
            prefetchRow(y + kRowsAhead);
        const int sourceY = sourcePixel(y, destination.y, destination.height, source.y,
                                        source.height, sheet.height());
        if (sourceY < 0)
            continue;
        const auto sourceRow = sheet.row(sourceY);
        std::uint32_t* target = canvas.row(y).data() + columns.first;
        // At the sprite's own width the blend sorts opaque and clear pixels out by itself,
        // cheaper than classifying the row first.
        if (blendUnclassified) {
            blendPixels<false>(target, taken.contiguousPixels(sourceRow), taken.size());
            continue;
        }
        auto& kind = rowKinds[static_cast<std::size_t>(sourceY)];
        if (kind == static_cast<std::uint8_t>(RowKind::Unknown))
            kind = static_cast<std::uint8_t>(classifyRow(sourceRow, sourceColumns));
        const auto rowKind = static_cast<RowKind>(kind);
        if (rowKind == RowKind::Copy && sourceY == previousSourceY && previousRow != nullptr)
            std::memcpy(target, previousRow, sourceColumns.size() * 4);
        else
            writeRow(rowKind, target, sourceRow, taken, times);
        previousSourceY = sourceY;
        previousRow = target;
    }
}

} // namespace beatplate
