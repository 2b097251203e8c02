#include "chart/chart_comparison.h"

#include "chart/chart_timeline.h"
#include "chart/measure_alignment.h"
#include "chart/measure_contents.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace beatplate {

void NoteKindCounts::add(NoteKind kind)
{
    const auto found = std::find(kComparedNoteKinds.begin(), kComparedNoteKinds.end(), kind);
    if (found != kComparedNoteKinds.end())
        ++counts[static_cast<std::size_t>(found - kComparedNoteKinds.begin())];
}

std::int64_t NoteKindCounts::total() const
{
    return std::accumulate(counts.begin(), counts.end(), std::int64_t{ 0 });
}

namespace {

// The measures of both charts, and the place being gathered.
struct PlaceBuilder {
    const std::vector<MeasureContents>& oldMeasures;
    const std::vector<MeasureContents>& newMeasures;
    ChangedPlace place;
};

bool isTimedValue(ChartEventKind kind)
{
    return kind == ChartEventKind::Tempo || kind == ChartEventKind::ScrollSpeed;
}

std::vector<ChartEvent> eventsOfKind(const MeasureContents& measure, ChartEventKind kind)
{
    std::vector<ChartEvent> events;
    std::copy_if(measure.events.begin(), measure.events.end(), std::back_inserter(events),
                 [kind](const ChartEvent& event) { return event.kind == kind; });
    return events;
}

} // namespace

// Every note and timed value of a measure that only one chart has.
static void addWhole(PlaceBuilder& builder, const MeasureContents& measure,
                     std::uint32_t measureIndex, bool isNew)
{
    NoteKindCounts& counts = isNew ? builder.place.notesAdded : builder.place.notesRemoved;
    for (const ChartNote& note : measure.notes)
        counts.add(note.kind);
    for (const ChartEvent& event : measure.events) {
        if (!isTimedValue(event.kind))
            continue;
        EventChange change{ event.kind, {}, {}, event.position.tick, {}, {} };
        (isNew ? change.newMeasure : change.oldMeasure) = measureIndex;
        (isNew ? change.newValue : change.oldValue) = event.value;
        builder.place.events.push_back(change);
    }
}

// Where a note stands as the picture shows it: its lane, counted from the top of its measure's
// lanes, then its tick; so a lane added beside the others leaves their notes where they were.
struct NotePlace {
    std::uint32_t lane = 0;
    std::uint32_t tick = 0;
    const ChartNote* note = nullptr;

    [[nodiscard]] bool before(const NotePlace& other) const
    {
        return lane != other.lane ? lane < other.lane : tick < other.tick;
    }
};

static std::vector<NotePlace> notePlaces(const MeasureContents& measure)
{
    const auto mask = static_cast<unsigned>(measure.meter.branchMask);
    std::vector<NotePlace> places;
    for (const ChartNote& note : measure.notes) {
        const auto branch = static_cast<unsigned>(note.position.branch);
        const auto lane = branch == 0 ? 0 : std::popcount(mask & (branch - 1));
        places.push_back({ static_cast<std::uint32_t>(lane), note.position.tick, &note });
    }
    std::stable_sort(places.begin(), places.end(),
                     [](const NotePlace& a, const NotePlace& b) { return a.before(b); });
    return places;
}

// Notes at the same place are one note in both charts, changed or not; the others were added
// or removed.
static void compareNotes(PlaceBuilder& builder, const MeasureContents& oldMeasure,
                         const MeasureContents& newMeasure)
{
    ChangedPlace& place = builder.place;
    const auto oldPlaces = notePlaces(oldMeasure);
    const auto newPlaces = notePlaces(newMeasure);
    auto oldNote = oldPlaces.begin();
    auto newNote = newPlaces.begin();
    while (oldNote != oldPlaces.end() || newNote != newPlaces.end()) {
        const bool takeOld =
            newNote == newPlaces.end() || (oldNote != oldPlaces.end() && oldNote->before(*newNote));
        const bool takeNew =
            oldNote == oldPlaces.end() || (newNote != newPlaces.end() && newNote->before(*oldNote));
        if (takeOld) {
            place.notesRemoved.add((oldNote++)->note->kind);
            place.aspects |= kNotesChanged;
        } else if (takeNew) {
            place.notesAdded.add((newNote++)->note->kind);
            place.aspects |= kNotesChanged;
        } else {
            const ChartNote& before = *(oldNote++)->note;
            const ChartNote& after = *(newNote++)->note;
            if (before.kind != after.kind) {
                place.notesRemoved.add(before.kind);
                place.notesAdded.add(after.kind);
                place.aspects |= kNotesChanged;
            } else if (before.length != after.length || before.count != after.count) {
                place.aspects |= kSpansChanged;
            }
        }
    }
}

