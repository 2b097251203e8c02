#include "chart/measure_contents.h"

#include "chart/chart_timeline.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace beatplate {

namespace {

// Tick ranges of the whole chart, from its start.
struct ChartRange {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// FNV-1a over the fields of the contents, so that equal contents are found without comparing
// every pair.
class ContentsHash {
public:
    void add(std::uint64_t value)
    {
        for (int byte = 0; byte < 8; ++byte) {
            m_hash ^= (value >> (8 * byte)) & 0xFF;
            m_hash *= 0x100000001B3ull;
        }
    }
    // The double's bits, as std::bit_cast would give them; the browser build's library has none.
    void addBits(double value)
    {
        static_assert(sizeof(double) == sizeof(std::uint64_t));
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        add(bits);
    }
    void add(const ChartPosition& position)
    {
        add(position.tick);
        add(static_cast<std::uint32_t>(position.branch));
    }
    [[nodiscard]] std::uint64_t value() const { return m_hash; }

private:
    std::uint64_t m_hash = 0xCBF29CE484222325ull;
};

} // namespace

static std::uint64_t hashOf(const MeasureContents& contents)
{
    ContentsHash hash;
    hash.add(static_cast<std::uint32_t>(contents.meter.beats));
    hash.addBits(contents.meter.beatLength);
    hash.add(static_cast<std::uint32_t>(contents.meter.branchMask));
    for (const ChartNote& note : contents.notes) {
        hash.add(static_cast<std::uint32_t>(note.kind));
        hash.add(static_cast<std::uint32_t>(note.length));
        hash.add(static_cast<std::uint32_t>(note.count));
        hash.add(note.position);
    }
    for (const SpanPiece& piece : contents.spanPieces) {
        hash.add(static_cast<std::uint32_t>(piece.kind));
        hash.add(static_cast<std::uint32_t>(piece.branch));
        hash.add(piece.end);
    }
    for (const ChartEvent& event : contents.events) {
        hash.add(static_cast<std::uint32_t>(event.kind));
        hash.add(static_cast<std::uint32_t>(event.value));
        hash.add(event.position);
    }
    for (const TickRange& range : contents.gogo) {
        hash.add(range.start);
        hash.add(range.end);
    }
    return hash.value();
}

// The gogo sections as one sorted list of tick ranges, nested and touching ones joined: what
// the picture shades, whatever the order of the directives that made it.
static std::vector<ChartRange> gogoRanges(const ChartDocument& document,
                                          const ChartTimeline& timeline)
{
    const auto tickOf = [&](const ChartPosition& position) {
        return std::min(timeline.tickOf(position).value_or(timeline.endTick()), timeline.endTick());
    };
    std::vector<ChartRange> ranges;
    for (const GogoSpan& span : document.gogoSpans) {
        const ChartRange range{ tickOf(span.lower()), tickOf(span.upper()) };
        if (range.start < range.end)
            ranges.push_back(range);
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const ChartRange& a, const ChartRange& b) { return a.start < b.start; });
    std::vector<ChartRange> joined;
    for (const ChartRange& range : ranges) {
        if (!joined.empty() && range.start <= joined.back().end)
            joined.back().end = std::max(joined.back().end, range.end);
        else
            joined.push_back(range);
    }
    return joined;
}

static void addGogo(std::vector<MeasureContents>& measures, const ChartDocument& document,
                    const ChartTimeline& timeline)
{
    std::uint32_t measure = 0;
    for (const ChartRange& range : gogoRanges(document, timeline)) {
        while (measure < measures.size() && timeline.measureStart(measure + 1) <= range.start)
            ++measure;
        for (std::uint32_t at = measure;
             at < measures.size() && timeline.measureStart(at) < range.end; ++at) {
            const std::int64_t start = timeline.measureStart(at);
            const std::int64_t end = timeline.measureStart(at + 1);
            measures[at].gogo.push_back(
                { static_cast<std::uint32_t>(std::max(range.start, start) - start),
                  static_cast<std::uint32_t>(std::min(range.end, end) - start) });
        }
    }
}

// A span reaches on into every measure that begins before its end.
static void addSpanPieces(std::vector<MeasureContents>& measures, const ChartNote& span,
                          const ChartTimeline& timeline)
{
    const auto first = span.position.measure;
    const std::int64_t end = timeline.measureStart(first) + span.position.tick + span.length;
    for (std::uint32_t at = first + 1; at < measures.size() && timeline.measureStart(at) < end;
         ++at) {
        const std::int64_t start = timeline.measureStart(at);
        measures[at].spanPieces.push_back(
            { span.kind, span.position.branch,
              static_cast<std::uint32_t>(std::min(end, timeline.measureStart(at + 1)) - start) });
    }
}

std::vector<MeasureContents> measureContentsOf(const ChartDocument& document)
{
    std::vector<MeasureContents> measures(document.measures.size());
    for (std::size_t at = 0; at < measures.size(); ++at)
        measures[at].meter = document.measures[at];
    const ChartTimeline timeline(document);
    for (ChartNote note : document.notes) {
        if (note.position.measure >= measures.size())
            break;
        if (note.length > 0)
            addSpanPieces(measures, note, timeline);
        auto& notes = measures[note.position.measure].notes;
        note.position.measure = 0;
        notes.push_back(note);
    }
    for (ChartEvent event : document.events) {
        if (event.position.measure >= measures.size())
            break;
        auto& events = measures[event.position.measure].events;
        event.position.measure = 0;
        events.push_back(event);
    }
    addGogo(measures, document, timeline);
    return measures;
}

MeasureKinds kindsOf(const std::vector<MeasureContents>& first,
                     const std::vector<MeasureContents>& second)
{
    // Each hash lists the contents met with it and their kinds, numbered as first met.
    std::unordered_map<std::uint64_t, std::vector<std::pair<const MeasureContents*, std::uint32_t>>>
        seen;
    std::uint32_t next = 0;
    const auto kind = [&](const MeasureContents& contents) {
        auto& candidates = seen[hashOf(contents)];
        for (const auto& [candidate, number] : candidates) {
            if (*candidate == contents)
                return number;
        }
        candidates.emplace_back(&contents, next);
        return next++;
    };
    MeasureKinds kinds;
    for (const MeasureContents& contents : first)
        kinds.first.push_back(kind(contents));
    for (const MeasureContents& contents : second)
        kinds.second.push_back(kind(contents));
    return kinds;
}

} // namespace beatplate
