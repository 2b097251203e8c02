#pragma once

#include "chart/chart_diagnostic.h"

#include <exception>
#include <string>
#include <utility>

namespace beatplate {

// A chart error raised while a line is read: it unwinds the reading of that line only, and the
// parser turns it into a diagnostic. It never leaves chart/, and no library's exception is taken
// for it: callers get the diagnostic.
class ChartError : public std::exception {
public:
    explicit ChartError(LineFault fault)
        : m_fault(std::move(fault))
    {
    }
    ChartError(std::string message, int column, std::string detail = {},
               ChartErrorExtent extent = ChartErrorExtent::Line,
               ChartErrorKind kind = ChartErrorKind::Content)
        : m_fault{ std::move(message), column, std::move(detail), extent, kind }
    {
    }

    [[nodiscard]] const LineFault& fault() const { return m_fault; }
    [[nodiscard]] const char* what() const noexcept override { return m_fault.message.c_str(); }

private:
    LineFault m_fault;
};

} // namespace beatplate
