#include "base/chart_limits.h"
#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_sheet.h"
#include "support/test_support.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace beatplate::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kChart = "oooo\n";
constexpr const char* kTryHelp = "Try 'beatplate --help' for more information.\n";

std::vector<std::string> sortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Runs a shell script in the sandbox; $B names its beatplate.
RunResult runScript(const ProgramSandbox& sandbox, const std::string& script)
{
    return runShell("B='" + sandbox.binary().string() + "'; " + script, sandbox.directory());
}

TEST(BeatplateCommandLine, AnswersHelpVersionAndWrongOptions)
{
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string outputStart;
        std::string errors;
    } cases[] = {
        { { "--help" }, 0, "Usage: beatplate [OPTION]... CHART...\n", "" },
        { { "-h", "missing.txt" }, 0, "Usage: beatplate [OPTION]... CHART...\n", "" },
        { { "--version" }, 0, "beatplate ", "" },
        { { "--nope", "a.txt" }, 4, "", "beatplate: unrecognized option '--nope'\n" },
        { { "-j", "0", "a.txt" }, 4, "", "beatplate: invalid number of jobs: '0'\n" },
        { { "--jobs=two", "a.txt" }, 4, "", "beatplate: invalid number of jobs: 'two'\n" },
        { { "-o", "-", "a.txt", "b.txt" },
          4,
          "",
          "beatplate: with several charts, --output names a directory, not '-'\n" },
        { { "-o", "cover.PNG", "a.txt", "b.txt" },
          4,
          "",
          "beatplate: with several charts, --output names a directory, not the picture "
          "'cover.PNG' (end it with / for a directory)\n" },
        { { "--encoding", "latin1", "a.txt" },
          4,
          "",
          "beatplate: invalid encoding: 'latin1' (cp932 or utf-8)\n" },
        { { "--json", "a.txt" }, 4, "", "beatplate: --json goes with --stats\n" },
        { { "--check", "--watch", "a.txt" },
          4,
          "",
          "beatplate: --check, --stats and --watch exclude one another\n" },
        { { "--check", "-o", "x.png", "a.txt" },
          4,
          "",
          "beatplate: --check draws no picture, so --draw and --output have no use\n" },
        { { "--watch", "-" },
          4,
          "",
          "beatplate: --watch follows charts in files; '-' cannot be watched\n" },
        { { "--watch", "-o", "-", "a.txt" },
          4,
          "",
          "beatplate: --watch writes pictures into files, not to '-'\n" },
        { { "--stats", "--draw", "-" },
          4,
          "",
          "beatplate: --stats prints on standard output; a picture cannot go there too\n" },
    };
    const ProgramSandbox sandbox;
    for (const auto& [arguments, status, outputStart, errors] : cases) {
        SCOPED_TRACE(arguments.front());
        const auto result = sandbox.run(arguments);
        EXPECT_EQ(result.status, status);
        EXPECT_TRUE(result.output.starts_with(outputStart)) << result.output;
        EXPECT_EQ(result.errors, errors.empty() ? "" : errors + kTryHelp);
    }
    EXPECT_EQ(listDirectory(sandbox.directory()),
              (std::vector<std::string>{ "beatplate", "pic.png" }));
}

