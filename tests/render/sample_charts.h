#pragma once

#include "chart/chart_reading.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace beatplate::test {

// The chart of a text, or none when it has an error.
inline std::optional<ChartDocument> parsed(std::string text)
{
    ChartReading reading = readChart(std::move(text), { ChartScope::FirstError, std::nullopt });
    if (reading.hasErrors())
        return std::nullopt;
    return std::move(reading.document);
}

// Every chart we keep for tests, and the example.
inline std::vector<std::filesystem::path> sampleCharts()
{
    std::vector<std::filesystem::path> charts;
    for (const auto* folder : { "", "regress", "reference" }) {
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::filesystem::path(BEATPLATE_TEST_DATA_DIR) / folder)) {
            if (entry.path().extension() == ".txt")
                charts.push_back(entry.path());
        }
    }
    charts.push_back(std::filesystem::path(BEATPLATE_TEST_DATA_DIR) / ".." / ".." / "examples"
                     / "example.txt");
    return charts;
}

} // namespace beatplate::test
