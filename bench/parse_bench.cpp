// Times the chart reader on a long generated chart (or on the chart files given as arguments)
// and prints the time per parse and per measure, for a parse, for a check (every error and
// warning) and for the same chart as UTF-8 without a mark; "--write PATH" saves the generated
// chart.

#include "base/text_codec.h"
#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 30;
constexpr int kSections = 40; // of ten measures each

// One 4/4 measure of sixteen characters: notes, rests, triplets and whole spans.
std::string noteMeasure(std::mt19937& random)
{
    static const char* const kPatterns[] = {
        "o x o x o x o x ", "oxoxooxxoxoxooxx", "3ooo3xxx3ooo o o", "(======)  o x o ",
        "<10=====>   x   ", "[b=====]o o\to",   "O   X   O   X   ", "cCcC xoxo 3ooo  ",
        "o\tx\to\tx",       "[p==]  (==) o  x",
    };
    return kPatterns[random() % std::size(kPatterns)];
}

// Every directive, branches of three and two lanes, spans over line ends, meters and tabs.
std::string generateChart()
{
    std::mt19937 random(20240601);
    std::string chart = ";\x90\xB6\x90\xAC\x82\xB3\x82\xEA\x82\xBD\x95\x88\x96\xCA\r\n"
                        "#title \x83\x65\x83\x58\x83\x67\x82\xCC\x8B\xC8\r\n"
                        "#difficulty \x82\xA8\x82\xC9\r\n#level 9\r\n#tab 4\r\n#bpm 150\r\n";
    for (int section = 0; section < kSections; ++section) {
        chart += "#bpm " + std::to_string(120 + section % 7 * 15) + ".5 4 "
            + std::to_string(section % 16) + "\r\n";
        chart += "#hs 1." + std::to_string(section % 10) + " oxo 8 3\r\n#begingogo 4 2\r\n";
        for (int measure = 0; measure < 3; ++measure)
            chart += noteMeasure(random) + "\r\n";
        chart += "#endgogo 4 8\r\n#newline\r\n#meter 8 6\r\no o o x x x o o o xoxoxx\r\n";
        chart += "#beatchar 6\r\n#meter 4 4\r\n3ooo3xxx  (===========)  x  o x\r\n#beatchar 4\r\n";
        // Two groups of three branch lines; spans of branches 2 and 4 run from one to the next.
        chart += "#branch ooo\r\n";
        chart += noteMeasure(random) + noteMeasure(random) + "\r\n";
        chart += "(" + std::string(31, '=') + "\r\n";
        chart += noteMeasure(random) + "<5" + std::string(14, '=') + "\r\n";
        chart += noteMeasure(random) + noteMeasure(random) + "\r\n";
        chart += "=====)  x x x x " + noteMeasure(random) + "\r\n";
        chart += "=====>  o o o o " + noteMeasure(random) + "\r\n";
        chart += "#branch oxo\r\n" + noteMeasure(random) + "\r\n" + noteMeasure(random) + "\r\n";
        chart += "#branch oxx\r\n" + noteMeasure(random) + "\r\n;\r\n\r\n";
    }
    return chart;
}

struct Figures {
    double bestMilliseconds = 0;
    double medianMilliseconds = 0;
    std::size_t measures = 0;
    std::size_t notes = 0;
};

enum class Mode { Parse, Check };

Figures timeParses(const std::string& bytes, Mode mode)
{
    std::vector<double> milliseconds;
    Figures figures;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const beatplate::ChartDocument document =
            beatplate::readChart(bytes,
                                 { mode == Mode::Parse ? beatplate::ChartScope::FirstError
                                                       : beatplate::ChartScope::WholeChart,
                                   std::nullopt })
                .document;
        const auto stop = std::chrono::steady_clock::now();
        milliseconds.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        figures.measures = document.measures.size();
        figures.notes = document.notes.size();
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    figures.bestMilliseconds = milliseconds.front();
    figures.medianMilliseconds = milliseconds[milliseconds.size() / 2];
    return figures;
}

void printFigures(const char* what, const Figures& figures, std::size_t bytes)
{
    const double perMeasure = figures.measures == 0
        ? 0.0
        : figures.medianMilliseconds * 1000.0 / static_cast<double>(figures.measures);
    std::printf("  %s median %.3f ms (best %.3f ms) over %d runs: %.2f us per measure, "
                "%.1f MB/s\n",
                what, figures.medianMilliseconds, figures.bestMilliseconds, kRuns, perMeasure,
                static_cast<double>(bytes) / 1000.0 / figures.medianMilliseconds);
}

// The chart's text as UTF-8 without a mark: detection reads all of it before decoding.
std::string asUtf8(const std::string& bytes)
{
    std::u16string text =
        beatplate::readChart(bytes, { beatplate::ChartScope::FirstError, std::nullopt }).text;
    text.pop_back(); // the line feed the reader adds after the last line
    return beatplate::utf8Of(text);
}

void report(const char* name, const std::string& bytes)
{
    const auto reading = beatplate::readChart(bytes, { beatplate::ChartScope::FirstError, {} });
    if (const auto* error = reading.firstErrorDiagnostic()) {
        std::printf("%s: chart error: %s\n", name, beatplate::formatErrorReport(*error).c_str());
        return;
    }
    const auto figures = timeParses(bytes, Mode::Parse);
    std::printf("%s: %zu bytes, %zu measures, %zu notes and spans\n", name, bytes.size(),
                figures.measures, figures.notes);
    printFigures("parse", figures, bytes.size());
    printFigures("check", timeParses(bytes, Mode::Check), bytes.size());
    const std::string utf8 = asUtf8(bytes);
    printFigures("parse as UTF-8", timeParses(utf8, Mode::Parse), utf8.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        report("generated chart", generateChart());
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "--write") {
        std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
        file << generateChart();
        file.close();
        if (!file) {
            std::printf("%s: cannot be written\n", argv[2]);
            return 1;
        }
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file) {
            std::printf("%s: cannot be read\n", argv[i]);
            continue;
        }
        report(argv[i], std::string(std::istreambuf_iterator<char>(file), {}));
    }
    return 0;
}
