#include "chart/chart_stats_report.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace beatplate {
namespace {

// Ordered, so that the fields are seen in the order written.
using Json = nlohmann::ordered_json;

ChartStatsEntry entryOfFile(const char* name)
{
    const auto document = test::parseChart(test::readFile(test::testData(name)));
    return { name, document->title, computeChartStats(*document) };
}

Json jsonOf(std::span<const ChartStatsEntry> entries)
{
    return Json::parse(formatChartStatsJson(entries));
}

// The field list of the README and the man page: every field of an object in order, then
// every number within them (the spans' are added below).
const std::vector<std::string> kFields{ "path",  "title",       "measures",         "seconds",
                                        "notes", "spans",       "countedSpans",     "countSum",
                                        "tempo", "scrollSpeed", "density",          "densityStep",
                                        "gogo",  "branches",    "uncompletedNotes", "timeline" };
constexpr const char* kNumbers =
    "/measures /seconds /notes/o /notes/O /notes/x /notes/X /notes/total /countedSpans "
    "/countSum /tempo/lowest /tempo/highest /scrollSpeed/lowest /scrollSpeed/highest "
    "/density/average /density/peak /density/peakStart /density/peakMeasure /branches/0/branch "
    "/branches/0/notes /branches/0/density/average /branches/0/density/peak "
    "/branches/0/density/peakStart /branches/0/density/peakMeasure /uncompletedNotes "
    "/densityStep /density/series/0 /branches/0/density/series/15 /timeline/tempos/0/tick "
    "/timeline/tempos/0/seconds /timeline/tempos/0/tempo /timeline/measures/0/start "
    "/timeline/measures/0/seconds /timeline/measures/0/tick /timeline/measures/0/ticks";

TEST(ChartStatsReport, JsonHasEveryDocumentedField)
{
    const ChartStatsEntry entries[] = { entryOfFile("stats_branches.txt"),
                                        entryOfFile("stats_spans.txt") };
    const Json json = jsonOf(entries);
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 2u);
    for (const Json& object : json) {
        std::vector<std::string> keys;
        for (const auto& item : object.items())
            keys.push_back(item.key());
        EXPECT_EQ(keys, kFields);
        EXPECT_TRUE(object["path"].is_string() && object["title"].is_string());
    }
    std::istringstream listed(kNumbers);
    std::vector<std::string> numbers{ std::istream_iterator<std::string>(listed), {} };
    for (const char* kind : { "(", "<", "@", "b", "p" }) {
        numbers.push_back(std::string("/spans/") + kind + "/count");
        numbers.push_back(std::string("/spans/") + kind + "/seconds");
    }
    for (const std::string& number : numbers) {
        SCOPED_TRACE(number);
        const Json::json_pointer pointer(number);
        ASSERT_TRUE(json[0].contains(pointer));
        EXPECT_TRUE(json[0][pointer].is_number());
    }

    // A few values, seconds rounded to milliseconds.
    const Json& spans = json[1];
    EXPECT_EQ(spans["path"], "stats_spans.txt");
    EXPECT_EQ(spans["title"], "連打");
    EXPECT_EQ(spans["/spans/(/seconds"_json_pointer], 1.688);
    EXPECT_EQ(spans["countSum"], 19);
    EXPECT_EQ(json[0]["/branches/2/density/peak"_json_pointer], 4);
}

TEST(ChartStatsReport, JsonEscapesTitlesAndPaths)
{
    ChartStatsEntry entry;
    // A quote, a backslash, control characters, a surrogate pair and a lone surrogate.
    entry.title = u"a\"b\\c\n\x01 \xD83C\xDFB5 \xDC00";
    entry.path = "dir/\xFF\"x.txt";
    const Json one = jsonOf(std::span(&entry, 1));
    ASSERT_TRUE(one.is_object());
    EXPECT_EQ(one["title"], "a\"b\\c\n\x01 \U0001F3B5 \uFFFD");
    // A Linux path is bytes, which need not be UTF-8; a Windows one is UTF-16, read as Latin-1
    // here.
    const bool bytePaths = sizeof(std::filesystem::path::value_type) == 1;
    EXPECT_EQ(one["path"], bytePaths ? "dir/\uFFFD\"x.txt" : "dir/\u00FF\"x.txt");
    EXPECT_EQ(jsonOf({}), Json::array());
}

TEST(ChartStatsReport, TextSetsBranchPathsSideBySide)
{
    EXPECT_EQ(formatChartStatsText(entryOfFile("stats_branches.txt")),
              "stats_branches.txt: 枝分かれ\n"
              "measures        4\n"
              "length          16.000 s\n"
              "tempo           60\n"
              "scroll speed    0.5 to 2\n"
              "notes           35 in all lanes (o 16, O 1, x 16, X 2)\n"
              "spans           ( 0 for 0.000 s, < 0 for 0.000 s, @ 0 for 0.000 s, b 0 for 0.000 "
              "s, p 0 for 0.000 s\n"
              "counted spans   0, their counts adding up to 0\n"
              "density         2.188 notes/s in all lanes, at most 7 in one second from 4.000 s "
              "(measure 2)\n"
              "not counted     2 notes and spans of measures never completed\n"
              "branch paths      branch 1  branch 2  branch 3\n"
              "  notes                  9        12        22\n"
              "  notes/s            0.562     0.750     1.375\n"
              "  most in 1 s            2         2         4\n"
              "  from second       12.000     4.000     4.000\n"
              "  from measure           4         2         2\n");
}

} // namespace
} // namespace beatplate
