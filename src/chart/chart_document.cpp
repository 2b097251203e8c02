#include "chart/chart_document.h"

#include <stdexcept>

namespace beatplate {

GogoSpan::GogoSpan(const ChartPosition& lower, const ChartPosition& upper)
    : m_lower(lower)
    , m_upper(upper)
{
    if (upper < lower)
        throw std::runtime_error(kGogoSpanBackwardsMessage);
}

void ChartDocument::openGogoSpan(const ChartPosition& p)
{
    gogoSpans.emplace_back(p, kChartEnd);
}

GogoClosing ChartDocument::closeGogoSpan(const ChartPosition& p)
{
    if (gogoSpans.empty())
        return GogoClosing::NoneOpen;
    if (p < gogoSpans.back().lower())
        return GogoClosing::Backwards;
    gogoSpans.back() = GogoSpan(gogoSpans.back().lower(), p);
    return GogoClosing::Closed;
}

} // namespace beatplate
