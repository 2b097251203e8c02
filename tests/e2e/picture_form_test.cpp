#include "render/column_layout.h"
#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

std::string longChart()
{
    return readFile(fs::path(BEATPLATE_TEST_DATA_DIR) / "long_chart.txt");
}

TEST(BeatplatePictureForm, OneColumnWithinItsSizeIsTodaysPictureByteForByte)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("song.txt", longChart());
    ASSERT_EQ(sandbox.run({ "-o", "today.png", "song.txt" }).status, 0);
    for (const std::vector<std::string>& form :
         { std::vector<std::string>{ "--columns=1" }, { "--max-size=816x100000" } }) {
        SCOPED_TRACE(form.front());
        std::vector<std::string> arguments = form;
        arguments.insert(arguments.end(), { "-o", "form.png", "song.txt" });
        ASSERT_EQ(sandbox.run(arguments).status, 0);
        EXPECT_EQ(readFile(sandbox / "form.png"), readFile(sandbox / "today.png"));
    }
}

TEST(BeatplatePictureForm, CutsAPictureIntoPartsWithinTheSizeEachCarryingTheWholeChart)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("song.txt", longChart());
    ASSERT_EQ(sandbox.run({ "-o", "today.png", "song.txt" }).status, 0);
    const DecodedPng today = readPng(sandbox / "today.png");
    const RunResult run =
        sandbox.run({ "--columns=2", "--max-size=1700x1500", "-o", "pics/", "song.txt" });
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_FALSE(fs::exists(sandbox / "pics" / "song.png"));
    int parts = 0;
    while (fs::exists(sandbox / "pics" / ("song-" + std::to_string(parts + 1) + ".png")))
        ++parts;
    // Two columns of at most 1,500 rows each hold no more than 3,000 of the picture's rows.
    EXPECT_GE(parts, 2);
    EXPECT_GE(parts, (today.height + 2999) / 3000);
    for (int part = 1; part <= parts; ++part) {
        SCOPED_TRACE("part " + std::to_string(part));
        const DecodedPng png =
            readPng(sandbox / "pics" / ("song-" + std::to_string(part) + ".png"));
        EXPECT_LE(png.width, 1700);
        EXPECT_LE(png.height, 1500);
        EXPECT_EQ(png.width, part < parts ? pageWidth(2) : png.width);
        ASSERT_NE(png.findChunk("bpLt"), nullptr);
        EXPECT_EQ(*png.findChunk("bpLt"), *today.findChunk("bpLt"));
    }
}

TEST(BeatplatePictureForm, RefusesARowLargerThanTheSizeAndPartsOnStandardOutput)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("song.txt", longChart());
    const struct {
        std::vector<std::string> arguments;
        std::string detail;
    } cases[] = {
        { { "--max-size=800x4000", "song.txt" },
          "(a row is 816 pixels wide, more than --max-size 800x4000 allows)" },
        { { "--max-size=4000x100", "song.txt" },
          "(a row with the header above it is 160 pixels tall, more than --max-size 4000x100 "
          "allows)" },
        { { "--columns=5", "--max-size=4000x1000", "song.txt" },
          "(5 columns are 4112 pixels wide, more than --max-size 4000x1000 allows)" },
        { { "--max-size=1000x1000", "-o", "-", "song.txt" },
          "parts cannot all go to standard output; name a picture with -o)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detail);
        const RunResult run = sandbox.run(c.arguments);
        EXPECT_EQ(run.status, 3);
        EXPECT_NE(run.errors.find("画像が大きすぎて作れません。"), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find(c.detail), std::string::npos) << run.errors;
        EXPECT_TRUE(run.output.empty());
    }
    EXPECT_FALSE(fs::exists(sandbox / "song.png"));
    EXPECT_FALSE(fs::exists(sandbox / "song-1.png"));
}

} // namespace
} // namespace beatplate::test
