// Writes a generated chart of MEASURES measures to standard output, the same chart the other
// benchmarks draw, for benchmarks that run the program or the page on a file.
//   generate_chart MEASURES [SEED]
#include "chart_generator.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: generate_chart MEASURES [SEED]\n", stderr);
        return 4;
    }
    const int measures = std::atoi(argv[1]);
    const auto seed =
        argc > 2 ? static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1u;
    const std::string chart = beatplate::generateChart(measures, seed);
    return std::fwrite(chart.data(), 1, chart.size(), stdout) == chart.size() ? 0 : 1;
}
