#pragma once

#include "base/text_codec.h"
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

// A chart parsed the way the driver parses a file, and the text its reader kept.
struct ReadChart {
    ParsedChart parsed;
    std::u16string text;
};

[[nodiscard]] inline ReadChart readChart(std::string bytes)
{
    auto reader = ChartTextReader::fromBytes(std::move(bytes));
    ParsedChart parsed = ChartParser().parse(reader);
    return { std::move(parsed), reader.takeText() };
}

// Checks chart bytes the way --check does.
[[nodiscard]] inline ChartCheck checkChart(std::string bytes)
{
    auto reader = ChartTextReader::fromBytes(std::move(bytes));
    return ChartParser().check(reader);
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
    return std::make_unique<ChartDocument>(readChart(std::move(bytes)).parsed.document);
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
