#include "base/chart_limits.h"
#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <regex>

namespace beatplate::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kDrawn = "drawn song.txt in ";

std::vector<std::uint8_t> pictureChunk(const ProgramSandbox& sandbox)
{
    return readPng(sandbox / "song.png").findChunk(kChartChunkName)->data;
}

TEST(BeatplateWatch, DrawsEverySaveUntilInterruptedAndLeavesNothingBehind)
{
    for (const int signalNumber : { SIGINT, SIGTERM }) {
        SCOPED_TRACE(strsignal(signalNumber));
        const ProgramSandbox sandbox;
        sandbox.writeChart("song.txt", "oooo\n");
        ChildProcess child(sandbox.binary(), { "--watch", "song.txt" }, sandbox.directory(),
                           StandardInput::Closed);
        ASSERT_NE(child.readErrorsUntil(kDrawn, kPatience).find(kDrawn), std::string::npos);
        EXPECT_EQ(pictureChunk(sandbox), sourceChunkOf(u"oooo\n\n"));

        // Saved in place, then as editors that write a new file and rename it over the chart.
        sandbox.writeChart("song.txt", "oooo\noooo\n");
        child.readErrorsUntil(kDrawn, kPatience, 2);
        EXPECT_EQ(pictureChunk(sandbox), sourceChunkOf(u"oooo\noooo\n\n"));
        sandbox.writeChart(".song.txt.new", "xxxx\n");
        fs::rename(sandbox / ".song.txt.new", sandbox / "song.txt");
        child.readErrorsUntil(kDrawn, kPatience, 3);
        EXPECT_EQ(pictureChunk(sandbox), sourceChunkOf(u"xxxx\n\n"));

        // A save with an error is reported and leaves the last good picture.
        sandbox.writeChart("song.txt", "#bmp\n(o\n");
        const auto summary = "song.txt: 1 error, 1 warning\n";
        ASSERT_NE(child.readErrorsUntil(summary, kPatience).find(summary), std::string::npos);
        EXPECT_EQ(pictureChunk(sandbox), sourceChunkOf(u"xxxx\n\n"));

        ::kill(child.pid(), signalNumber);
        const auto result = child.finish();
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.signal, 0);
        const auto reported = result.errors.find("song.txt:1:2:");
        ASSERT_NE(reported, std::string::npos) << result.errors;
        EXPECT_EQ(result.errors.substr(reported),
                  std::string("song.txt:1:2: error: unknown command. (#bmp; did you mean #bpm?)\n"
                              "song.txt:2:1: warning: span is never closed; it is not drawn.\n")
                      + summary);
        // Each save drawn once, and nothing else said before the error.
        EXPECT_TRUE(std::regex_match(result.errors.substr(0, reported),
                                     std::regex("(drawn song\\.txt in [0-9]+ ms\n){3}")))
            << result.errors;
        EXPECT_EQ(listDirectory(sandbox.directory()),
                  (std::vector<std::string>{ "beatplate", "pic.png", "song.png", "song.txt" }));
    }
}

TEST(BeatplateWatch, ReportsAChartWhoseDirectoryWentAndDrawsItWhenItIsBack)
{
    const char* drawn = "drawn charts/song.txt in ";
    for (const bool renamed : { true, false }) {
        SCOPED_TRACE(renamed ? "renamed" : "removed");
        const ProgramSandbox sandbox;
        sandbox.writeChart("charts/song.txt", "oooo\n");
        ChildProcess child(sandbox.binary(), { "--watch", "charts/song.txt" }, sandbox.directory(),
                           StandardInput::Closed);
        ASSERT_NE(child.readErrorsUntil(drawn, kPatience).find(drawn), std::string::npos);
        if (renamed)
            fs::rename(sandbox / "charts", sandbox / "charts.old");
        else
            fs::remove_all(sandbox / "charts");
        const auto missing = "ファイルが見つかりません。 (charts/song.txt)\n";
        ASSERT_NE(child.readErrorsUntil(missing, kPatience).find(missing), std::string::npos);
        sandbox.writeChart("charts/song.txt", "xxxx\n");
        child.readErrorsUntil(drawn, kPatience, 2);
        EXPECT_EQ(readPng(sandbox / "charts" / "song.png").findChunk("bpLt")->data,
                  sourceChunkOf(u"xxxx\n\n"));
        ::kill(child.pid(), SIGINT);
        const auto result = child.finish();
        EXPECT_EQ(result.status, 0);
        const std::string drawnLine = "drawn charts/song.txt in N ms\n";
        EXPECT_EQ(std::regex_replace(result.errors, std::regex("in [0-9]+ ms"), "in N ms"),
                  drawnLine + missing + drawnLine);
    }
}

} // namespace
} // namespace beatplate::test
