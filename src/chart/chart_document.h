#pragma once

#include <boost/numeric/interval.hpp>
#include <compare>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

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

// A single note (length and count 0) or a span; kind is the notation's character code.
struct ChartNote {
    std::int32_t kind = 0;
    std::int32_t length = 0; // ticks from position
    std::int32_t count = 0;
    ChartPosition position;

    bool operator==(const ChartNote&) const = default;
};

enum class ChartEventKind : std::int32_t {
    Tempo = 0,
    ScrollSpeed = 1,
    BranchStart = 2,
    LineBreak = 3
};

struct ChartEvent {
    ChartEventKind kind = ChartEventKind::Tempo;
    std::int32_t value = 0; // tempo or scroll speed times 100, rounded
    ChartPosition position;

    bool operator==(const ChartEvent&) const = default;
};

struct MeasureInfo {
    std::int32_t beats = 4;
    double beatLength = 1.0; // quarter notes per beat
    std::int32_t branchMask = 0;

    bool operator==(const MeasureInfo&) const = default;
};

// Orders records by their position alone; kind, length, count and value take no part.
struct PositionLess {
    template <typename Record>
    bool operator()(const Record& a, const Record& b) const
    {
        return a.position < b.position;
    }
};

// Strict checking: an empty interval is never created but raises the library's own error. The
// empty bounds are overridden only because positions cannot be made from the number 1 or 0.
struct GogoChecking : boost::numeric::interval_lib::checking_strict<ChartPosition> {
    static ChartPosition empty_lower()
    {
        boost::numeric::interval_lib::exception_create_empty()();
        return {};
    }
    static ChartPosition empty_upper()
    {
        boost::numeric::interval_lib::exception_create_empty()();
        return {};
    }
};

using GogoInterval = boost::numeric::interval<
    ChartPosition,
    boost::numeric::interval_lib::policies<
        boost::numeric::interval_lib::rounded_arith_exact<ChartPosition>, GogoChecking>>;

// A closed interval of positions; an open span reaches to kChartEnd.
struct GogoSpan {
    // Throws std::runtime_error("boost::interval: empty interval created") when lower > upper.
    GogoSpan(const ChartPosition& lower, const ChartPosition& upper);

    [[nodiscard]] ChartPosition lower() const { return m_interval.lower(); }
    [[nodiscard]] ChartPosition upper() const { return m_interval.upper(); }

    bool operator==(const GogoSpan& other) const
    {
        return lower() == other.lower() && upper() == other.upper();
    }

private:
    GogoInterval m_interval;
};

struct ChartDocument {
    std::set<ChartNote, PositionLess> notes; // first entry at a position wins
    std::multiset<ChartEvent, PositionLess> events; // equal positions keep insertion order
    std::vector<MeasureInfo> measures;
    std::vector<GogoSpan> gogoSpans;
    std::wstring title;
    std::wstring difficulty = L"ふつう";
    std::int32_t level = 5;

    // Appends a span [p, kChartEnd]; a span already open stays open.
    void openGogoSpan(const ChartPosition& p);
    // Moves the end of the last span to p; throws when there is none or p is before its start.
    void closeGogoSpan(const ChartPosition& p);

    bool operator==(const ChartDocument&) const = default;
};

} // namespace beatplate
