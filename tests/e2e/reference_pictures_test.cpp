#include "base/chart_limits.h"
#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <boost/uuid/detail/sha1.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

// Every chart we keep is drawn with both sheets and compared with the pictures the drawing code
// made when they were recorded: a change to the drawing code must leave every pixel in place.
// BEATPLATE_RECORD_PICTURES=1 rewrites the record from what the program draws now.
const std::filesystem::path kRecord =
    std::filesystem::path(BEATPLATE_TEST_DATA_DIR) / "reference" / "pictures.sha1";

std::string sha1Of(const void* data, std::size_t size)
{
    boost::uuids::detail::sha1 hash;
    hash.process_bytes(data, size);
    boost::uuids::detail::sha1::digest_type digest;
    hash.get_digest(digest);
    std::string text;
    for (const unsigned int word : digest) {
        std::array<char, 9> hex{};
        std::snprintf(hex.data(), hex.size(), "%08x", word);
        text += hex.data();
    }
    return text;
}

std::vector<std::filesystem::path> referenceCharts()
{
    const std::filesystem::path source(BEATPLATE_SOURCE_DIR);
    std::vector<std::filesystem::path> charts{ "examples/example.txt" };
    for (const auto& folder : { "tests/data", "tests/data/reference" }) {
        for (const auto& name : listDirectory(source / folder)) {
            if (name.ends_with(".txt"))
                charts.push_back(std::filesystem::path(folder) / name);
        }
    }
    return charts;
}

// One line of the record: how the run ended and, for a picture, its size and the hashes of its
// pixels and of its chart chunk.
std::string describeRun(const ProgramSandbox& sandbox, const std::filesystem::path& chart)
{
    const auto picture = sandbox / "out.png";
    std::filesystem::remove(picture);
    const RunResult run = sandbox.run(
        { (std::filesystem::path(BEATPLATE_SOURCE_DIR) / chart).string(), "-o", picture.string() });
    std::ostringstream line;
    line << "status " << run.status;
    if (run.status != 0)
        return line.str();
    const DecodedPng png = readPng(picture);
    const PngChunk* chunk = png.findChunk(kChartChunkName);
    line << " size " << png.width << "x" << png.height << " pixels "
         << sha1Of(png.pixels.data(), png.pixels.size() * sizeof(png.pixels[0])) << " bpLt "
         << (chunk != nullptr ? sha1Of(chunk->data.data(), chunk->data.size()) : "none");
    return line.str();
}

std::map<std::string, std::string> readRecord()
{
    std::map<std::string, std::string> record;
    std::ifstream in(kRecord);
    std::string key;
    std::string rest;
    while (in >> key && std::getline(in >> std::ws, rest))
        record[key] = rest;
    return record;
}

TEST(ReferencePictures, EveryChartIsDrawnAsRecordedWithBothSheets)
{
    const std::map<std::string, std::string> record = readRecord();
    const bool recording = std::getenv("BEATPLATE_RECORD_PICTURES") != nullptr;
    ASSERT_TRUE(recording || !record.empty()) << kRecord;
    std::ofstream out;
    if (recording)
        out.open(kRecord);
    const std::vector<std::pair<const char*, SpriteSheetFile>> sheets{
        { "test-sheet", SpriteSheetFile::Test }, { "built-in", SpriteSheetFile::Missing }
    };
    for (const auto& [sheetName, sheet] : sheets) {
        const ProgramSandbox sandbox(sheet);
        for (const auto& chart : referenceCharts()) {
            const std::string key = std::string(sheetName) + ":" + chart.string();
            const std::string actual = describeRun(sandbox, chart);
            if (recording) {
                out << key << ' ' << actual << '\n';
                continue;
            }
            const auto expected = record.find(key);
            ASSERT_NE(expected, record.end()) << key << " is not recorded";
            EXPECT_EQ(actual, expected->second) << key;
        }
    }
    // Every recorded picture is still drawn.
    if (!recording) {
        EXPECT_EQ(record.size(), sheets.size() * referenceCharts().size());
    }
}

// The README's first command draws examples/example.png again with the build's own sheet: the
// picture in the tree is that drawing, byte for byte, so the command leaves the tree clean.
TEST(ReferencePictures, TheBuildDrawsTheExamplePictureOfTheTreeByteForByte)
{
    const std::filesystem::path source(BEATPLATE_SOURCE_DIR);
    const TempDir dir;
    const auto drawn = runProgram(
        BEATPLATE_BINARY_PATH,
        { (source / "examples/example.txt").string(), "-o", (dir / "example.png").string() }, ".");
    ASSERT_EQ(drawn.status, 0) << drawn.errors;
    EXPECT_TRUE(readFile(dir / "example.png") == readFile(source / "examples/example.png"))
        << "examples/example.png is not what the build draws: run scripts/render-example.sh";
}

} // namespace
} // namespace beatplate::test