TEST(BeatplateCommandLine, DrawsEveryChartAndEndsWithTheHighestStatus)
{
    const ProgramSandbox sandbox;
    for (const auto* name : { "a.txt", "c.txt", "d.txt" })
        sandbox.writeChart(name, kChart);
    sandbox.writeChart("bad.txt", "#nonsense\n");
    sandbox.writeChart("x.png", kChart); // its picture would replace it
    const std::vector<std::string> charts{ "a.txt", "bad.txt", "missing.txt", "c.txt" };
    for (const auto* jobs : { "1", "2", "3" }) {
        SCOPED_TRACE(jobs);
        auto arguments = charts;
        arguments.insert(arguments.begin(), { "-j", jobs });
        const auto result = sandbox.run(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(sortedLines(result.errors),
                  (std::vector<std::string>{ "unknown command. (column 2: #nonsense)",
                                             "ファイルが見つかりません。 (missing.txt)",
                                             "読み込み時にエラーが発生しました: 1行 (bad.txt)" }));
        for (const auto* picture : { "a.png", "c.png" })
            EXPECT_EQ(readPng(sandbox / picture).height, 112);
        EXPECT_FALSE(fs::exists(sandbox / "bad.png"));
        fs::remove(sandbox / "a.png");
        fs::remove(sandbox / "c.png");
    }
    const auto withOutputFailure = sandbox.run({ "x.png", "missing.txt", "d.txt" });
    EXPECT_EQ(withOutputFailure.status, 3);
    EXPECT_EQ(readFile(sandbox / "x.png"), kChart);
    EXPECT_TRUE(fs::exists(sandbox / "d.png"));
}

TEST(BeatplateCommandLine, WritesEachPictureWhereTheOutputOptionSays)
{
    const struct {
        std::string script;
        std::vector<std::string> pictures; // written, relative to the sandbox
    } cases[] = {
        { "\"$B\" -o out.png a.txt", { "out.png" } },
        { "\"$B\" -o Cover.PNG a.txt", { "Cover.PNG" } },
        { "mkdir there && \"$B\" --output there a.txt", { "there/a.png" } },
        // One chart or several, a path is a directory unless it names a picture.
        { "\"$B\" -o pictures a.txt", { "pictures/a.png" } },
        { "\"$B\" -o new/deep/ a.txt", { "new/deep/a.png" } },
        { "mkdir x.png && \"$B\" -o x.png a.txt", { "x.png/a.png" } },
        { "\"$B\" -o new/deep a.txt sub/b.txt", { "new/deep/a.png", "new/deep/b.png" } },
        { "\"$B\" -o - a.txt > stdout.png", { "stdout.png" } },
        { "\"$B\" - < a.txt > stdout.png", { "stdout.png" } },
        { "\"$B\" -o out.png - < a.txt", { "out.png" } },
        { "\"$B\" -o dir sub/b.txt - < a.txt > stdout.png", { "dir/b.png", "stdout.png" } },
    };
    for (const auto& [script, pictures] : cases) {
        SCOPED_TRACE(script);
        const ProgramSandbox sandbox;
        sandbox.writeChart("a.txt", kChart);
        sandbox.writeChart("sub/b.txt", kChart);
        const auto result = runScript(sandbox, script);
        EXPECT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(result.errors, "");
        for (const auto& picture : pictures) {
            const DecodedPng png = readPng(sandbox / picture);
            EXPECT_EQ(png.height, 112) << picture;
            EXPECT_NE(png.findChunk(kChartChunkName), nullptr) << picture;
        }
        // Nothing goes beside the chart when the output is named.
        EXPECT_FALSE(fs::exists(sandbox / "a.png"));
    }
}

TEST(BeatplateCommandLine, RefusesAPicturePathThatIsTakenAlready)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("a.txt", kChart);
    sandbox.writeChart("a", "oooo\noooo\noooo\noooo\noooo\n");
    sandbox.writeChart("b.png", kChart); // a chart, named like a picture
    // -o names a directory, and b.png is a file.
    const auto result = sandbox.run({ "a.txt", "a", "-o", "b.png/" });
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.errors,
              "出力先のフォルダを作れません。 (b.png/)\n(output b.png/: Not a directory)\n");
    EXPECT_FALSE(fs::exists(sandbox / "a.png"));
    const auto twice = sandbox.run({ "a.txt", "a", "b.txt", "b.png" });
    EXPECT_EQ(twice.status, 3);
    EXPECT_EQ(sortedLines(twice.errors),
              (std::vector<std::string>{
                  "(a.png is taken by a.txt)", "ほかの譜面と出力先が同じです。 (a)",
                  "ファイルが見つかりません。 (b.txt)",
                  "譜面ファイルと出力先が同じです。　拡張子を変えてください。 (b.png)" }));
    EXPECT_EQ(readPng(sandbox / "a.png").height, 112); // a.txt's, not the five measures of a
    EXPECT_EQ(readFile(sandbox / "b.png"), kChart);
}

