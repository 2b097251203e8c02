#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOld = "#title Song\no   o   o   o\nx   x   x   x\nO       X\noxox\n";
// Measure 2 changed, a measure added after it, measure 4 of the old chart removed.
constexpr const char* kNew = "#title Song\no   o   o   o\nxx  x   x   x\nooxx\nO       X\n";

std::string chunkText(const DecodedPng& png)
{
    const PngChunk* chunk = png.findChunk("bpLt");
    return chunk ? std::string(chunk->data.begin(), chunk->data.end()) : std::string();
}

TEST(BeatplateDiff, DrawsNewMarkedAndPrintsWhatDiffers)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("old.txt", kOld);
    sandbox.writeChart("new.txt", kNew);
    ASSERT_EQ(sandbox.run({ "new.txt" }).status, 0);
    const RunResult diff = sandbox.run({ "diff", "old.txt", "new.txt" });
    EXPECT_EQ(diff.status, 1) << diff.errors;
    EXPECT_EQ(diff.errors, "");
    EXPECT_EQ(diff.output.substr(0, diff.output.find('\n') + 1),
              "old.txt -> new.txt: 2 places differ\n");
    const DecodedPng plain = readPng(sandbox / "new.png");
    const DecodedPng marked = readPng(sandbox / "new-diff.png");
    EXPECT_EQ(chunkText(marked), chunkText(plain)); // NEW's chart, for beatplate-chart
    EXPECT_EQ(marked.width, plain.width);
    EXPECT_EQ(marked.height, plain.height);
    EXPECT_NE(marked.pixels, plain.pixels);

    const RunResult json = sandbox.run({ "diff", "--json", "--no-picture", "old.txt", "new.txt" });
    EXPECT_EQ(json.status, 1);
    const auto figures = nlohmann::json::parse(json.output);
    EXPECT_EQ(figures["changed"], nlohmann::json({ 2 }));
    EXPECT_EQ(figures["added"], nlohmann::json({ 3 }));
    EXPECT_EQ(figures["removed"], nlohmann::json({ 4 }));
    EXPECT_EQ(figures["same"], false);
}

TEST(BeatplateDiff, FindsAChartAndItsPictureTheSameAndSaysWhatFails)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("old.txt", kOld);
    sandbox.writeChart("broken.txt", "oooo\nooZo\n");
    ASSERT_EQ(sandbox.run({ "old.txt" }).status, 0);
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string output;
        std::string errors;
    } cases[] = {
        { { "diff", "--no-picture", "old.txt", "old.png" },
          0,
          "old.txt -> old.png: the same\n",
          "" },
        { { "diff", "--no-picture", "old.png", "missing.txt" },
          2,
          "",
          "ファイルが見つかりません。 (missing.txt)\n" },
        { { "diff", "--no-picture", "old.txt", "broken.txt" },
          2,
          "",
          "読み込み時にエラーが発生しました: 2行 (broken.txt)\n" },
        { { "diff", "old.txt" }, 4, "", "beatplate diff: missing NEW chart after 'old.txt'\n" },
        { { "diff", "-o", "-", "old.txt", "old.png" }, 4, "", "" },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.arguments[1]);
        const RunResult result = sandbox.run(test.arguments);
        EXPECT_EQ(result.status, test.status);
        if (test.status < 2) {
            EXPECT_EQ(result.output.substr(0, result.output.find('\n') + 1), test.output);
        }
        EXPECT_EQ(result.errors.substr(0, test.errors.size()), test.errors) << result.errors;
    }
    EXPECT_FALSE(fs::exists(sandbox / "old-diff.png"));
}

TEST(BeatplateDiff, DrawsColumnsAndPartsAsPicturesAre)
{
    const ProgramSandbox sandbox;
    std::string oldChart;
    for (int measure = 0; measure < 60; ++measure)
        oldChart += std::string(static_cast<std::size_t>(measure % 13), ' ') + "o x\n";
    std::string newChart = oldChart;
    newChart.replace(newChart.find("o x"), 3, "x o");
    sandbox.writeChart("old.txt", oldChart);
    sandbox.writeChart("new.txt", newChart);
    ASSERT_EQ(sandbox.run({ "--columns", "2", "new.txt" }).status, 0);
    ASSERT_EQ(sandbox.run({ "diff", "--columns", "2", "old.txt", "new.txt" }).status, 1);
    const DecodedPng plain = readPng(sandbox / "new.png");
    const DecodedPng marked = readPng(sandbox / "new-diff.png");
    EXPECT_EQ(marked.width, plain.width);
    EXPECT_EQ(marked.height, plain.height);
    const RunResult parts =
        sandbox.run({ "diff", "--max-size", "816x400", "-o", "pictures/", "old.txt", "new.txt" });
    EXPECT_EQ(parts.status, 1) << parts.errors;
    EXPECT_TRUE(fs::exists(sandbox / "pictures" / "new-diff-1.png"));
    EXPECT_TRUE(fs::exists(sandbox / "pictures" / "new-diff-2.png"));
    EXPECT_FALSE(fs::exists(sandbox / "pictures" / "new-diff.png"));
}

// git runs beatplate diff on two versions of a chart, and shows a picture's change as its
// chart's text through beatplate-chart.
TEST(BeatplateDiff, WorksAsGitsDifftoolAndPicturesDiffAsTheirCharts)
{
    if (runShell("command -v git", fs::current_path()).status != 0)
        GTEST_SKIP() << "git is not installed (scripts/setup.sh installs it)";
    const ProgramSandbox sandbox;
    const fs::path repository = sandbox / "repository";
    fs::create_directories(repository);
    const std::string setUp = "B='" + sandbox.binary().string() + "'; C='"
        + (fs::path(BEATPLATE_BUILD_DIR) / "beatplate-chart").string()
        + "'; export GIT_CONFIG_NOSYSTEM=1 HOME=\"$PWD\"; "
          "git init -q && git config user.email t@example.org && git config user.name t && "
          "echo '*.png diff=beatplate' > .gitattributes && "
          "git config diff.beatplate.textconv \"$C -o -\" && "
          "git config diff.beatplate.binary true && ";
    sandbox.writeChart("repository/song.txt", kOld);
    const RunResult committed = runShell(
        setUp + "$B song.txt && git add . && git commit -qm first && echo done", repository);
    ASSERT_EQ(committed.output, "done\n") << committed.errors;
    sandbox.writeChart("repository/song.txt", kNew);

    const RunResult difftool = runShell(
        setUp + "git difftool -y -x \"'$B' diff -o \\\"\\${BASE%.*}-diff.png\\\"\" -- song.txt",
        repository);
    EXPECT_NE(difftool.output.find("2 places differ"), std::string::npos) << difftool.errors;
    EXPECT_TRUE(fs::exists(repository / "song-diff.png"));

    const RunResult textconv =
        runShell(setUp + "$B song.txt && git diff --no-color -- song.png", repository);
    EXPECT_NE(textconv.output.find("\n-x   x   x   x\n+xx  x   x   x\n+ooxx\n"), std::string::npos)
        << textconv.output << textconv.errors;
}

} // namespace
} // namespace beatplate::test