// Tempos or scroll speeds of one kind, paired by tick and branch in their order.
static void compareTimedValues(PlaceBuilder& builder, ChartEventKind kind,
                               const std::vector<ChartEvent>& oldEvents,
                               const std::vector<ChartEvent>& newEvents, const AlignedMeasure& pair)
{
    auto oldEvent = oldEvents.begin();
    auto newEvent = newEvents.begin();
    while (oldEvent != oldEvents.end() || newEvent != newEvents.end()) {
        EventChange change{ kind, pair.oldMeasure, pair.newMeasure, 0, {}, {} };
        const bool takeOld = newEvent == newEvents.end()
            || (oldEvent != oldEvents.end() && oldEvent->position < newEvent->position);
        const bool takeNew = oldEvent == oldEvents.end()
            || (newEvent != newEvents.end() && newEvent->position < oldEvent->position);
        if (!takeNew) {
            change.tick = oldEvent->position.tick;
            change.oldValue = (oldEvent++)->value;
        }
        if (!takeOld) {
            change.tick = newEvent->position.tick;
            change.newValue = (newEvent++)->value;
        }
        if (change.oldValue != change.newValue)
            builder.place.events.push_back(change);
    }
}

static void compareEvents(PlaceBuilder& builder, const MeasureContents& oldMeasure,
                          const MeasureContents& newMeasure, const AlignedMeasure& pair)
{
    constexpr std::array<std::pair<ChartEventKind, ChangeAspect>, 4> kAspects{ {
        { ChartEventKind::Tempo, kTempoChanged },
        { ChartEventKind::ScrollSpeed, kScrollSpeedChanged },
        { ChartEventKind::BranchStart, kBranchesChanged },
        { ChartEventKind::LineBreak, kRowBreakChanged },
    } };
    for (const auto& [kind, aspect] : kAspects) {
        const auto oldEvents = eventsOfKind(oldMeasure, kind);
        const auto newEvents = eventsOfKind(newMeasure, kind);
        if (oldEvents == newEvents)
            continue;
        builder.place.aspects |= aspect;
        if (isTimedValue(kind))
            compareTimedValues(builder, kind, oldEvents, newEvents, pair);
    }
}

static void compareMeasures(PlaceBuilder& builder, const AlignedMeasure& pair)
{
    const MeasureContents& oldMeasure = builder.oldMeasures[pair.oldMeasure];
    const MeasureContents& newMeasure = builder.newMeasures[pair.newMeasure];
    ChangedPlace& place = builder.place;
    compareNotes(builder, oldMeasure, newMeasure);
    if (oldMeasure.spanPieces != newMeasure.spanPieces)
        place.aspects |= kSpansChanged;
    const MeasureInfo& oldMeter = oldMeasure.meter;
    const MeasureInfo& newMeter = newMeasure.meter;
    if (oldMeter.beats != newMeter.beats || oldMeter.beatLength != newMeter.beatLength) {
        place.aspects |= kMeterChanged;
        place.meters.push_back({ pair.oldMeasure, pair.newMeasure, oldMeter, newMeter });
    }
    if (oldMeter.branchMask != newMeter.branchMask)
        place.aspects |= kBranchesChanged;
    compareEvents(builder, oldMeasure, newMeasure, pair);
    if (oldMeasure.gogo != newMeasure.gogo)
        place.aspects |= kGogoChanged;
}

static void addStep(PlaceBuilder& builder, const AlignedMeasure& step, MeasureMarks& marks)
{
    ChangedPlace& place = builder.place;
    switch (step.step) {
    case AlignmentStep::Changed:
        place.changed.push_back(step.newMeasure);
        marks.measures[step.newMeasure] = MeasureChange::Changed;
        compareMeasures(builder, step);
        break;
    case AlignmentStep::Added:
        place.added.push_back(step.newMeasure);
        marks.measures[step.newMeasure] = MeasureChange::Added;
        addWhole(builder, builder.newMeasures[step.newMeasure], step.newMeasure, true);
        break;
    case AlignmentStep::Removed:
        place.removed.push_back(step.oldMeasure);
        ++marks.removedBefore[step.newMeasure];
        addWhole(builder, builder.oldMeasures[step.oldMeasure], step.oldMeasure, false);
        break;
    case AlignmentStep::Same:
        break;
    }
}