TEST(BeatplateCommandLine, RefusesASheetThatIsNamedOrFoundButCannotBeRead)
{
    const struct {
        const char* name;
        const char* arguments;
        const char* sheet; // as reported
    } cases[] = {
        { "a named sheet that is missing", "--sheet nowhere.png a.txt", "nowhere.png" },
        { "a named sheet that is no PNG", "--sheet a.txt a.txt", "a.txt" },
        { "a named directory", "--sheet=. a.txt", "." },
        { "a found sheet that is no PNG", "a.txt", "" },
    };
    for (const auto& [name, arguments, sheet] : cases) {
        SCOPED_TRACE(name);
        const ProgramSandbox sandbox;
        writeFile(sandbox / "pic.png", "not a picture");
        sandbox.writeChart("a.txt", kChart);
        const auto result = runScript(sandbox, std::string("\"$B\" ") + arguments);
        EXPECT_EQ(result.status, 3);
        const std::string shown = *sheet != '\0' ? sheet : (sandbox / "pic.png").string();
        EXPECT_EQ(result.errors, "スプライトシートを読み込めません。 (" + shown + ")\n");
        EXPECT_FALSE(fs::exists(sandbox / "a.png"));
    }
}

TEST(BeatplateCommandLine, RefusesAFontThatIsNamedButCannotBeRead)
{
    for (const char* font : { "nowhere.ttf", "a.txt", "." }) {
        SCOPED_TRACE(font);
        const ProgramSandbox sandbox;
        sandbox.writeChart("a.txt", kChart);
        const auto result = sandbox.run({ "--font", font, "a.txt" });
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.errors, std::string("フォントを読み込めません。 (") + font + ")\n");
        EXPECT_FALSE(fs::exists(sandbox / "a.png"));
    }
}

TEST(BeatplateCommandLine, WritesTheHeaderWithAFontBesideTheProgram)
{
    if (!fs::exists(test::kDejaVuSansBoldFile))
        GTEST_SKIP() << "DejaVu Sans Bold is not installed";
    const ProgramSandbox sandbox;
    sandbox.writeChart("a.txt", "#title Beside\noooo\n");
    const std::string font = test::kDejaVuSansBoldFile.string();
    ASSERT_EQ(sandbox.run({ "-o", "system.png", "a.txt" }).status, 0);
    ASSERT_EQ(sandbox.run({ "--font", font, "-o", "named.png", "a.txt" }).status, 0);
    fs::copy_file(font, sandbox / "DejaVuSans-Bold.ttf");
    ASSERT_EQ(sandbox.run({ "-o", "beside.png", "a.txt" }).status, 0);
    const auto beside = readPng(sandbox / "beside.png").pixels;
    EXPECT_EQ(beside, readPng(sandbox / "named.png").pixels);
    EXPECT_NE(beside, readPng(sandbox / "system.png").pixels);
}

TEST(BeatplateCommandLine, PassesOverAPicPngThatIsNoRegularFile)
{
    const ProgramSandbox sandbox(SpriteSheetFile::Missing);
    sandbox.writeChart("a.txt", kChart);
    ASSERT_EQ(sandbox.run({ "-o", "built-in.png", "a.txt" }).status, 0);
    ASSERT_EQ(::mkfifo((sandbox / "pic.png").c_str(), 0600), 0);
    ChildProcess child(sandbox.binary(), { "a.txt" }, sandbox.directory(), StandardInput::Closed);
    // Opening a FIFO without a writer would never return.
    ASSERT_TRUE(child.waitForExit(kPatience));
    EXPECT_EQ(child.finish().status, 0);
    EXPECT_EQ(readPng(sandbox / "a.png").pixels, readPng(sandbox / "built-in.png").pixels);
}

