#include "render/band_index.h"

#include "render/notes_pass.h"

#include <algorithm>
#include <cassert>

namespace beatplate {

namespace {

// The bands an item reaches, first to last; every item's rows are one run of rows.
struct BandRun {
    int first = 0;
    int last = -1;
};

// Lays the lists of a kind out band after band, each keeping the order in which forEachRun
// visits its items. forEachRun(visit) calls visit(item, run) for every item; it is called twice,
// to count and to fill, so that no item is held twice.
template <typename Item, typename ForEachRun>
BandIndex::Lists<Item> buildLists(int bandCount, const ForEachRun& forEachRun)
{
    BandIndex::Lists<Item> lists;
    lists.offsets.assign(static_cast<std::size_t>(bandCount) + 1, 0);
    forEachRun([&](const Item&, BandRun run) {
        for (int band = run.first; band <= run.last; ++band)
            ++lists.offsets[static_cast<std::size_t>(band) + 1];
    });
    for (std::size_t band = 1; band < lists.offsets.size(); ++band)
        lists.offsets[band] += lists.offsets[band - 1];
    lists.items.resize(lists.offsets.back());
    std::vector<std::size_t> next(lists.offsets.begin(), lists.offsets.end() - 1);
    forEachRun([&](const Item& item, BandRun run) {
        for (int band = run.first; band <= run.last; ++band)
            lists.items[next[static_cast<std::size_t>(band)]++] = &item;
    });
    return lists;
}

// Finds the rows that runs of measures reach.
class MeasureRows {
public:
    MeasureRows(const ScoreLayout& layout, const RowSpan& indexed, int bandRows, int bandCount)
        : m_layout(layout)
        , m_indexed(indexed)
        , m_bandRows(bandRows)
        , m_bandCount(bandCount)
    {
        for (std::uint32_t measure = 0; measure < layout.places().size(); ++measure) {
            const RowSpan rows = layout.drawnRows(measure);
            m_deepest = std::max(m_deepest, rows.bottom - rows.top);
        }
    }

    [[nodiscard]] std::uint32_t placed() const
    {
        return static_cast<std::uint32_t>(m_layout.places().size());
    }

    // The bands that measures [first, last] reach. A row's top is where the row before it ends
    // its last measure's lanes, so the measures' rows join into one run.
    [[nodiscard]] BandRun bandsOf(std::uint32_t first, std::uint32_t last) const
    {
        assert(first <= last && last < placed());
        const std::int64_t top = m_layout.drawnRows(first).top;
        std::int64_t bottom = 0;
        for (std::uint32_t measure = last + 1; measure-- > first;) {
            const RowSpan rows = m_layout.drawnRows(measure);
            // Tops only grow upwards from here, so no earlier measure reaches lower.
            if (rows.top + m_deepest <= bottom)
                break;
            bottom = std::max(bottom, rows.bottom);
        }
        return bandsOfRows({ top, bottom });
    }

