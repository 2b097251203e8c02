#include "driver/run_options.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace beatplate {
namespace {

TEST(RunOptions, ChoosesOneModeAndRefusesASecond)
{
    const struct {
        std::vector<std::string_view> arguments;
        RunMode mode;
        FiguresFormat figures;
        bool drawsWithFigures;
    } cases[] = {
        { { "a.txt" }, RunMode::Draw, FiguresFormat::Text, false },
        { { "--check", "a.txt", "--check" }, RunMode::Check, FiguresFormat::Text, false },
        { { "--json", "--stats", "a.txt" }, RunMode::Stats, FiguresFormat::Json, false },
        { { "--draw", "--stats", "a.txt" }, RunMode::Stats, FiguresFormat::Text, true },
        { { "--wat", "a.txt" }, RunMode::Watch, FiguresFormat::Text, false },
    };
    for (const auto& [arguments, mode, figures, drawsWithFigures] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const RunOptions options = parseRunOptions(arguments);
        EXPECT_EQ(options.mode, mode);
        EXPECT_EQ(options.figures, figures);
        EXPECT_EQ(options.drawsWithFigures, drawsWithFigures);
    }
    for (const std::vector<std::string_view>& arguments :
         { std::vector<std::string_view>{ "--check", "--stats", "a.txt" },
           { "--watch", "a.txt", "--check" },
           { "--json", "--watch", "a.txt" } }) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_THROW((void)parseRunOptions(arguments), CommandLineError);
    }
}

TEST(RunOptions, TakesTheSoundsChoicesWithSoundOnlyAndWhereSomethingIsHeard)
{
    const struct {
        std::vector<std::string_view> arguments;
        SoundChoice choice;
    } cases[] = {
        { { "--sound", "a.txt" }, { true, false, 1 } },
        { { "--so", "--metronome", "--branch=3", "a.txt" }, { true, true, 3 } },
        { { "--no-notes", "--met", "--sound", "--stats", "--columns=2", "a.txt" },
          { false, true, 1 } },
        { { "--sound", "--watch", "-o", "sounds/", "a.txt", "b.txt" }, { true, false, 1 } },
    };
    for (const auto& [arguments, choice] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const RunOptions options = parseRunOptions(arguments);
        EXPECT_TRUE(options.sound);
        EXPECT_EQ(options.soundChoice, choice);
        EXPECT_EQ(outputExtension(options), ".wav");
    }
    for (const std::vector<std::string_view>& arguments :
         { std::vector<std::string_view>{ "--metronome", "a.txt" },
           { "--branch=1", "a.txt" },
           { "--sound", "--branch=4", "a.txt" },
           { "--sound", "--no-notes", "a.txt" },
           { "--sound", "--check", "a.txt" },
           { "--sound", "--stats", "--draw", "a.txt" },
           { "--sound", "--columns=3", "a.txt" },
           { "--sound", "--max-size=100x100", "--stats", "a.txt" },
           { "--sound", "-o", "a.wav", "a.txt", "b.txt" },
           { "--m", "100x100", "a.txt" },
           { "--no", "a.txt" } }) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_THROW((void)parseRunOptions(arguments), CommandLineError);
    }
}

TEST(RunOptions, ReadsColumnsAndMaxSizeAndRefusesWhatIsNoNumber)
{
    const struct {
        std::vector<std::string_view> arguments;
        PictureForm form;
    } cases[] = {
        { { "a.txt" }, {} },
        { { "--columns", "3", "a.txt" }, { 3, std::nullopt } },
        { { "--columns=auto", "--max-size=4096x2048", "a.txt" },
          { PictureForm::kAutoColumns, PictureSize{ 4096, 2048 } } },
    };
    for (const auto& [arguments, form] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_EQ(parseRunOptions(arguments).form, form);
    }
    for (const std::string_view bad :
         { "--columns=0", "--columns=-2", "--columns=two", "--columns=1001", "--max-size=4096",
           "--max-size=0x100", "--max-size=100x", "--max-size=x100", "--max-size=10x10x10" }) {
        SCOPED_TRACE(bad);
        const std::vector<std::string_view> arguments{ bad, "a.txt" };
        EXPECT_THROW((void)parseRunOptions(arguments), CommandLineError);
    }
}

} // namespace
} // namespace beatplate