TEST(BeatplateCommandLine, LeavesAChartListOnStandardInputToTheLoopThatReadsIt)
{
    const ProgramSandbox sandbox;
    const std::vector<std::string> charts{ "a.txt", "missing.txt", "b.txt", "bad.txt", "c.txt" };
    for (const auto& chart : charts)
        if (chart != "missing.txt")
            sandbox.writeChart(chart, chart == "bad.txt" ? "#nonsense\n" : kChart);
    const auto result = runScript(sandbox,
                                  "printf 'a.txt\\nmissing.txt\\nb.txt\\nbad.txt\\nc.txt\\n' | "
                                  "while read -r f; do \"$B\" \"$f\"; echo \"$f $?\"; done");
    EXPECT_EQ(result.output, "a.txt 0\nmissing.txt 1\nb.txt 0\nbad.txt 2\nc.txt 0\n");
    for (const auto* picture : { "a.png", "b.png", "c.png" })
        EXPECT_TRUE(fs::exists(sandbox / picture)) << picture;
}

TEST(BeatplateCommandLine, PauseWaitsForEnterOnTheTerminalAfterAMessageOnly)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("a.txt", kChart);
    PseudoTerminal terminal;
    ChildProcess quiet(sandbox.binary(), { "--pause", "a.txt" }, sandbox.directory(),
                       StandardInput::Pipe, &terminal);
    EXPECT_TRUE(quiet.waitForExit(kPatience)); // a picture written is no message
    EXPECT_EQ(quiet.finish().status, 0);

    ChildProcess child(sandbox.binary(), { "--pause", "a.txt", "missing.txt" }, sandbox.directory(),
                       StandardInput::Pipe, &terminal);
    // A line on standard input must not end the wait: only Enter on the terminal does.
    child.writeInput("\n");
    EXPECT_NE(terminal.readUntil("Enterキーを押すと終わります。", kPatience).find("Enter"),
              std::string::npos);
    EXPECT_TRUE(child.waitUntilReadingTerminal(terminal, kPatience));
    terminal.type("\n");
    EXPECT_TRUE(child.waitForExit(kPatience));
    const auto result = child.finish();
    EXPECT_EQ(result.status, 1);
    // Whoever reads the window learns what became of every chart.
    EXPECT_EQ(result.errors,
              "ファイルが見つかりません。 (missing.txt)\n"
              "picture written (a.png)\n"
              "1 picture written, 1 chart cannot be opened\n");
}

TEST(BeatplateCommandLine, ShowsProgressOnATerminalAndClearsItAtTheEnd)
{
    const ProgramSandbox sandbox;
    for (const auto* name : { "a.txt", "b.txt", "c.txt" })
        sandbox.writeChart(name, kChart);
    PseudoTerminal terminal(TerminalStream::StandardError);
    ChildProcess child(sandbox.binary(), { "-j", "1", "a.txt", "missing.txt", "b.txt", "c.txt" },
                       sandbox.directory(), StandardInput::Closed, &terminal);
    ASSERT_TRUE(child.waitForExit(kPatience));
    EXPECT_EQ(child.finish().status, 1);
    // To the terminal's end: the run's last erase may still be on its way through the kernel.
    const std::string shown = terminal.readToEnd(kPatience);
    EXPECT_TRUE(std::regex_search(shown, std::regex(R"(\r\x1b\[K[0-3]/4 \d+:\d\d [a-z]+\.txt)")))
        << shown;
    EXPECT_NE(shown.find("ファイルが見つかりません。 (missing.txt)\r\n"), std::string::npos);
    EXPECT_TRUE(shown.ends_with("\r\x1b[K")) << shown;
}