// One bit per note, chosen by its lane, tick and kind, so that two measures differ in about
// as many bits as they have notes that differ.
static std::vector<std::uint64_t> sketchesOf(const std::vector<MeasureContents>& measures)
{
    std::vector<std::uint64_t> sketches;
    for (const MeasureContents& measure : measures) {
        std::uint64_t sketch = 0;
        for (const NotePlace& place : notePlaces(measure)) {
            const std::uint64_t key = (std::uint64_t{ place.lane } << 40)
                ^ (std::uint64_t{ place.tick } << 8) ^ static_cast<std::uint64_t>(place.note->kind);
            sketch |= std::uint64_t{ 1 } << ((key * 0x9E3779B97F4A7C15ull) >> 58);
        }
        sketches.push_back(sketch);
    }
    return sketches;
}

static std::vector<std::int64_t> measureStarts(const ChartDocument& document)
{
    const ChartTimeline timeline(document);
    std::vector<std::int64_t> starts;
    for (std::uint32_t measure = 0; measure < document.measures.size(); ++measure)
        starts.push_back(timeline.measureStart(measure));
    return starts;
}

static ComparedFigures figuresOf(const ChartDocument& document,
                                 const std::vector<MeasureContents>& measures)
{
    const ChartTimeline timeline(document);
    ComparedFigures figures{ measures.size(), timeline.secondsAt(timeline.endTick()), 0 };
    for (const MeasureContents& measure : measures)
        figures.notes +=
            std::count_if(measure.notes.begin(), measure.notes.end(),
                          [](const ChartNote& note) { return isSingleNote(note.kind); });
    return figures;
}

template <typename Value>
static std::optional<HeaderChange<Value>> headerChange(const Value& oldValue, const Value& newValue)
{
    if (oldValue == newValue)
        return std::nullopt;
    return HeaderChange<Value>{ oldValue, newValue };
}

// Gathers the steps between two Same steps into one place each.
static std::vector<ChangedPlace> placesOf(const std::vector<AlignedMeasure>& steps,
                                          const std::vector<MeasureContents>& oldMeasures,
                                          const std::vector<MeasureContents>& newMeasures,
                                          MeasureMarks& marks)
{
    std::vector<ChangedPlace> places;
    for (auto step = steps.begin(); step != steps.end();) {
        if (step->step == AlignmentStep::Same) {
            ++step;
            continue;
        }
        PlaceBuilder builder{ oldMeasures, newMeasures, {} };
        builder.place.oldFirst = builder.place.oldEnd = step->oldMeasure;
        builder.place.newFirst = builder.place.newEnd = step->newMeasure;
        for (; step != steps.end() && step->step != AlignmentStep::Same; ++step) {
            addStep(builder, *step, marks);
            if (step->step != AlignmentStep::Added)
                builder.place.oldEnd = step->oldMeasure + 1;
            if (step->step != AlignmentStep::Removed)
                builder.place.newEnd = step->newMeasure + 1;
        }
        places.push_back(std::move(builder.place));
    }
    return places;
}

ChartComparison compareCharts(const ChartDocument& oldChart, const ChartDocument& newChart)
{
    const auto oldMeasures = measureContentsOf(oldChart);
    const auto newMeasures = measureContentsOf(newChart);
    const MeasureKinds kinds = kindsOf(oldMeasures, newMeasures);
    const auto oldStarts = measureStarts(oldChart);
    const auto newStarts = measureStarts(newChart);
    const auto oldSketches = sketchesOf(oldMeasures);
    const auto newSketches = sketchesOf(newMeasures);
    const auto steps = alignMeasures({ kinds.first, oldSketches, oldStarts },
                                     { kinds.second, newSketches, newStarts });

    ChartComparison comparison;
    comparison.marks.measures.assign(newMeasures.size(), MeasureChange::Same);
    comparison.marks.removedBefore.assign(newMeasures.size() + 1, 0);
    comparison.places = placesOf(steps, oldMeasures, newMeasures, comparison.marks);
    comparison.title = headerChange(oldChart.title, newChart.title);
    comparison.difficulty = headerChange(oldChart.difficulty, newChart.difficulty);
    comparison.level = headerChange(oldChart.level, newChart.level);
    comparison.oldFigures = figuresOf(oldChart, oldMeasures);
    comparison.newFigures = figuresOf(newChart, newMeasures);
    return comparison;
}

} // namespace beatplate
