#pragma once

#include "base/page_geometry.h"
#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {

// Most diagnostics one chart collects: a check stops reading when it has this many, and
// warnings beyond it are only counted.
inline constexpr std::size_t kMaxDiagnostics = 1000;

// True when a mark at this tick lies at or past the page's right edge in a measure longer
// than a row: such a measure stands in a row of its own from its left. In shorter measures no
// tick inside them gets there.
[[nodiscard]] constexpr bool beyondPageEdge(std::uint32_t tick)
{
    return kRowLeft + std::uint64_t{ tick } * kPixelsPerQuarter / kTicksPerQuarter
        >= static_cast<std::uint64_t>(kPageWidth);
}

// Length in ticks above which a measure is wider than the page.
inline constexpr double kPageTicks = kQuarterNotesPerRow * kTicksPerQuarter;

// Collects the warnings of one chart, and keeps what the rules that span several lines need:
// where each branch's open span began, the marks placed since the last completed measure,
// the unfinished branch group and the note lines that tell a slip.
class WarningTracker {
public:
    void warn(ChartLocation location, std::string message, std::string detail = {},
              ChartSlip slip = ChartSlip::None);
    [[nodiscard]] const std::vector<ChartDiagnostic>& warnings() const { return m_warnings; }
    // Warnings found beyond kMaxDiagnostics, counted only.
    [[nodiscard]] std::size_t omitted() const { return m_omitted; }

    // What a line with an error takes back: it adds no warning.
    struct Checkpoint {
        std::size_t warnings = 0;
        std::size_t omitted = 0;
    };
    [[nodiscard]] Checkpoint checkpoint() const { return { m_warnings.size(), m_omitted }; }
    void rollBack(const Checkpoint& checkpoint);

    // A tempo, scroll-speed or branch-start event, or a gogo start (no tick to check), placed
    // at the measure cursor.
    void markPlaced(ChartLocation location, std::optional<std::uint32_t> tick);
    // A note line completed its branch group and count measures of measureTicks each at the
    // cursor: marks placed on the first are checked against it.
    void measuresCompleted(std::uint32_t count, double measureTicks);

    // A note line of this many characters (tabs expanded) at this many characters per
    // measure; extra is where characters beyond whole measures begin.
    void noteLineShape(ChartLocation extra, std::size_t length, std::size_t charsPerMeasure);
    // A note line that leaves its branch group unfinished.
    void groupLineRead(ChartLocation lineStart);
    // A branch directive that starts a new group; warns when one is unfinished.
    void branchesChanged();

    // Where the span a branch has open began; empty before its first span.
    [[nodiscard]] std::optional<ChartLocation> spanStart(std::int32_t branch) const;
    void setSpanStart(std::int32_t branch, std::optional<ChartLocation> start);

    // At the end of the chart: spans never closed (the branches in a span), the unfinished
    // group and marks beyond the last measure; only sorts the
    // warnings when reading stopped before the end.
    void finish(const std::vector<std::int32_t>& branchesInSpan, bool atChartEnd);

private:
    void warnAtChartEnd(const std::vector<std::int32_t>& branchesInSpan);

    struct PlacedMark {
        ChartLocation location;
        std::optional<std::uint32_t> tick;
    };

    struct Slip {
        ChartLocation location;
        std::string detail;
    };

    std::vector<ChartDiagnostic> m_warnings;
    std::size_t m_omitted = 0;
    std::vector<PlacedMark> m_marks; // since the last completed measure, at most kMaxDiagnostics
    std::optional<ChartLocation> m_groupStart;
    std::map<std::int32_t, ChartLocation> m_spanStarts;
    bool m_lastLineWhole = false; // whether the last note line filled whole measures
    std::optional<Slip> m_pendingSlip; // a slip after a line not whole, until the next line
};

} // namespace beatplate
