#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace beatplate {

// Exit statuses of beatplate-chart.
enum ExtractStatus : int {
    kExtractSuccess = 0, // chart written
    kExtractPictureUnreadable = 1, // no picture given, or it cannot be opened or read as a PNG
    kExtractNoChart = 2, // the picture holds no chart, or one that cannot be written back
    kExtractOutputFailed = 3, // the chart cannot be written
};

// A failure that ends the run; what() is the short message for the user (UTF-8), detail() what
// exactly failed where the system told ("output a.txt: Permission denied"), or empty.
class ExtractError : public std::runtime_error {
public:
    ExtractError(ExtractStatus status, const std::string& message, std::string detail = {})
        : std::runtime_error(message)
        , m_status(status)
        , m_detail(std::move(detail))
    {
    }

    [[nodiscard]] ExtractStatus status() const { return m_status; }
    [[nodiscard]] const std::string& detail() const { return m_detail; }

private:
    ExtractStatus m_status;
    std::string m_detail;
};

} // namespace beatplate
