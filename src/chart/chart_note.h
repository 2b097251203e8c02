#pragma once

#include <compare>
#include <cstdint>
#include <limits>

namespace beatplate {

// Where a note, span start, event or gogo bound lies; ordered on (measure, tick, branch).
struct ChartPosition {
    std::uint32_t measure = 0;
    std::uint32_t tick = 0; // 480 ticks to a quarter note
    std::int32_t branch = 0; // 0, 1, 2 or 4; a branch mask for scroll-speed events

    // clang-tidy 14 takes the 0 that a defaulted <=> compares with for a null pointer.
    auto operator<=>(const ChartPosition&) const = default; // NOLINT(modernize-use-nullptr)
};

// Ticks of a quarter note, the unit of every position and length.
inline constexpr std::uint32_t kTicksPerQuarter = 480;
// The largest value a position or length may reach, in the 64-bit sums that check it.
inline constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

inline constexpr ChartPosition kChartEnd{ std::numeric_limits<std::uint32_t>::max(),
                                          std::numeric_limits<std::uint32_t>::max(), 0 };

// Number of lanes a measure of this branch mask shows: 1 for mask 0, else the set bits 0 to 2.
[[nodiscard]] constexpr int laneCount(std::int32_t branchMask)
{
    if (branchMask == 0)
        return 1;
    return (branchMask & 1) + ((branchMask >> 1) & 1) + ((branchMask >> 2) & 1);
}

// Branch paths as bits, as the lanes' branch bits: path 1 is bit 1, path 2 bit 2, path 3 bit 4.
inline constexpr std::uint8_t kEveryPath = 7;

// The branch paths that meet a note of a measure with this branch mask: every path for an
// unbranched note or a single lane, else the note's branch, and on its measure's first lane
// also the paths the measure lacks, which fall back to it.
[[nodiscard]] constexpr std::uint8_t pathsHearing(std::int32_t noteBranch, std::int32_t branchMask)
{
    if (noteBranch == 0 || laneCount(branchMask) == 1)
        return kEveryPath;
    const std::int32_t firstLane = branchMask & -branchMask;
    const std::int32_t lacking = noteBranch == firstLane ? ~branchMask & kEveryPath : 0;
    return static_cast<std::uint8_t>((noteBranch | lacking) & kEveryPath);
}

// What a note or span is, as the notation's character code for it.
enum class NoteKind : std::int32_t {
    None = 0, // no note
    O = 'o',
    BigO = 'O',
    X = 'x',
    BigX = 'X',
    ParenSpan = '(',
    AngleSpan = '<',
    AtSpan = '@', // the counted spans, which show their count
    BSpan = 'b',
    PSpan = 'p',
    Unnamed = '[', // a span closed without a kind letter: neither drawn nor counted
};

[[nodiscard]] constexpr bool isSingleNote(NoteKind kind)
{
    return kind == NoteKind::O || kind == NoteKind::BigO || kind == NoteKind::X
        || kind == NoteKind::BigX;
}

[[nodiscard]] constexpr bool isCountedSpan(NoteKind kind)
{
    return kind == NoteKind::AtSpan || kind == NoteKind::BSpan || kind == NoteKind::PSpan;
}

// A single note (length and count 0) or a span.
struct ChartNote {
    NoteKind kind = NoteKind::None;
    std::int32_t length = 0; // ticks from position
    std::int32_t count = 0;
    ChartPosition position;

    bool operator==(const ChartNote&) const = default;
};

} // namespace beatplate
