#include "chart/measure_alignment.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <unordered_map>

namespace beatplate {

namespace {

// The measures [oldFirst, oldEnd) and [newFirst, newEnd) still to align; or, when it is a
// pair, the one measure of each that stands unchanged.
struct Stretch {
    std::uint32_t oldFirst = 0;
    std::uint32_t oldEnd = 0;
    std::uint32_t newFirst = 0;
    std::uint32_t newEnd = 0;
    bool isPair = false;
};

// The price of a way through the table: first its measures left unpaired, a Changed step
// counting as the removal and the addition it stands for, so that the most measures stand
// unchanged; then its steps other than Same, so that of a removal and an addition at one place
// an edit is made; then how unlike the measures it calls changed are; then how far in ticks its
// paired measures lie from one another.
struct Cost {
    std::uint32_t unpaired = 0;
    std::uint32_t steps = 0;
    std::uint32_t unlike = 0;
    std::int64_t shift = 0;

    // clang-tidy 14 takes the 0 that a defaulted <=> compares with for a null pointer.
    auto operator<=>(const Cost&) const = default; // NOLINT(modernize-use-nullptr)
};

// How far apart two measures begin, in ticks, held low enough that a path's sum cannot overflow:
// a path has fewer steps than 2^25, and a shift beyond 2^36 ticks is one no chart makes.
std::int64_t distance(std::int64_t first, std::int64_t second)
{
    constexpr std::int64_t kFarthest = std::int64_t{ 1 } << 36;
    return std::min(first > second ? first - second : second - first, kFarthest);
}

enum class Move : std::uint8_t {
    Diagonal, // Same or Changed
    Down, // Removed
    Across, // Added
};

class Aligner {
public:
    Aligner(const AlignedInput& oldChart, const AlignedInput& newChart)
        : m_old(oldChart)
        , m_new(newChart)
    {
    }

    [[nodiscard]] std::vector<AlignedMeasure> align();

private:
    void emit(AlignmentStep step, std::uint32_t oldMeasure, std::uint32_t newMeasure)
    {
        m_steps.push_back({ step, oldMeasure, newMeasure });
    }
    void alignStretch(Stretch stretch, std::vector<Stretch>& pending);
    void alignInTable(const Stretch& stretch);
    void splitAtAnchors(const Stretch& stretch, std::vector<Stretch>& pending);

