#pragma once

#include "chart/chart_diagnostic.h"

#include <stdexcept>
#include <string>

namespace beatplate {

// How much of the chart an error spoils for a reader that goes on after errors.
enum class ChartErrorExtent {
    Line, // the next line can be read as usual
    Chart, // nothing after it can be read (a limit, or the file itself)
};

// The error of a chart longer than is read; a server answers it as a request too large.
inline constexpr const char* kChartTooLongMessage = "chart is too long.";

// A chart error raised while a line is read, with the column it points at. The message is one
// of the system's fixed texts; the detail says what exactly (may be empty).
class ChartError : public std::runtime_error {
public:
    ChartError(const std::string& message, int column, std::string detail = {},
               ChartErrorExtent extent = ChartErrorExtent::Line,
               ChartErrorKind kind = ChartErrorKind::Content)
        : std::runtime_error(message)
        , m_column(column)
        , m_detail(std::move(detail))
        , m_extent(extent)
        , m_kind(kind)
    {
    }

    [[nodiscard]] int column() const { return m_column; }
    [[nodiscard]] const std::string& detail() const { return m_detail; }
    [[nodiscard]] ChartErrorExtent extent() const { return m_extent; }
    [[nodiscard]] ChartErrorKind kind() const { return m_kind; }

private:
    int m_column;
    std::string m_detail;
    ChartErrorExtent m_extent;
    ChartErrorKind m_kind;
};

} // namespace beatplate
