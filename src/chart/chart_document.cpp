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

void ChartDocument::closeGogoSpan(const ChartPosition& p)
{
    if (gogoSpans.empty())
        throw std::runtime_error("begin/endgogoの対応が取れていません");
    gogoSpans.back() = GogoSpan(gogoSpans.back().lower(), p);
}

} // namespace beatplate