// The examples of messages in the Windows archive's README.txt (lines indented by four spaces,
// one message to a run of them) are what the program prints.
TEST(BeatplateCommandLine, PrintsErrorsAsTheWindowsReadmeShowsThem)
{
    std::istringstream readme(
        readFile(fs::path(BEATPLATE_SOURCE_DIR) / "packaging" / "windows" / "README.txt"));
    std::vector<std::string> examples;
    bool inExample = false;
    for (std::string line; std::getline(readme, line);) {
        const bool example = line.starts_with("    ") && line.size() > 4 && line[4] != ' ';
        if (example && !inExample)
            examples.emplace_back();
        if (example)
            examples.back() += line.substr(4) + "\n";
        inExample = example;
    }
    ASSERT_GE(examples.size(), 2u);
    const ProgramSandbox sandbox;
    // The error the README shows: a tempo without its number on line 4; then the chart is gone.
    std::string printed =
        sandbox.runChart("song.txt", "#title song\n#level 3\noooo\n#bpm\n").errors;
    fs::remove(sandbox / "song.txt");
    printed += sandbox.run({ "song.txt" }).errors;
    for (const auto& example : examples)
        EXPECT_NE(printed.find(example), std::string::npos) << example << "\n" << printed;
}

TEST(BeatplateCommandLine, WritesNoPictureToATerminal)
{
    const ProgramSandbox sandbox;
    sandbox.writeChart("a.txt", kChart);
    PseudoTerminal terminal(TerminalStream::StandardOutput);
    ChildProcess child(sandbox.binary(), { "-o", "-", "a.txt" }, sandbox.directory(),
                       StandardInput::Closed, &terminal);
    ASSERT_TRUE(child.waitForExit(kPatience));
    const auto result = child.finish();
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.errors,
              "画像は端末には書き出せません。　-o でファイルを指定してください。 (a.txt)\n");
}

// The first cells of the README's tables: where its option tables name each option.
std::string readmeTableHeads()
{
    std::istringstream lines(readFile(fs::path(BEATPLATE_SOURCE_DIR) / "README.md"));
    std::string heads;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("| "))
            heads += line.substr(0, line.find(" |", 1)) + "\n";
    }
    return heads;
}

// Every long option that --help lists is told in the man page (and, for beatplate's, in a
// README table), and both name one version.
TEST(BeatplateCommandLine, HelpAndManualPageTellTheSameOptionsAndVersion)
{
    const struct {
        fs::path program;
        std::vector<std::string> help;
        const char* page;
        bool inReadmeTables;
    } programs[] = {
        { BEATPLATE_BINARY_PATH, { "-h" }, "man/beatplate.1", true },
        { BEATPLATE_BINARY_PATH, { "serve", "-h" }, "man/beatplate.1", true },
        { BEATPLATE_BINARY_PATH, { "diff", "-h" }, "man/beatplate.1", true },
        { fs::path(BEATPLATE_BUILD_DIR) / "beatplate-chart",
          { "-h" },
          "man/beatplate-chart.1",
          false },
    };
    const std::string readme = readmeTableHeads();
    for (const auto& [program, arguments, page, inReadmeTables] : programs) {
        SCOPED_TRACE(arguments.front());
        const std::string manual = readFile(fs::path(BEATPLATE_SOURCE_DIR) / page);
        const auto run = runProgram(program, arguments, ".");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.errors, "");
        const auto& help = run.output;
        const std::string command =
            program.filename().string() + (arguments.size() > 1 ? " " + arguments.front() : "");
        EXPECT_TRUE(help.starts_with("Usage: " + command + " [OPTION]... "));
        // It fits a terminal of 80 columns, and a build from the tree finds its page too.
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), 80u) << line;
        EXPECT_NE(help.find(std::string("man -l ") + page), std::string::npos);
        const std::regex option(R"(--([a-z0-9-]+))");
        std::set<std::string> options;
        for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it)
            options.insert((*it)[1]);
        EXPECT_GE(options.size(), 4u);
        for (const auto& name : options) {
            std::string escaped;
            for (const char c : name)
                escaped += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(manual.find("\\-\\-" + escaped), std::string::npos) << "--" << name;
            if (inReadmeTables) {
                EXPECT_NE(readme.find("`--" + name), std::string::npos) << "README: --" << name;
            }
        }
        const auto version = runProgram(program, { "--version" }, ".").output;
        const auto number = version.substr(version.find(' ') + 1, version.size() - 1);
        EXPECT_NE(manual.find("\"beatplate " + number.substr(0, number.size() - 1) + "\""),
                  std::string::npos)
            << version;
    }
}

} // namespace
} // namespace beatplate::test
