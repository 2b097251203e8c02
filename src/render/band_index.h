#pragma once

#include "chart/chart_document.h"
#include "render/score_layout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace beatplate {

// The notes that can draw on a band, visited last to first as they are drawn: the notes of the
// band's measures, a range of the document's notes, then the spans from earlier measures that
// reach into the band, which all lie before them.
struct BandNotes {
    NoteSet::const_iterator first;
    NoteSet::const_iterator last;
    std::span<const ChartNote* const> earlierSpans; // last to first

    template <typename Visit>
    void forEachLastToFirst(const Visit& visit) const
    {
        for (auto note = last; note != first;)
            visit(*--note);
        for (const ChartNote* span : earlierSpans)
            visit(*span);
    }
};

// What can draw on one band of rows, each list in the order its pass draws it.
struct BandContents {
    // Measures [firstMeasure, endMeasure) hold every measure whose rows reach the band; some in
    // between may not reach it, and draw nothing there.
    std::uint32_t firstMeasure = 0;
    std::uint32_t endMeasure = 0;
    std::span<const GogoSpan* const> gogoSpans; // in opening order
    std::span<const ChartEvent* const> events; // in document order
    BandNotes notes;
    std::span<const ChartNote* const> countedNotes; // counted spans, last to first, for their icons
};

// For every band of rows of a picture, the items that can reach it, worked out once from each
// item's measures, so that drawing a band visits only what can draw there. An item that
// reaches several bands is listed in each.
class BandIndex {
public:
    // bandRows > 0; the layout must fit a picture.
    BandIndex(const ScoreLayout& layout, const ChartDocument& document, int bandRows);
    // Bands of the picture's rows [rows.top, rows.bottom) only, band 0 starting at rows.top;
    // what draws nowhere in them is left out.
    BandIndex(const ScoreLayout& layout, const ChartDocument& document, int bandRows,
              const RowSpan& rows);

    [[nodiscard]] int bandRows() const { return m_bandRows; }
    [[nodiscard]] int bandCount() const { return m_bandCount; }
    [[nodiscard]] BandContents contents(int band) const;

    // The items of a kind, band after band: band b's are items[offsets[b], offsets[b + 1]).
    template <typename Item>
    struct Lists {
        std::vector<std::size_t> offsets;
        std::vector<const Item*> items;

        [[nodiscard]] std::span<const Item* const> of(int band) const;
    };

private:
    int m_bandRows;
    int m_bandCount;
    std::vector<std::uint32_t> m_firstMeasure;
    std::vector<std::uint32_t> m_endMeasure;
    Lists<GogoSpan> m_gogoSpans;
    Lists<ChartEvent> m_events;
    std::vector<NoteSet::const_iterator> m_firstNote; // of each band's first measure
    std::vector<NoteSet::const_iterator> m_endNote;
    Lists<ChartNote> m_earlierSpans;
    Lists<ChartNote> m_countedNotes;
};

// The whole document as one band: what a pass draws over a whole picture at once. Kept for as
// long as the contents are used, e.g. a temporary within the call of a pass.
class WholeBand {
public:
    WholeBand(const ScoreLayout& layout, const ChartDocument& document)
        : m_index(layout, document, layout.canvasHeight())
    {
    }

    [[nodiscard]] BandContents contents() const { return m_index.contents(0); }

private:
    BandIndex m_index;
};

} // namespace beatplate
