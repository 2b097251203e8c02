#include "base/chart_limits.h"
#include "base/text_codec.h"
#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"
#include "chart_test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace beatplate {
namespace {

// What a test compares of a diagnostic: where it stands, counted both ways, and what it says.
struct Placed {
    int line;
    int column;
    int endColumn;
    UnitRange units;
    std::string text;

    bool operator==(const Placed&) const = default;
};

std::vector<Placed> placedOf(const ChartReading& reading)
{
    std::vector<Placed> placed;
    for (const ChartDiagnostic& diagnostic : reading.diagnostics)
        placed.push_back({ diagnostic.line(), diagnostic.column(), diagnostic.endColumn,
                           diagnostic.units, diagnostic.text() });
    return placed;
}

TEST(ChartReading, ReadsBytesAndEditorTextAlikeAndPlacesEachDiagnosticInItsLine)
{
    // A character outside the BMP takes one column and two code units, so that the columns and
    // the units of what follows it part.
    const std::u16string text = u"#title \U0001F3B5 one\n"
                                u"#bpm \U0001F3B5 120\n"
                                u"o o\u3000oooooooooooo\n"
                                u"#level 11\n"
                                u"oooooooooooooooox\n"
                                u"(==\n";
    const std::vector<Placed> expected = {
        { 2, 6, 7, { 5, 7 }, "bpm needs a number." },
        { 3, 4, 5, { 3, 4 }, "parse error. ('\u3000' U+3000)" },
        { 4, 8, 10, { 7, 9 }, "level is outside 0 to 10; it is drawn clamped." },
        { 5,
          17,
          18,
          { 16, 17 },
          "note line is longer than whole measures. (17 characters in measures of 16)" },
        { 6, 1, 4, { 0, 3 }, "span is never closed; it is not drawn." },
    };
    const ChartReading fromText = readChart(text);
    const ChartReading fromBytes = readChart(encodeUtf8(text).value());
    for (const ChartReading* reading : { &fromText, &fromBytes }) {
        EXPECT_EQ(placedOf(*reading), expected);
        EXPECT_EQ(reading->firstError, ChartErrorKind::Content);
        EXPECT_EQ(reading->document.title, u"\U0001F3B5 one");
        EXPECT_EQ(reading->document.measures.size(), 4u);
        EXPECT_EQ(reading->text, text + u"\n");
        EXPECT_EQ(reading->timeline.endTick(), 4 * 1920);
        ASSERT_NE(reading->placeOfLine(5), nullptr);
        EXPECT_EQ(reading->placeOfLine(5)->positionOfSlot(16), (ChartPosition{ 2, 0, 0 }));
        EXPECT_EQ(reading->placeOfLine(3), nullptr);
    }
    EXPECT_EQ(fromText.document, fromBytes.document);
}

TEST(ChartReading, GivesTheKindOfTheFirstErrorAndStopsThereWhenAskedTo)
{
    const struct {
        const char* name;
        std::string bytes;
        ChartErrorKind kind;
        std::size_t errorsInWholeChart;
    } cases[] = {
        { "an unknown directive", "o\n#bmp 1\n#bmp 2\n", ChartErrorKind::Content, 2 },
        { "undecodable bytes", "o\xFF\n\xFFo\n", ChartErrorKind::Encoding, 2 },
        { "a chart too long", std::string(kMaxChartLength + 1, '\n'), ChartErrorKind::TooLong, 1 },
    };
    for (const auto& [name, bytes, kind, errorsInWholeChart] : cases) {
        SCOPED_TRACE(name);
        for (const auto scope : { ChartScope::FirstError, ChartScope::WholeChart }) {
            const ChartReading reading = readChart(bytes, { scope, ChartEncoding::Cp932 });
            EXPECT_EQ(reading.firstError, kind);
            ASSERT_NE(reading.firstErrorDiagnostic(), nullptr);
            EXPECT_EQ(reading.firstErrorDiagnostic()->kind, kind);
            EXPECT_FALSE(reading.complete && scope == ChartScope::FirstError);
            EXPECT_EQ(reading.diagnostics.size(),
                      scope == ChartScope::WholeChart ? errorsInWholeChart : 1u);
        }
    }
    const ChartReading clean = readChart(u"#level 11\noooo\n", ChartScope::FirstError);
    EXPECT_FALSE(clean.hasErrors());
    EXPECT_TRUE(clean.complete);
    EXPECT_EQ(clean.diagnostics.size(), 1u);
}

} // namespace
} // namespace beatplate
