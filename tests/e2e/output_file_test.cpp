#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kOutputFailedLine =
    "出力がなぜかできません。　pngファイル開いてない？ (mnt/chart.txt)\n"
    "(output mnt/chart.png: Read-only file system)\n";
constexpr const char* kDiskFullLine =
    "pngファイルを書ききれません。　ディスクがいっぱいかも？ (mnt/chart.txt)\n"
    "(output mnt/chart.png: No space left on device)\n";

std::string manyMeasures(int count)
{
    std::string chart;
    for (int i = 0; i < count; ++i)
        chart += "oxoxOXOX(===)o o\n";
    return chart;
}

// How much of the picture the program has written so far, read from its open descriptors: an
// unnamed file shows as "DIR/#INODE (deleted)", a named one by its hidden name.
std::optional<std::uintmax_t> pictureBytesWritten(pid_t pid, const fs::path& directory)
{
    std::error_code error;
    const fs::path descriptors = "/proc/" + std::to_string(pid) + "/fd";
    for (fs::directory_iterator entry(descriptors, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string target = fs::read_symlink(entry->path(), error).string();
        const bool unnamed = target.starts_with((directory / "#").string());
        const bool named = target.starts_with((directory / ".beatplate-").string());
        struct stat status { };
        if ((unnamed || named) && ::stat(entry->path().c_str(), &status) == 0)
            return static_cast<std::uintmax_t>(status.st_size);
    }
    return std::nullopt;
}

TEST(BeatplateOutputFile, AKilledRunLeavesTheEarlierPictureAndNothingElse)
{
    for (const int signalNumber : { SIGTERM, SIGKILL, SIGINT }) {
        SCOPED_TRACE(strsignal(signalNumber));
        const ProgramSandbox sandbox;
        ASSERT_EQ(sandbox.runChart("chart.txt", "oooo\n").status, 0);
        const std::string earlier = readFile(sandbox / "chart.png");
        const auto before = listDirectory(sandbox.directory());
        sandbox.writeChart("chart.txt", manyMeasures(2000));
        ChildProcess child(sandbox.binary(), { "chart.txt" }, sandbox.directory(),
                           StandardInput::Closed);
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        std::uintmax_t written = 0;
        while (written == 0 && !child.hasExited() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
            written = pictureBytesWritten(child.pid(), sandbox.directory()).value_or(0);
        }
        ASSERT_GT(written, 0u) << "the run was never seen writing its picture";
        ::kill(child.pid(), signalNumber);
        const auto result = child.finish();
        EXPECT_EQ(result.signal, signalNumber);
        EXPECT_EQ(listDirectory(sandbox.directory()), before);
        EXPECT_EQ(readFile(sandbox / "chart.png"), earlier);
    }
}

// Runs a shell script in a mount namespace of its own, so that the file system it mounts on
// $DIR vanishes with it; $BIN is the program. Nothing when such namespaces are not allowed.
std::optional<RunResult> runInOwnMounts(const ProgramSandbox& sandbox, const std::string& script)
{
    const std::string unshare = "/usr/bin/unshare";
    if (!fs::exists(unshare)
        || runProgram(unshare, { "-m", "--propagation", "private", "true" }, sandbox.directory())
                .status
            != 0)
        return std::nullopt;
    fs::create_directory(sandbox / "mnt");
    return runProgram(unshare,
                      { "-m", "--propagation", "private", "/bin/sh", "-c",
                        "DIR=mnt BIN=./beatplate; set -e; " + script },
                      sandbox.directory());
}

TEST(BeatplateOutputFile, TellsAFullDiskFromAPlaceThatTakesNoFile)
{
    const std::string run = "set +e; \"$BIN\" mnt/chart.txt </dev/null; status=$?; "
                            "ls -A mnt | grep -v '^fill'; exit $status";
    const struct {
        const char* name;
        std::string setUp;
        std::string output;
    } cases[] = {
        { "no free inodes",
          "mount -t tmpfs -o size=8m,nr_inodes=8 tmpfs mnt; cp chart.txt mnt/; "
          "i=0; while true 2>/dev/null >mnt/fill$i; do i=$((i+1)); done; ",
          kDiskFullLine },
        { "no free blocks",
          "mount -t tmpfs -o size=256k tmpfs mnt; cp chart.txt mnt/; "
          "cat /dev/zero >mnt/fill 2>/dev/null || true; ",
          kDiskFullLine },
        // A page for the chart, one for the first part of the picture.
        { "full part-way", "mount -t tmpfs -o size=8k tmpfs mnt; cp chart.txt mnt/; ",
          kDiskFullLine },
        { "read-only", "mount -t tmpfs tmpfs mnt; cp chart.txt mnt/; mount -o remount,ro mnt; ",
          kOutputFailedLine },
    };
    for (const auto& [name, setUp, output] : cases) {
        SCOPED_TRACE(name);
        const ProgramSandbox sandbox;
        sandbox.writeChart("chart.txt", manyMeasures(40));
        const auto result = runInOwnMounts(sandbox, setUp + run);
        if (!result)
            GTEST_SKIP() << "no mount namespace to be had";
        EXPECT_EQ(result->status, 3);
        EXPECT_EQ(result->errors, output);
        EXPECT_EQ(result->output, "chart.txt\n"); // nothing left beside the chart
    }
}

// Every place that takes no picture or chart keeps the message users know and adds, below it,
// the path that failed and the system's reason; $B is beatplate, $C beatplate-chart.
TEST(BeatplateOutputFile, TellsThePathAndTheReasonOfEveryWriteFailure)
{
    const std::string openFailed = "出力がなぜかできません。　pngファイル開いてない？ (a.txt)\n";
    const std::string chartFailed = "出力がなぜかできません。 (a.png)\n";
    const struct {
        std::string script;
        std::string errors;
    } cases[] = {
        { "\"$B\" -o pics/a.png a.txt",
          openFailed + "(output pics/a.png: No such file or directory)\n" },
        { "\"$B\" -o /proc/nope.png a.txt",
          openFailed + "(output /proc/nope.png: No such file or directory)\n" },
        { "\"$B\" -o a.txt/b.png a.txt", openFailed + "(output a.txt/b.png: Not a directory)\n" },
        { "mkdir a.png && \"$B\" a.txt", openFailed + "(output a.png: Is a directory)\n" },
        { "\"$B\" -o a.txt/pics a.txt b.txt",
          "出力先のフォルダを作れません。 (a.txt/pics)\n(output a.txt/pics: Not a directory)\n" },
        { "\"$B\" -o - a.txt > /dev/full",
          "pngファイルを書ききれません。　ディスクがいっぱいかも？ (a.txt)\n"
          "(standard output: No space left on device)\n" },
        { "\"$B\" a.txt && \"$C\" -o nowhere/a.txt a.png",
          chartFailed + "(output nowhere/a.txt: No such file or directory)\n" },
    };
    for (const auto& [script, errors] : cases) {
        SCOPED_TRACE(script);
        const ProgramSandbox sandbox;
        sandbox.writeChart("a.txt", "oooo\n");
        sandbox.writeChart("b.txt", "xxxx\n");
        const auto result = runShell(
            "B='" + sandbox.binary().string() + "'; C='"
                + (fs::path(BEATPLATE_BUILD_DIR) / "beatplate-chart").string() + "'; " + script,
            sandbox.directory());
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.errors, errors);
    }
}

} // namespace
} // namespace beatplate::test
