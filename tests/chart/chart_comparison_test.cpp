#include "chart/chart_comparison.h"
#include "chart/chart_comparison_report.h"
#include "chart_test_helpers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

namespace beatplate::test {
namespace {

// Six measures of 4/4, each unlike the others, one note line each.
const std::vector<std::string> kOldMeasures{
    "o   o   o   o   ", "x   x   x   x   ", "o o x   o o x   ",
    "O       X       ", "oxox            ", "o               ",
};

std::string chartOf(const std::vector<std::string>& lines)
{
    std::string text = "#title Six\n#bpm 120\n";
    for (const std::string& line : lines)
        text += line + '\n';
    return text;
}

ChartDocument documentOf(const std::string& text)
{
    return readChart(text).document;
}

// Notes by their letters, as the summary counts them.
std::map<char, std::int64_t> countsOf(const NoteKindCounts& counts)
{
    std::map<char, std::int64_t> letters;
    for (std::size_t at = 0; at < counts.counts.size(); ++at) {
        if (counts.counts[at] != 0)
            letters[static_cast<char>(kComparedNoteKinds[at])] = counts.counts[at];
    }
    return letters;
}

std::vector<std::uint32_t> allOf(const ChartComparison& comparison,
                                 std::vector<std::uint32_t> ChangedPlace::*list)
{
    std::vector<std::uint32_t> measures;
    for (const ChangedPlace& place : comparison.places)
        for (const std::uint32_t measure : place.*list)
            measures.push_back(measure + 1);
    return measures;
}

TEST(ChartComparison, FindsEachKindOfEditByHandCount)
{
    auto edited = [](auto edit) {
        auto lines = kOldMeasures;
        edit(lines);
        return chartOf(lines);
    };
    const struct {
        const char* name;
        std::string newChart;
        std::vector<std::uint32_t> changed; // numbered from 1, as the picture shows them
        std::vector<std::uint32_t> added;
        std::vector<std::uint32_t> removed; // of the old chart
        std::map<char, std::int64_t> notesAdded;
        std::map<char, std::int64_t> notesRemoved;
        std::uint32_t aspects;
    } cases[] = {
        { "notes changed in one measure",
          edited([](auto& lines) { lines[2] = "o o o   o o x o "; }),
          { 3 },
          {},
          {},
          { { 'o', 2 } },
          { { 'x', 1 } },
          kNotesChanged },
        { "a measure inserted",
          edited([](auto& lines) { lines.insert(lines.begin() + 2, "ooxx            "); }),
          {},
          { 3 },
          {},
          { { 'o', 2 }, { 'x', 2 } },
          {},
          0 },
        { "a measure removed",
          edited([](auto& lines) { lines.erase(lines.begin() + 3); }),
          {},
          {},
          { 4 },
          {},
          { { 'O', 1 }, { 'X', 1 } },
          0 },
        { "a measure moved",
          edited([](auto& lines) {
              const std::string moved = lines[1];
              lines.erase(lines.begin() + 1);
              lines.insert(lines.begin() + 4, moved);
          }),
          {},
          { 5 },
          { 2 },
          { { 'x', 4 } },
          { { 'x', 4 } },
          0 },
        { "a tempo change",
          edited([](auto& lines) { lines.insert(lines.begin() + 2, "#bpm 150"); }),
          { 3 },
          {},
          {},
          {},
          {},
          kTempoChanged },
        { "a branch added",
          edited([](auto& lines) {
              lines.insert(lines.begin() + 4, "#branch oox");
              lines.insert(lines.begin() + 6, "o o o o o o o o \n#branch oxx");
          }),
          // A branched measure has rows of its own, and so has the one that ends the branches;
          // the lane that was there keeps its notes.
          { 5, 6 },
          {},
          {},
          { { 'o', 8 } },
          {},
          kNotesChanged | kBranchesChanged | kRowBreakChanged },
        { "nothing but comments and spelling",
          edited([](auto& lines) {
              lines[0] = "; a comment\nc   c   c   c";
              lines.insert(lines.begin() + 3, "");
          }),
          {},
          {},
          {},
          {},
          {},
          0 },
    };
    const ChartDocument oldChart = documentOf(chartOf(kOldMeasures));
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const ChartComparison comparison = compareCharts(oldChart, documentOf(test.newChart));
        EXPECT_EQ(allOf(comparison, &ChangedPlace::changed), test.changed);
        EXPECT_EQ(allOf(comparison, &ChangedPlace::added), test.added);
        EXPECT_EQ(allOf(comparison, &ChangedPlace::removed), test.removed);
        NoteKindCounts added;
        NoteKindCounts removed;
        std::uint32_t aspects = 0;
        for (const ChangedPlace& place : comparison.places) {
            for (std::size_t at = 0; at < added.counts.size(); ++at) {
                added.counts[at] += place.notesAdded.counts[at];
                removed.counts[at] += place.notesRemoved.counts[at];
            }
            aspects |= place.aspects;
        }
        EXPECT_EQ(countsOf(added), test.notesAdded);
        EXPECT_EQ(countsOf(removed), test.notesRemoved);
        EXPECT_EQ(aspects, test.aspects);
        EXPECT_EQ(comparison.same(),
                  test.changed.empty() && test.added.empty() && test.removed.empty());
    }
}

TEST(ChartComparison, MarksEveryMeasureOfTheNewChartAndWhereOldOnesWereRemoved)
{
    auto lines = kOldMeasures;
    lines.erase(lines.begin() + 5); // the last
    lines.erase(lines.begin()); // the first
    lines[1] = "x x x x x x x x ";
    lines.insert(lines.begin() + 3, "ooxx            ");
    const ChartComparison comparison =
        compareCharts(documentOf(chartOf(kOldMeasures)), documentOf(chartOf(lines)));
    using enum MeasureChange;
    // The first measure now holds the chart's opening tempo: it changed too.
    EXPECT_EQ(comparison.marks.measures, (std::vector{ Changed, Changed, Same, Added, Same }));
    EXPECT_EQ(comparison.marks.removedBefore, (std::vector<std::uint32_t>{ 1, 0, 0, 0, 0, 1 }));
}

TEST(ChartComparison, ReadsChartsInEveryEncodingAsTheSame)
{
    const auto read = [](const char* name) {
        std::ifstream file(testData(name), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        return documentOf(bytes.str());
    };
    const ChartDocument cp932 = read("basic.txt");
    for (const char* name : { "basic_crlf.txt", "basic_utf8_bom.txt", "basic_utf16le_bom.txt",
                              "basic_utf16be_bom.txt" }) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(compareCharts(cp932, read(name)).same());
    }
}

TEST(ChartComparisonReport, SummarizesPlacesTempoMeterAndFiguresByHand)
{
    auto lines = kOldMeasures;
    lines[2] = "o o o   o o x o ";
    lines[4] = "#bpm 240\n#meter 4 3\noxox\n#meter 4 4\noooooooooooooooo";
    const ComparisonEntry entry{ "old.txt", "new.txt",
                                 compareCharts(documentOf(chartOf(kOldMeasures)),
                                               documentOf(chartOf(lines))) };
    // Old: 6 measures of 2 s at 120 (12 s), 4+4+6+2+4+1 = 21 notes. New: measure 3 trades an x
    // for an o and gains an o (22); 5 is 3/4 at 240 (0.75 s), the added 6 holds 16 notes (38)
    // and takes 1 s, as 7 does: 4 x 2 + 0.75 + 1 + 1 = 10.75 s.
    EXPECT_EQ(formatComparisonText(entry),
              "old.txt -> new.txt: 2 places differ\n"
              "@ measure 3 (old 3): changed 3\n"
              "  notes: +2 (o 2), -1 (x 1)\n"
              "@ measures 5-6 (old 5): changed 5; added 6\n"
              "  notes: +16 (o 16)\n"
              "  tempo: 240 added in measure 5\n"
              "  meter: 4/4 -> 3/4 in measure 5\n"
              "length: 12.000 s -> 10.750 s (-1.250 s), measures: 6 -> 7 (+1), notes: 21 -> 38 "
              "(+17)\n");
    const auto json = nlohmann::json::parse(formatComparisonJson(entry));
    EXPECT_EQ(json["changed"], nlohmann::json({ 3, 5 }));
    EXPECT_EQ(json["added"], nlohmann::json({ 6 }));
    EXPECT_EQ(json["removed"], nlohmann::json::array());
    EXPECT_EQ(json["same"], false);
    EXPECT_EQ(json["new"]["notes"], 38);
}

} // namespace
} // namespace beatplate::test
