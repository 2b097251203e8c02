#include "chart/chart_stats_report.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
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

enum class Type { String, Number, Object, Array };

bool hasType(const Json& value, Type type)
{
    switch (type) {
    case Type::String:
        return value.is_string();
    case Type::Number:
        return value.is_number();
    case Type::Object:
        return value.is_object();
    case Type::Array:
        return value.is_array();
    }
    return false;
}

// The field list of the README and the man page.
const std::vector<std::string> kTopFields{
    "path",     "title", "measures",    "seconds", "notes",    "spans",           "countedSpans",
    "countSum", "tempo", "scrollSpeed", "density", "branches", "uncompletedNotes"
};

TEST(ChartStatsReport, JsonHasEveryDocumentedField)
{
    const struct {
        const char* pointer;
        Type type;
    } fields[] = {
        { "/path", Type::String },
        { "/title", Type::String },
        { "/measures", Type::Number },
        { "/seconds", Type::Number },
        { "/notes/o", Type::Number },
        { "/notes/O", Type::Number },
        { "/notes/x", Type::Number },
        { "/notes/X", Type::Number },
        { "/notes/total", Type::Number },
        { "/spans/(/count", Type::Number },
        { "/spans/(/seconds", Type::Number },
        { "/spans/</count", Type::Number },
        { "/spans/@/count", Type::Number },
        { "/spans/b/count", Type::Number },
        { "/spans/p/seconds", Type::Number },
        { "/countedSpans", Type::Number },
        { "/countSum", Type::Number },
        { "/tempo/lowest", Type::Number },
        { "/tempo/highest", Type::Number },
        { "/scrollSpeed/lowest", Type::Number },
        { "/scrollSpeed/highest", Type::Number },
        { "/density/average", Type::Number },
        { "/density/peak", Type::Number },
        { "/density/peakStart", Type::Number },
        { "/density/peakMeasure", Type::Number },
        { "/branches", Type::Array },
        { "/branches/0/branch", Type::Number },
        { "/branches/0/notes", Type::Number },
        { "/branches/0/density/peakStart", Type::Number },
        { "/uncompletedNotes", Type::Number },
    };
    const ChartStatsEntry entries[] = { entryOfFile("stats_branches.txt"),
                                        entryOfFile("stats_spans.txt") };
    const Json json = jsonOf(entries);
    ASSERT_TRUE(json.is_array());
    ASSERT_EQ(json.size(), 2u);
    for (const auto& field : fields) {
        SCOPED_TRACE(field.pointer);
        const Json::json_pointer pointer(field.pointer);
        ASSERT_TRUE(json[0].contains(pointer));
        EXPECT_TRUE(hasType(json[0][pointer], field.type));
    }
    std::vector<std::string> keys;
    for (const auto& item : json[1].items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, kTopFields);

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
    entry.title = L"a\"b\\c\n\x01 \xD83C\xDFB5 \xDC00";
    entry.path = "dir/\xFF\"x.txt";
    const Json one = jsonOf(std::span(&entry, 1));
    ASSERT_TRUE(one.is_object());
    EXPECT_EQ(one["title"], "a\"b\\c\n\x01 \U0001F3B5 \uFFFD");
    EXPECT_EQ(one["path"], "dir/\uFFFD\"x.txt");
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
              "not counted     2 notes of measures never completed\n"
              "branch paths      branch 1  branch 2  branch 3\n"
              "  notes                  9        10        20\n"
              "  notes/s            0.562     0.625     1.250\n"
              "  most in 1 s            2         2         4\n"
              "  from second       12.000     4.000     4.000\n"
              "  from measure           4         2         2\n");
}

} // namespace
} // namespace beatplate
