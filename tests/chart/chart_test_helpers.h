#pragma once

#include "base/text_codec.h"
#include "chart/chart_document.h"
#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// Readable failure output for the document's records.
inline void PrintTo(const ChartPosition& position, std::ostream* out)
{
    *out << "(" << position.measure << ", " << position.tick << ", " << position.branch << ")";
}
inline void PrintTo(const ChartNote& note, std::ostream* out)
{
    *out << "{kind '" << static_cast<char>(note.kind) << "' length " << note.length << " count "
         << note.count << " at ";
    PrintTo(note.position, out);
    *out << "}";
}
inline void PrintTo(const ChartEvent& event, std::ostream* out)
{
    *out << "{kind " << static_cast<int>(event.kind) << " value " << event.value << " at ";
    PrintTo(event.position, out);
    *out << "}";
}

namespace test {

[[nodiscard]] inline std::filesystem::path testData(std::string_view name)
{
    return std::filesystem::path(BEATPLATE_TEST_DATA_DIR) / name;
}

// Chart bytes read the way the driver reads a file to draw it: to the first error.
[[nodiscard]] inline ChartReading readChart(std::string bytes)
{
    return beatplate::readChart(std::move(bytes), { ChartScope::FirstError, std::nullopt });
}

// Chart bytes read the way --check reads them.
[[nodiscard]] inline ChartReading checkChart(std::string bytes,
                                             std::optional<ChartEncoding> forced = std::nullopt)
{
    return beatplate::readChart(std::move(bytes), { ChartScope::WholeChart, forced });
}

// Note lines (UTF-16) after the directive lines given, each ended by LF, as chart bytes.
[[nodiscard]] inline std::string chartOfLines(const std::vector<std::u16string>& lines,
                                              std::string directives = {})
{
    std::u16string text;
    for (const auto& line : lines)
        text += line + u"\n";
    return directives + encodeUtf8(text).value();
}

[[nodiscard]] inline std::unique_ptr<ChartDocument> parseChart(std::string bytes)
{
    return std::make_unique<ChartDocument>(readChart(std::move(bytes)).document);
}

// The chart error that reading the bytes finds first; line 0 and "no error" when there is none.
[[nodiscard]] inline ChartDiagnostic parseFailure(std::string bytes)
{
    const ChartReading reading = readChart(std::move(bytes));
    if (const ChartDiagnostic* error = reading.firstErrorDiagnostic())
        return *error;
    return { { 0, 1 }, ChartSeverity::Error, "no error", {} };
}

// Lines read: each is followed by one LF in the text.
[[nodiscard]] inline std::ptrdiff_t lineCountOf(const ChartReading& reading)
{
    return std::count(reading.text.begin(), reading.text.end(), u'\n');
}

[[nodiscard]] inline std::vector<ChartNote> notesOf(const ChartDocument& document)
{
    return { document.notes.begin(), document.notes.end() };
}

[[nodiscard]] inline std::vector<ChartEvent> eventsOf(const ChartDocument& document)
{
    return { document.events.begin(), document.events.end() };
}

} // namespace test
} // namespace beatplate
