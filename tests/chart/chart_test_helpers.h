#pragma once

#include "chart/chart_document.h"
#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
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

// Parses chart bytes the way the driver parses a file; parser.state() tells where reading
// ended.
[[nodiscard]] inline ParsedChart parseChart(std::string bytes, ChartParser& parser)
{
    auto reader = ChartTextReader::fromBytes(std::move(bytes));
    return parser.parse(reader);
}

[[nodiscard]] inline std::unique_ptr<ChartDocument> parseChart(std::string bytes)
{
    ChartParser parser;
    return std::make_unique<ChartDocument>(parseChart(std::move(bytes), parser).document);
}

// The chart error that parsing the bytes reports; line 0 and "no error" when there is none.
[[nodiscard]] inline ChartParseError parseFailure(std::string bytes)
{
    try {
        static_cast<void>(parseChart(std::move(bytes)));
    } catch (const ChartParseError& error) {
        return error;
    }
    return ChartParseError(0, "no error");
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
