// Writes the seed inputs that take the fuzz targets to every limit: charts into the first
// directory, pictures into the second.
//   make_fuzz_seeds CHART_DIR PICTURE_DIR
#include "base/chart_limits.h"
#include "extract/chart_chunk_reader.h"
#include "output/png_writer.h"
#include "support/png_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using beatplate::test::chartChunkData;
using beatplate::test::pngChunk;
using beatplate::test::pngFile;

// The longest input the fuzz targets are given.
constexpr std::size_t kMaxInput = beatplate::kMaxChartLength;

void write(const fs::path& path, const std::string& bytes)
{
    if (bytes.size() > kMaxInput)
        throw std::length_error(path.string() + " is longer than the fuzzers read");
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string repeated(const std::string& text, std::size_t count)
{
    std::string result;
    result.reserve(text.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        result += text;
    return result;
}

// Lines of ';' and 1,023 more characters: a chart that is all length and no measures.
std::string commentLines(std::size_t bytes)
{
    std::string chart = repeated(";" + std::string(1022, 'o') + "\n", bytes / 1024);
    return chart + std::string(bytes - chart.size(), 'o');
}

void writeCharts(const fs::path& dir)
{
    const std::string oneCharMeasures = "#meter 4 1\n#beatchar 1\n";
    // A comment reaches the reader's line limit without the parser's work on a million notes.
    write(dir / "line_at_limit.txt", ";" + std::string(1'048'575, 'o') + "\n");
    write(dir / "line_over_limit.txt", ";" + std::string(1'048'576, 'o') + "\n");
    write(dir / "rests_line_at_limit.txt", std::string(1'048'576, ' ') + "\no\n");
    write(dir / "tab_line_over_limit.txt", std::string(262'145, '\t') + "\n");
    write(dir / "title_of_a_megabyte.txt", "#title " + repeated("\x82\xa0", 524'284) + "\noooo\n");
    // Every byte undecodable: each costs one step of the decoder, which must stay cheap.
    write(dir / "undecodable_megabyte.txt",
          "\xef\xbb\xbf#title \xe2\x99\xab\n" + std::string(1'048'576, '\x9b') + "\noooo\n");
    write(dir / "undecodable_cp932.txt", repeated("\x81\x7f", 524'288) + "\noooo\n");
    write(dir / "chart_at_limit.txt", commentLines(kMaxInput - 1) + "\n");
    // The reader ends the last line, so this is one character too long.
    write(dir / "chart_over_limit.txt", commentLines(kMaxInput));
    write(dir / "measures_at_limit.txt",
          oneCharMeasures + repeated(std::string(1000, 'o') + "\n", 100));
    write(dir / "measures_over_limit.txt",
          oneCharMeasures + repeated(std::string(1000, 'o') + "\n", 100) + "o\n");
    write(dir / "measures_drawn.txt",
          repeated("o o x x O O X X (======) <5===> [b=] 3oxo\n", 2000));
    write(dir / "gogo_open_at_limit.txt", repeated("#begingogo\n", 256) + "oooo\n");
    write(dir / "gogo_open_over_limit.txt", repeated("#begingogo\n", 257) + "oooo\n");
    write(dir / "gogo_sections.txt", repeated("#begingogo\noooo\n#endgogo\nxxxx\n", 5000));
    write(dir / "branches.txt",
          repeated("#branch oxo\noooo\n#branch ooo\nxxxx\nOOOO\nXXXX\n", 2000));
    const char* meters[] = { "#meter 4 16384",       "#meter 4 16385",
                             "#meter 4 100000000",   "#meter 1 2147483647",
                             "#meter 2147483647 1",  "#meter 64 1\n#beatchar 65536",
                             "#beatchar 2147483647", "#meter 4 3\n#beatchar 21845" };
    int index = 0;
    for (const char* meter : meters)
        write(dir / ("meter_" + std::to_string(index++) + ".txt"), std::string(meter) + "\noooo\n");
    const char* numbers[] = { "#bpm 1e38",
                              "#bpm 1e39",
                              "#bpm 99999999999",
                              "#hs 1e308",
                              "#bpm 150 2147483647 2147483647",
                              "#hs 2 1 -2147483648",
                              "#level 2147483648",
                              "#bpm -0",
                              "#bpm nan",
                              "#bpm inf" };
    index = 0;
    for (const char* number : numbers)
        write(dir / ("number_" + std::to_string(index++) + ".txt"),
              std::string(number) + "\noooo\n");
}

std::string tinyImage()
{
    // A 1x1 picture's image data: the zlib stream of its filter byte and four zero samples.
    return pngChunk("IDAT", std::string("\x78\x9c\x63\x60\x00\x02\x00\x00\x05\x00\x01", 11));
}

void writePictures(const fs::path& dir, const std::string& exampleChart)
{
    beatplate::Canvas canvas(16, 8);
    for (int y = 0; y < canvas.height(); ++y)
        canvas.row(y)[static_cast<std::size_t>(y)] = 0xFF102030u;
    const auto ours = beatplate::test::encodeChart(
        canvas, std::u16string(exampleChart.begin(), exampleChart.end()));
    const std::string own(ours.begin(), ours.end());
    write(dir / "ours.png", own);
    const auto longChart =
        beatplate::test::encodeChart(beatplate::Canvas(1, 1), std::u16string(500'000, u'o'));
    write(dir / "long_chart.png", std::string(longChart.begin(), longChart.end()));

    const std::string header = beatplate::test::rgbaHeaderChunk(1, 1);
    const std::string chart =
        pngChunk(beatplate::kChartChunkName, chartChunkData(u"#title \u3075\noooo\n"));
    const std::string end = pngChunk("IEND", "");
    const std::string whole = pngFile({ header, chart, tinyImage(), end });
    std::string damaged = whole;
    damaged[8 + header.size() + 9] ^= 0x20;
    const std::vector<std::pair<const char*, std::string>> pictures{
        { "chart_after_image.png", pngFile({ header, tinyImage(), chart, end }) },
        { "two_charts.png", pngFile({ header, chart, tinyImage(), chart, end }) },
        { "cut_in_image.png", whole.substr(0, whole.size() - 16) },
        { "cut_in_chart.png", whole.substr(0, 8 + header.size() + 12) },
        { "after_end.png", whole + whole },
        { "damaged_chart.png", damaged },
        { "no_header.png", pngFile({ chart, tinyImage(), end }) },
        { "no_image.png", pngFile({ header, chart, end }) },
        { "chart_claims_too_much.png",
          pngFile({ header,
                    pngChunk(beatplate::kChartChunkName, "", beatplate::kMaxChartChunkLength + 2),
                    end }) },
        { "chunk_claims_too_much.png",
          pngFile({ header, pngChunk("ruSt", "", 0xFFFFFFFF), chart }) },
        { "image_claims_too_much.png",
          pngFile({ header, chart, pngChunk("IDAT", "", 0x7FFFFFFF) }) },
        { "empty_chart.png",
          pngFile({ header, pngChunk(beatplate::kChartChunkName, ""), tinyImage(), end }) },
        { "odd_chart.png",
          pngFile({ header, pngChunk(beatplate::kChartChunkName, std::string("o\0\0", 3)),
                    tinyImage(), end }) },
        { "unwritable_chart.png",
          pngFile(
              { header,
                pngChunk(beatplate::kChartChunkName, chartChunkData(u"caf\u00e9\n\U0001F600\n")),
                tinyImage(), end }) },
        { "bomb.png",
          pngFile({ beatplate::test::rgbaHeaderChunk(1024, 1024), chart,
                    pngChunk("IDAT", beatplate::test::zeroBomb(4097 * 1024)), end }) },
        { "interlaced.png",
          beatplate::test::makeTestPng({ { beatplate::kChartChunkName, chartChunkData(u"x\n") } },
                                       true) },
    };
    for (const auto& [name, bytes] : pictures)
        write(dir / name, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CHART_DIR PICTURE_DIR EXAMPLE_CHART\n");
        return 2;
    }
    try {
        for (const char* dir : { argv[1], argv[2] })
            fs::create_directories(dir);
        std::ifstream example(argv[3], std::ios::binary);
        const std::string exampleChart(std::istreambuf_iterator<char>(example), {});
        writeCharts(argv[1]);
        writePictures(argv[2], exampleChart);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
