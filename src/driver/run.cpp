#include "driver/run.h"

#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"

#include <cstdio>

namespace beatplate {

// Placeholder run until the driver issue lands: parses the chart only.
int runBeatplate(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("かんたんなつかいかた：譜面ファイルをbeatplate.exeにドラッグ＆ドロップ！\n", stdout);
        return kExitSuccess;
    }
    auto reader = ChartTextReader::open(argv[1]);
    if (!reader) {
        std::fputs("ファイルが見つかりません。\n", stdout);
        return kExitChartMissing;
    }
    ChartParser parser;
    try {
        auto document = parser.parse(*reader);
    } catch (const ChartParseError& error) {
        std::fputs(error.what(), stdout);
        return kExitChartError;
    }
    return kExitSuccess;
}

} // namespace beatplate