    AlignedInput m_old;
    AlignedInput m_new;
    std::vector<AlignedMeasure> m_steps;
};

} // namespace

std::vector<AlignedMeasure> Aligner::align()
{
    // A stack rather than recursion: stretches split within stretches could nest deeply.
    std::vector<Stretch> pending{ { 0, static_cast<std::uint32_t>(m_old.kinds.size()), 0,
                                    static_cast<std::uint32_t>(m_new.kinds.size()), false } };
    while (!pending.empty()) {
        const Stretch stretch = pending.back();
        pending.pop_back();
        if (stretch.isPair)
            emit(AlignmentStep::Same, stretch.oldFirst, stretch.newFirst);
        else
            alignStretch(stretch, pending);
    }
    return std::move(m_steps);
}

// Equal measures at either end stand unchanged: no shorter alignment pairs them otherwise.
void Aligner::alignStretch(Stretch stretch, std::vector<Stretch>& pending)
{
    while (stretch.oldFirst < stretch.oldEnd && stretch.newFirst < stretch.newEnd
           && m_old.kinds[stretch.oldFirst] == m_new.kinds[stretch.newFirst])
        emit(AlignmentStep::Same, stretch.oldFirst++, stretch.newFirst++);
    std::uint32_t common = 0;
    while (stretch.oldFirst < stretch.oldEnd - common && stretch.newFirst < stretch.newEnd - common
           && m_old.kinds[stretch.oldEnd - common - 1] == m_new.kinds[stretch.newEnd - common - 1])
        ++common;
    for (std::uint32_t at = 0; at < common; ++at)
        pending.push_back({ stretch.oldEnd - 1 - at, 0, stretch.newEnd - 1 - at, 0, true });
    stretch.oldEnd -= common;
    stretch.newEnd -= common;
    const std::size_t rows = stretch.oldEnd - stretch.oldFirst;
    const std::size_t columns = stretch.newEnd - stretch.newFirst;
    if (rows == 0 || columns == 0) {
        for (std::uint32_t at = stretch.oldFirst; at < stretch.oldEnd; ++at)
            emit(AlignmentStep::Removed, at, stretch.newFirst);
        for (std::uint32_t at = stretch.newFirst; at < stretch.newEnd; ++at)
            emit(AlignmentStep::Added, stretch.oldFirst, at);
    } else if ((rows + 1) * (columns + 1) <= kMaxAlignmentCells) {
        alignInTable(stretch);
    } else {
        splitAtAnchors(stretch, pending);
    }
}

// The classic table of edit distances, each cell the cheapest way to align the measures before
// it, with the move that reached it kept for the walk back.
void Aligner::alignInTable(const Stretch& stretch)
{
    const std::size_t rows = stretch.oldEnd - stretch.oldFirst;
    const std::size_t columns = stretch.newEnd - stretch.newFirst;
    std::vector<Move> moves((rows + 1) * (columns + 1), Move::Across);
    std::vector<Cost> above(columns + 1);
    std::vector<Cost> here(columns + 1);
    for (std::size_t column = 0; column <= columns; ++column)
        above[column] = { static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(column), 0,
                          0 };
    for (std::size_t row = 1; row <= rows; ++row) {
        const std::uint32_t oldMeasure = stretch.oldFirst + static_cast<std::uint32_t>(row) - 1;
        here[0] = { static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(row), 0, 0 };
        moves[row * (columns + 1)] = Move::Down;
        for (std::size_t column = 1; column <= columns; ++column) {
            const std::uint32_t newMeasure =
                stretch.newFirst + static_cast<std::uint32_t>(column) - 1;
            const bool same = m_old.kinds[oldMeasure] == m_new.kinds[newMeasure];
            const auto unlike = static_cast<std::uint32_t>(
                std::popcount(m_old.sketches[oldMeasure] ^ m_new.sketches[newMeasure]));
            Cost best{ above[column - 1].unpaired + (same ? 0u : 2u),
                       above[column - 1].steps + (same ? 0u : 1u),
                       above[column - 1].unlike + (same ? 0u : unlike),
                       above[column - 1].shift
                           + distance(m_old.starts[oldMeasure], m_new.starts[newMeasure]) };
            Move move = Move::Diagonal;
            if (const Cost down{ above[column].unpaired + 1, above[column].steps + 1,
                                 above[column].unlike, above[column].shift };
                down < best) {
                best = down;
                move = Move::Down;
            }
            if (const Cost across{ here[column - 1].unpaired + 1, here[column - 1].steps + 1,
                                   here[column - 1].unlike, here[column - 1].shift };
                across < best) {
                best = across;
                move = Move::Across;
            }
            here[column] = best;
            moves[row * (columns + 1) + column] = move;
        }
        std::swap(above, here);
    }
    std::vector<AlignedMeasure> walked;
    for (std::size_t row = rows, column = columns; row > 0 || column > 0;) {
        const auto oldMeasure = static_cast<std::uint32_t>(stretch.oldFirst + row);
        const auto newMeasure = static_cast<std::uint32_t>(stretch.newFirst + column);
        switch (moves[row * (columns + 1) + column]) {
        case Move::Diagonal: {
            const bool same = m_old.kinds[oldMeasure - 1] == m_new.kinds[newMeasure - 1];
            walked.push_back({ same ? AlignmentStep::Same : AlignmentStep::Changed, oldMeasure - 1,
                               newMeasure - 1 });
            --row;
            --column;
            break;
        }
        case Move::Down:
            walked.push_back({ AlignmentStep::Removed, oldMeasure - 1, newMeasure });
            --row;
            break;
        case Move::Across:
            walked.push_back({ AlignmentStep::Added, oldMeasure, newMeasure - 1 });
            --column;
            break;
        }
    }
    m_steps.insert(m_steps.end(), walked.rbegin(), walked.rend());
}

// Measures found once in each stretch are paired in the longest run that keeps their order, and
// the stretches between them are aligned each on their own. Without any, the measures are
// paired in order.
void Aligner::splitAtAnchors(const Stretch& stretch, std::vector<Stretch>& pending)
{
    struct Seen {
        std::uint32_t oldCount = 0;
        std::uint32_t newCount = 0;
        std::uint32_t oldMeasure = 0;
        std::uint32_t newMeasure = 0;
    };
    std::unordered_map<std::uint32_t, Seen> seen;
    for (std::uint32_t at = stretch.oldFirst; at < stretch.oldEnd; ++at) {
        Seen& kind = seen[m_old.kinds[at]];
        ++kind.oldCount;
        kind.oldMeasure = at;
    }
    for (std::uint32_t at = stretch.newFirst; at < stretch.newEnd; ++at) {
        Seen& kind = seen[m_new.kinds[at]];
        ++kind.newCount;
        kind.newMeasure = at;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> unique; // old, new
    for (const auto& [kind, found] : seen) {
        if (found.oldCount == 1 && found.newCount == 1)
            unique.emplace_back(found.oldMeasure, found.newMeasure);
    }
    std::sort(unique.begin(), unique.end());
    // Patience sorting: tails[k] is the unique pair ending the best run of length k + 1.
    std::vector<std::size_t> tails;
    std::vector<std::size_t> before(unique.size(), unique.size());
    for (std::size_t at = 0; at < unique.size(); ++at) {
        const auto place = std::lower_bound(tails.begin(), tails.end(), unique[at].second,
                                            [&](std::size_t tail, std::uint32_t newMeasure) {
                                                return unique[tail].second < newMeasure;
                                            });
        if (place != tails.begin())
            before[at] = *(place - 1);
        if (place == tails.end())
            tails.push_back(at);
        else
            *place = at;
    }
    if (tails.empty()) {
        const std::uint32_t paired =
            std::min(stretch.oldEnd - stretch.oldFirst, stretch.newEnd - stretch.newFirst);
        for (std::uint32_t at = 0; at < paired; ++at)
            emit(AlignmentStep::Changed, stretch.oldFirst + at, stretch.newFirst + at);
        alignStretch({ stretch.oldFirst + paired, stretch.oldEnd, stretch.newFirst + paired,
                       stretch.newEnd, false },
                     pending);
        return;
    }
    // Pushed last to first, so that they are taken first to last.
    std::uint32_t oldEnd = stretch.oldEnd;
    std::uint32_t newEnd = stretch.newEnd;
    for (std::size_t at = tails.back(); at < unique.size(); at = before[at]) {
        const auto [oldMeasure, newMeasure] = unique[at];
        pending.push_back({ oldMeasure + 1, oldEnd, newMeasure + 1, newEnd, false });
        pending.push_back({ oldMeasure, 0, newMeasure, 0, true });
        oldEnd = oldMeasure;
        newEnd = newMeasure;
    }
    pending.push_back({ stretch.oldFirst, oldEnd, stretch.newFirst, newEnd, false });
}

std::vector<AlignedMeasure> alignMeasures(const AlignedInput& oldChart,
                                          const AlignedInput& newChart)
{
    assert(oldChart.kinds.size() == oldChart.starts.size()
           && oldChart.kinds.size() == oldChart.sketches.size()
           && newChart.kinds.size() == newChart.starts.size()
           && newChart.kinds.size() == newChart.sketches.size());
    return Aligner(oldChart, newChart).align();
}

} // namespace beatplate
