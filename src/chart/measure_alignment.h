#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace beatplate {

// What became of a measure from one chart to the next.
enum class AlignmentStep : std::uint8_t {
    Same, // the old measure stands unchanged as the new one
    Changed, // the old measure was edited in place into the new one
    Added, // the new measure has no old one
    Removed, // the old measure has no new one
};

// One step of an alignment. oldMeasure and newMeasure are where each chart stands: for Added,
// the old measure the new one comes before (the old count at the end); for Removed, the new
// measure the old one stood before.
struct AlignedMeasure {
    AlignmentStep step = AlignmentStep::Same;
    std::uint32_t oldMeasure = 0;
    std::uint32_t newMeasure = 0;

    bool operator==(const AlignedMeasure&) const = default;
};

// A measure as the alignment sees it: its contents as a number (equal numbers, equal
// contents), a sketch of its notes (a bit set for each note's place and kind, so that measures
// with more notes in common differ in fewer bits) and where it begins, in ticks from its
// chart's start.
struct AlignedInput {
    std::span<const std::uint32_t> kinds;
    std::span<const std::uint64_t> sketches;
    std::span<const std::int64_t> starts;
};

// Aligns two charts' measures, both in order, keeping as many Same as can be: so a measure
// inserted is Added and the rest stay Same. Of those alignments it takes one with the fewest
// other steps, so that a measure edited where it stood is Changed rather than Removed and
// Added; and of those, the one whose changed measures are most alike, and then the one whose
// paired measures lie nearest in time, so that among equal measures the unpaired ones are the
// ones that moved. Stretches too long to align whole are
// split at measures found once in each.
[[nodiscard]] std::vector<AlignedMeasure> alignMeasures(const AlignedInput& oldChart,
                                                        const AlignedInput& newChart);

// The most cells of the table that aligns a stretch whole: a byte each.
inline constexpr std::size_t kMaxAlignmentCells = std::size_t{ 1 } << 24;

} // namespace beatplate
