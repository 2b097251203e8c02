#include "chart/warning_tracker.h"

#include <algorithm>
#include <utility>

namespace beatplate {
namespace {

// A slip is a line of whole measures and at most an eighth of a measure more (17 or 18
// characters among lines of 16); longer tails are usually meant.
bool looksLikeSlip(std::size_t length, std::size_t charsPerMeasure)
{
    const std::size_t extra = length % charsPerMeasure;
    return length > charsPerMeasure && extra >= 1
        && extra <= std::max<std::size_t>(1, charsPerMeasure / 8);
}

constexpr const char* kSlipMessage = "note line is longer than whole measures.";

} // namespace

void WarningTracker::warn(ChartLocation location, std::string message, std::string detail,
                          ChartSlip slip)
{
    if (m_warnings.size() >= kMaxDiagnostics) {
        ++m_omitted;
        return;
    }
    m_warnings.push_back({ location, ChartSeverity::Warning, std::move(message), std::move(detail),
                           ChartErrorKind::Content, slip });
}

void WarningTracker::rollBack(const Checkpoint& checkpoint)
{
    m_warnings.resize(std::min(m_warnings.size(), checkpoint.warnings));
    m_omitted = std::min(m_omitted, checkpoint.omitted);
}

void WarningTracker::markPlaced(ChartLocation location, std::optional<std::uint32_t> tick)
{
    // Beyond this many the warnings they could give would only be counted.
    if (m_marks.size() < kMaxDiagnostics)
        m_marks.push_back({ location, tick });
}

void WarningTracker::measuresCompleted(std::uint32_t count, double measureTicks)
{
    m_groupStart.reset();
    if (count == 0)
        return;
    for (const auto& mark : m_marks) {
        if (!mark.tick)
            continue;
        if (measureTicks > kPageTicks && beyondPageEdge(*mark.tick))
            warn(mark.location, "event is beyond the page's right edge; it is not drawn.");
        else if (*mark.tick >= measureTicks)
            warn(mark.location, "event is beyond the end of its measure.");
    }
    m_marks.clear();
}

void WarningTracker::noteLineShape(ChartLocation extra, std::size_t length,
                                   std::size_t charsPerMeasure)
{
    const bool whole = length % charsPerMeasure == 0;
    // A slip after a line that is not whole (the first line, a span's opening) is told from a
    // line meant to be long by a whole line after it.
    if (m_pendingSlip && whole)
        warn(m_pendingSlip->location, kSlipMessage, std::move(m_pendingSlip->detail),
             ChartSlip::LineBeyondMeasures);
    m_pendingSlip.reset();
    if (looksLikeSlip(length, charsPerMeasure)) {
        Slip slip{ extra,
                   std::to_string(length) + " characters in measures of "
                       + std::to_string(charsPerMeasure) };
        // After a whole line, whatever follows (a line with a tab, a short last measure) cannot
        // make the slip meant.
        if (m_lastLineWhole)
            warn(slip.location, kSlipMessage, std::move(slip.detail),
                 ChartSlip::LineBeyondMeasures);
        else
            m_pendingSlip = std::move(slip);
    }
    m_lastLineWhole = whole;
}

void WarningTracker::groupLineRead(ChartLocation lineStart)
{
    if (!m_groupStart)
        m_groupStart = lineStart;
}

void WarningTracker::branchesChanged()
{
    if (!m_groupStart)
        return;
    warn(*m_groupStart, "branch group is not complete; the next one is written over it.");
    m_groupStart.reset();
}

std::optional<ChartLocation> WarningTracker::spanStart(std::int32_t branch) const
{
    const auto found = m_spanStarts.find(branch);
    if (found == m_spanStarts.end())
        return std::nullopt;
    return found->second;
}

void WarningTracker::setSpanStart(std::int32_t branch, std::optional<ChartLocation> start)
{
    if (start)
        m_spanStarts[branch] = *start;
    else
        m_spanStarts.erase(branch);
}

void WarningTracker::warnAtChartEnd(const std::vector<std::int32_t>& branchesInSpan)
{
    for (const std::int32_t branch : branchesInSpan) {
        if (const auto start = spanStart(branch))
            warn(*start, "span is never closed; it is not drawn.", {}, ChartSlip::SpanNeverClosed);
    }
    if (m_groupStart)
        warn(*m_groupStart, "branch group is not complete; its notes are not drawn.");
    for (const auto& mark : m_marks)
        warn(mark.location, "event is beyond the last measure; it is not drawn.");
}

void WarningTracker::finish(const std::vector<std::int32_t>& branchesInSpan, bool atChartEnd)
{
    // What is open when reading stops early may well be closed in the lines not read.
    if (atChartEnd)
        warnAtChartEnd(branchesInSpan);
    m_marks.clear();
    m_pendingSlip.reset();
    std::stable_sort(m_warnings.begin(), m_warnings.end(),
                     [](const ChartDiagnostic& a, const ChartDiagnostic& b) {
                         return std::pair(a.line(), a.column()) < std::pair(b.line(), b.column());
                     });
}

} // namespace beatplate