    [[nodiscard]] BandRun bandsOfRows(const RowSpan& rows) const
    {
        if (rows.top >= rows.bottom || rows.bottom <= m_indexed.top || rows.top >= m_indexed.bottom)
            return {};
        const auto band = [&](std::int64_t row) {
            return static_cast<int>(
                std::clamp<std::int64_t>((row - m_indexed.top) / m_bandRows, 0, m_bandCount - 1));
        };
        return { band(rows.top), band(rows.bottom - 1) };
    }

private:
    const ScoreLayout& m_layout;
    RowSpan m_indexed;
    int m_bandRows;
    int m_bandCount;
    std::int64_t m_deepest = 0; // the most rows one measure's drawing reaches
};

// The measures a gogo span overlaps as the measures pass sweeps them: measure m when the span
// starts before m + 1 and ends after m's start.
BandRun gogoBands(const GogoSpan& span, const MeasureRows& rows)
{
    const ChartPosition lower = span.lower();
    const ChartPosition upper = span.upper();
    if (lower.measure >= rows.placed() || upper <= ChartPosition{ lower.measure, 0, 0 })
        return {};
    const std::uint32_t last =
        upper > ChartPosition{ upper.measure, 0, 0 } ? upper.measure : upper.measure - 1;
    return rows.bandsOf(lower.measure, std::min(last, rows.placed() - 1));
}

} // namespace

template <typename Item>
std::span<const Item* const> BandIndex::Lists<Item>::of(int band) const
{
    const auto from = offsets[static_cast<std::size_t>(band)];
    const auto to = offsets[static_cast<std::size_t>(band) + 1];
    return { items.data() + from, to - from };
}

BandIndex::BandIndex(const ScoreLayout& layout, const ChartDocument& document, int bandRows)
    : BandIndex(layout, document, bandRows, { 0, layout.canvasHeight() })
{
}

BandIndex::BandIndex(const ScoreLayout& layout, const ChartDocument& document, int bandRows,
                     const RowSpan& indexed)
    : m_bandRows(bandRows)
    , m_bandCount(static_cast<int>(
          std::max<std::int64_t>((indexed.bottom - indexed.top + bandRows - 1) / bandRows, 1)))
{
    assert(bandRows > 0 && layout.fitsPicture());
    const MeasureRows rows(layout, indexed, bandRows, m_bandCount);
    const std::uint32_t placed = rows.placed();

    m_firstMeasure.assign(static_cast<std::size_t>(m_bandCount), placed);
    m_endMeasure.assign(static_cast<std::size_t>(m_bandCount), 0);
    for (std::uint32_t measure = 0; measure < placed; ++measure) {
        const BandRun run = rows.bandsOf(measure, measure);
        for (int band = run.first; band <= run.last; ++band) {
            const auto at = static_cast<std::size_t>(band);
            m_firstMeasure[at] = std::min(m_firstMeasure[at], measure);
            m_endMeasure[at] = std::max(m_endMeasure[at], measure + 1);
        }
    }
    // A band that no measure reaches gets the empty range [placed, placed).
    for (std::size_t at = 0; at < m_endMeasure.size(); ++at)
        m_endMeasure[at] = std::max(m_firstMeasure[at], m_endMeasure[at]);

    m_gogoSpans = buildLists<GogoSpan>(m_bandCount, [&](const auto& visit) {
        for (const GogoSpan& span : document.gogoSpans)
            visit(span, gogoBands(span, rows));
    });
    // Directives after the last completed measure have no place on the page.
    m_events = buildLists<ChartEvent>(m_bandCount, [&](const auto& visit) {
        for (const ChartEvent& event : document.events) {
            if (event.position.measure < placed)
                visit(event, rows.bandsOf(event.position.measure, event.position.measure));
        }
    });
    // A single note lies at its head, within its measure's rows; a span reaches every measure
    // from its head to its tail, found as the notes pass finds it. Only the spans that reach a
    // band from a measure before the band's measures need listing.
    m_firstNote.reserve(static_cast<std::size_t>(m_bandCount));
    m_endNote.reserve(static_cast<std::size_t>(m_bandCount));
    for (int band = 0; band < m_bandCount; ++band) {
        const auto at = static_cast<std::size_t>(band);
        m_firstNote.push_back(document.notes.lowerBound({ m_firstMeasure[at], 0, 0 }));
        m_endNote.push_back(document.notes.lowerBound({ m_endMeasure[at], 0, 0 }));
    }
    m_earlierSpans = buildLists<ChartNote>(m_bandCount, [&](const auto& visit) {
        for (auto note = document.notes.rbegin(); note != document.notes.rend(); ++note) {
            const ChartPosition& start = note->position;
            if (start.measure >= placed || note->length == 0)
                continue;
            const std::uint32_t end =
                layout.advancePosition(start, static_cast<std::uint32_t>(note->length)).measure;
            if (end <= start.measure)
                continue;
            BandRun run = rows.bandsOf(start.measure, end);
            // The bands that list the head's measure draw the span with the rest of its range.
            while (run.first <= run.last
                   && m_firstMeasure[static_cast<std::size_t>(run.first)] <= start.measure)
                ++run.first;
            visit(*note, run);
        }
    });
    m_countedNotes = buildLists<ChartNote>(m_bandCount, [&](const auto& visit) {
        for (auto note = document.notes.rbegin(); note != document.notes.rend(); ++note) {
            if (note->position.measure < placed && countIcon(note->kind))
                visit(*note, rows.bandsOf(note->position.measure, note->position.measure));
        }
    });
}

BandContents BandIndex::contents(int band) const
{
    const auto at = static_cast<std::size_t>(band);
    return { m_firstMeasure[at],
             m_endMeasure[at],
             m_gogoSpans.of(band),
             m_events.of(band),
             { m_firstNote[at], m_endNote[at], m_earlierSpans.of(band) },
             m_countedNotes.of(band) };
}

} // namespace beatplate
