#pragma once

#include <stdexcept>
#include <string>

namespace beatplate {

// Exit statuses of beatplate-chart.
enum ExtractStatus : int {
    kExtractSuccess = 0, // chart written
    kExtractPictureUnreadable = 1, // no picture given, or it cannot be opened or read as a PNG
    kExtractNoChart = 2, // the picture holds no chart, or one that cannot be written back
    kExtractOutputFailed = 3, // the chart cannot be written
};

// A failure that ends the run; what() is the short message for the user (UTF-8).
class ExtractError : public std::runtime_error {
public:
    ExtractError(ExtractStatus status, const std::string& message)
        : std::runtime_error(message)
        , m_status(status)
    {
    }

    [[nodiscard]] ExtractStatus status() const { return m_status; }

private:
    ExtractStatus m_status;
};

} // namespace beatplate
