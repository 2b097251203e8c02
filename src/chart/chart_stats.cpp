#include "chart/chart_stats.h"

#include "chart/chart_timeline.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <span>

namespace beatplate {
namespace {

// A single note placed in time.
struct TimedNote {
    double seconds = 0;
    std::uint32_t measure = 0;
    std::int32_t branch = 0;
};

struct TickInterval {
    std::int64_t begin = 0;
    std::int64_t end = 0;
};

// The lanes of the score: the unbranched one, then the three branches.
constexpr std::array<std::int32_t, 4> kTrackBranches{ 0, 1, 2, 4 };

// Notes exactly one second apart fall in different windows despite rounding.
constexpr double kWindowSeconds = 1.0 - 1e-9;

void widen(std::optional<ValueRange>& range, double value)
{
    if (!range) {
        range = ValueRange{ value, value };
        return;
    }
    range->lowest = std::min(range->lowest, value);
    range->highest = std::max(range->highest, value);
}

// Widens the range by every value of changes (sorted by tick, the first at tick 0) that holds
// for a stretch of one of the intervals.
void widenByValuesInForce(std::optional<ValueRange>& range, const std::vector<TimedValue>& changes,
                          std::span<const TickInterval> intervals)
{
    for (const TickInterval& interval : intervals) {
        if (interval.begin >= interval.end)
            continue;
        auto change = std::upper_bound(changes.begin(), changes.end(), interval.begin,
                                       [](std::int64_t tick, const TimedValue& value) {
                                           return tick < value.tick;
                                       })
            - 1;
        for (; change != changes.end() && change->tick < interval.end; ++change) {
            const auto next = change + 1;
            // A change followed by another at the same tick never holds.
            if (next == changes.end() || next->tick > change->tick)
                widen(range, change->value);
        }
    }
}

void countNote(NoteCounts& counts, NoteKind kind)
{
    switch (kind) {
    case NoteKind::O:
        ++counts.o;
        break;
    case NoteKind::BigO:
        ++counts.bigO;
        break;
    case NoteKind::X:
        ++counts.x;
        break;
    default:
        ++counts.bigX;
        break;
    }
}

void countSpan(ChartStats& stats, const ChartTimeline& timeline, const ChartNote& span,
               std::int64_t start)
{
    const auto kind = std::find(kSpanKinds.begin(), kSpanKinds.end(), span.kind);
    // A span that never got a kind is not drawn either.
    if (kind == kSpanKinds.end())
        return;
    SpanFigures& figures = stats.spans[static_cast<std::size_t>(kind - kSpanKinds.begin())];
    ++figures.count;
    // The score ends a span that runs past the last measure at the chart's end.
    const std::int64_t end = std::min(start + span.length, timeline.endTick());
    figures.seconds +=
        timeline.secondsAt(end) - timeline.secondsAt(std::min(start, timeline.endTick()));
    if (isCountedSpan(span.kind)) {
        ++stats.countedSpans;
        stats.countSum += span.count;
    }
}

// The series of notes per second, each step seconds long.
std::vector<double> densitySeries(std::span<const TimedNote> notes, double chartSeconds)
{
    const double step = densityStep(chartSeconds);
    std::vector<double> series(static_cast<std::size_t>(std::ceil(chartSeconds / step)), 0.0);
    for (const TimedNote& note : notes) {
        // A note on the chart's very end counts in the last step.
        const auto at = std::min(static_cast<std::size_t>(std::max(note.seconds, 0.0) / step),
                                 series.size() - 1);
        series[at] += 1.0 / step;
    }
    return series;
}

// Of notes sorted by time: the average over the chart, the busiest second and the series.
NoteDensity densityOf(std::span<const TimedNote> notes, double chartSeconds)
{
    NoteDensity density;
    if (chartSeconds > 0) {
        density.averagePerSecond = static_cast<double>(notes.size()) / chartSeconds;
        density.series = densitySeries(notes, chartSeconds);
    }
    std::size_t end = 0;
    for (std::size_t first = 0; first < notes.size(); ++first) {
        end = std::max(end, first);
        while (end < notes.size() && notes[end].seconds < notes[first].seconds + kWindowSeconds)
            ++end;
        const auto count = static_cast<std::int64_t>(end - first);
        if (count > density.peakNotes) {
            density.peakNotes = count;
            density.peakStart = notes[first].seconds;
            density.peakMeasure = notes[first].measure + 1;
        }
    }
    return density;
}

ValueRange tempoRange(const ChartTimeline& timeline)
{
    std::optional<ValueRange> range;
    const TickInterval wholeChart{ 0, timeline.endTick() };
    widenByValuesInForce(range, timeline.tempos(), std::span(&wholeChart, 1));
    return range.value_or(ValueRange{ kDefaultTempo, kDefaultTempo });
}

// A speed for no branch holds for every lane; one naming branches only for their lanes.
std::array<std::vector<TimedValue>, 4> scrollSpeedTracks(const ChartDocument& document,
                                                         const ChartTimeline& timeline)
{
    std::array<std::vector<TimedValue>, 4> tracks;
    for (auto& track : tracks)
        track.push_back({ 0, kDefaultScrollSpeed });
    for (const ChartEvent& event : document.events) {
        const auto tick = timeline.tickOf(event.position);
        if (event.kind != ChartEventKind::ScrollSpeed || !tick)
            continue;
        for (std::size_t track = 0; track < tracks.size(); ++track) {
            const std::int32_t branch = kTrackBranches[track];
            const std::int32_t mask = event.position.branch;
            if (mask == 0 || (branch != 0 && (mask & branch) != 0))
                tracks[track].push_back({ *tick, event.value / 100.0 });
        }
    }
    for (auto& track : tracks) {
        std::stable_sort(track.begin(), track.end(),
                         [](const TimedValue& a, const TimedValue& b) { return a.tick < b.tick; });
    }
    return tracks;
}

ValueRange scrollSpeedRange(const ChartDocument& document, const ChartTimeline& timeline)
{
    const auto tracks = scrollSpeedTracks(document, timeline);
    std::array<std::vector<TickInterval>, 4> shown;
    for (std::uint32_t i = 0; i < document.measures.size(); ++i) {
        const std::int32_t mask = document.measures[i].branchMask;
        const TickInterval measure{ timeline.measureStart(i), timeline.measureStart(i + 1) };
        for (std::size_t track = 0; track < tracks.size(); ++track) {
            const std::int32_t branch = kTrackBranches[track];
            if (branch == 0 ? mask == 0 : (mask & branch) != 0)
                shown[track].push_back(measure);
        }
    }
    std::optional<ValueRange> range;
    for (std::size_t track = 0; track < tracks.size(); ++track)
        widenByValuesInForce(range, tracks[track], shown[track]);
    return range.value_or(ValueRange{ kDefaultScrollSpeed, kDefaultScrollSpeed });
}

std::vector<BranchPathFigures> branchPaths(const ChartDocument& document,
                                           std::span<const TimedNote> notes, double chartSeconds)
{
    // A section that selects one branch alone is drawn as a single lane, which every play meets.
    const auto singleLane = [&document](const TimedNote& note) {
        return laneCount(document.measures[note.measure].branchMask) == 1;
    };
    std::int32_t branches = 0;
    for (const MeasureInfo& measure : document.measures)
        branches |= laneCount(measure.branchMask) > 1 ? measure.branchMask : 0;
    std::vector<BranchPathFigures> paths;
    for (int ordinal = 1; ordinal <= 3; ++ordinal) {
        const std::int32_t branch = 1 << (ordinal - 1);
        if ((branches & branch) == 0)
            continue;
        std::vector<TimedNote> path;
        std::copy_if(notes.begin(), notes.end(), std::back_inserter(path),
                     [branch, &singleLane](const TimedNote& note) {
                         return note.branch == 0 || note.branch == branch || singleLane(note);
                     });
        paths.push_back(
            { ordinal, static_cast<std::int64_t>(path.size()), densityOf(path, chartSeconds) });
    }
    return paths;
}

std::vector<TimeSpan> gogoSections(const ChartDocument& document, const ChartTimeline& timeline)
{
    std::vector<TimeSpan> sections;
    for (const GogoSpan& span : document.gogoSpans) {
        const auto start = timeline.tickOf(span.lower());
        if (!start)
            continue;
        // A section still open at the chart's end runs to it.
        const std::int64_t end = timeline.tickOf(span.upper()).value_or(timeline.endTick());
        sections.push_back({ timeline.secondsAt(*start), timeline.secondsAt(end) });
    }
    return sections;
}

std::vector<MeasureTime> measureTimes(const ChartDocument& document, const ChartTimeline& timeline)
{
    std::vector<MeasureTime> times;
    times.reserve(document.measures.size());
    for (std::uint32_t i = 0; i < document.measures.size(); ++i) {
        const std::int64_t start = timeline.measureStart(i);
        const std::int64_t end = timeline.measureStart(i + 1);
        const double seconds = timeline.secondsAt(start);
        times.push_back({ start,
                          static_cast<std::uint32_t>(end - start),
                          seconds,
                          timeline.secondsAt(end) - seconds,
                          document.measures[i].beats,
                          {},
                          std::nullopt });
    }
    return times;
}

std::vector<TempoChange> tempoChanges(const ChartTimeline& timeline)
{
    std::vector<TempoChange> changes;
    for (const TimedValue& tempo : timeline.tempos())
        changes.push_back({ tempo.tick, timeline.secondsAt(tempo.tick), tempo.value });
    return changes;
}

} // namespace

double densityStep(double chartSeconds)
{
    constexpr double kMostEntries = 600;
    return std::max(1.0, std::ceil(chartSeconds / kMostEntries));
}

ChartStats computeChartStats(const ChartDocument& document)
{
    const ChartTimeline timeline(document);
    ChartStats stats;
    stats.measures = document.measures.size();
    stats.seconds = timeline.secondsAt(timeline.endTick());
    for (std::size_t i = 0; i < kSpanKinds.size(); ++i)
        stats.spans[i].kind = kSpanKinds[i];

    std::vector<TimedNote> notes;
    for (const ChartNote& note : document.notes) {
        const auto tick = timeline.tickOf(note.position);
        if (!tick) {
            ++stats.uncompletedNotes;
            continue;
        }
        if (!isSingleNote(note.kind)) {
            countSpan(stats, timeline, note, *tick);
            continue;
        }
        countNote(stats.notes, note.kind);
        notes.push_back({ timeline.secondsAt(*tick), note.position.measure, note.position.branch });
    }
    // The one-second windows walk the notes in time order.
    std::stable_sort(notes.begin(), notes.end(),
                     [](const TimedNote& a, const TimedNote& b) { return a.seconds < b.seconds; });

    stats.tempo = tempoRange(timeline);
    stats.scrollSpeed = scrollSpeedRange(document, timeline);
    stats.density = densityOf(notes, stats.seconds);
    stats.densityStep = densityStep(stats.seconds);
    stats.gogo = gogoSections(document, timeline);
    stats.branches = branchPaths(document, notes, stats.seconds);
    stats.timeline = measureTimes(document, timeline);
    stats.tempos = tempoChanges(timeline);
    return stats;
}

} // namespace beatplate
