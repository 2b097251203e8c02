#include "platform/temporary_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace beatplate {
namespace {

namespace fs = std::filesystem;
using test::listDirectory;
using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr TemporaryFileKind kKinds[] = { TemporaryFileKind::Unnamed, TemporaryFileKind::Named };

const char* kindName(TemporaryFileKind kind)
{
    return kind == TemporaryFileKind::Unnamed ? "unnamed" : "named";
}

void writeAll(TemporaryFile& file, std::string_view bytes)
{
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.stream()), bytes.size());
}

mode_t modeOf(const fs::path& path)
{
    struct stat status { };
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

// Sets the process's umask for the life of the object.
class UmaskSetting {
public:
    explicit UmaskSetting(mode_t mask)
        : m_previous(::umask(mask))
    {
    }
    UmaskSetting(const UmaskSetting&) = delete;
    UmaskSetting& operator=(const UmaskSetting&) = delete;
    ~UmaskSetting() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

TEST(TemporaryFile, IsUnnamedWhereTheFileSystemAllowsIt)
{
    const TempDir dir;
    const TemporaryFile unnamed(dir / "a.png");
    const TemporaryFile named(dir / "a.png", TemporaryFileKind::Named);
    EXPECT_FALSE(unnamed.named()); // the test directory's file system takes unnamed files
    EXPECT_TRUE(named.named());
    EXPECT_EQ(listDirectory(dir.path()).size(), 1u);
}

TEST(TemporaryFile, ReplacesTheTargetOnlyWhenFinishedAndLeavesNothingOtherwise)
{
    for (const auto kind : kKinds) {
        SCOPED_TRACE(kindName(kind));
        const TempDir dir;
        writeFile(dir / "a.png", "earlier");
        {
            TemporaryFile dropped(dir / "a.png", kind);
            writeAll(dropped, "half");
        }
        EXPECT_EQ(listDirectory(dir.path()), std::vector<std::string>{ "a.png" });
        EXPECT_EQ(readFile(dir / "a.png"), "earlier");

        TemporaryFile file(dir / "a.png", kind);
        writeAll(file, "new picture");
        file.finishWriting();
        file.replaceTarget();
        EXPECT_EQ(readFile(dir / "a.png"), "new picture");
        EXPECT_EQ(listDirectory(dir.path()), std::vector<std::string>{ "a.png" });
    }
}

TEST(TemporaryFile, PassesOnOnlyTheReadAndWriteBitsOfWhatItReplaces)
{
    const UmaskSetting umask(027);
    const struct {
        std::optional<mode_t> earlier; // none: no file there
        mode_t expected;
    } cases[] = {
        { std::nullopt, 0640 }, // a new file: 0666 less the umask
        { 04755, 0644 },        { 02770, 0660 }, { 01666, 0666 }, { 0600, 0600 }, { 0444, 0444 },
    };
    for (const auto kind : kKinds) {
        for (const auto& [earlier, expected] : cases) {
            SCOPED_TRACE(std::string(kindName(kind)) + " " + std::to_string(earlier.value_or(0)));
            const TempDir dir;
            if (earlier) {
                writeFile(dir / "a.png", "earlier");
                ASSERT_EQ(::chmod((dir / "a.png").c_str(), *earlier), 0);
            }
            TemporaryFile file(dir / "a.png", kind);
            file.finishWriting();
            file.replaceTarget();
            EXPECT_EQ(modeOf(dir / "a.png"), S_IFREG | expected);
        }
    }
}

TEST(TemporaryFile, ReplacesASymbolicLinkWithoutTouchingWhatItPointsTo)
{
    const UmaskSetting umask(022);
    for (const auto kind : kKinds) {
        SCOPED_TRACE(kindName(kind));
        const TempDir dir;
        fs::create_directory(dir / "elsewhere");
        writeFile(dir / "elsewhere" / "program", "setuid program");
        ASSERT_EQ(::chmod((dir / "elsewhere" / "program").c_str(), 04755), 0);
        fs::create_symlink(dir / "elsewhere" / "program", dir / "a.png");
        TemporaryFile file(dir / "a.png", kind);
        writeAll(file, "picture");
        file.finishWriting();
        file.replaceTarget();
        EXPECT_EQ(modeOf(dir / "a.png"), S_IFREG | 0644);
        EXPECT_EQ(readFile(dir / "a.png"), "picture");
        EXPECT_EQ(modeOf(dir / "elsewhere" / "program"), S_IFREG | 04755);
        EXPECT_EQ(readFile(dir / "elsewhere" / "program"), "setuid program");
    }
}

TEST(TemporaryFile, ClaimsANameOnlyWhileItIsFree)
{
    for (const auto kind : kKinds) {
        SCOPED_TRACE(kindName(kind));
        const TempDir dir;
        writeFile(dir / "a.txt", "mine");
        fs::create_symlink("nowhere", dir / "b.txt");
        TemporaryFile file(dir / "a.txt", kind, kChartFilePrefix);
        writeAll(file, "chart");
        file.finishWriting();
        EXPECT_FALSE(file.claimName(dir / "a.txt"));
        EXPECT_FALSE(file.claimName(dir / "b.txt"));
        EXPECT_TRUE(file.claimName(dir / "c.txt"));
        EXPECT_EQ(readFile(dir / "a.txt"), "mine");
        EXPECT_EQ(fs::read_symlink(dir / "b.txt"), "nowhere");
        EXPECT_EQ(readFile(dir / "c.txt"), "chart");
        EXPECT_EQ(listDirectory(dir.path()),
                  (std::vector<std::string>{ "a.txt", "b.txt", "c.txt" }));
    }
}

void setAge(const fs::path& path, std::time_t seconds)
{
    const timespec times[2] = { { std::time(nullptr) - seconds, 0 },
                                { std::time(nullptr) - seconds, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST(TemporaryFile, RemovesOnlyItsOwnKindOfHiddenFileOlderThanADay)
{
    const TempDir dir;
    const struct {
        std::string name;
        std::time_t age;
        bool removed;
    } cases[] = {
        { ".beatplate-0123456789abcdef.tmp", 25 * 3600, true },
        { ".beatplate-fedcba9876543210.tmp", 23 * 3600, false }, // perhaps still being written
        { ".beatplate-0123456789ABCDEF.tmp", 25 * 3600, false },
        { ".beatplate-0123456789abcde.tmp", 25 * 3600, false },
        { ".beatplate-0123456789abcdef.tmp~", 25 * 3600, false },
        { ".chart-0123456789abcdef.tmp", 25 * 3600, false }, // beatplate-chart's
        { "beatplate-0123456789abcdef.tmp", 25 * 3600, false },
    };
    for (const auto& entry : cases) {
        writeFile(dir / entry.name, "left over");
        setAge(dir / entry.name, entry.age);
    }
    fs::create_symlink("a.png", dir / ".beatplate-aaaaaaaaaaaaaaaa.tmp");
    setAge(dir / ".beatplate-aaaaaaaaaaaaaaaa.tmp", 25 * 3600);
    const TemporaryFile file(dir / "a.png");
    for (const auto& entry : cases)
        EXPECT_EQ(fs::exists(dir / entry.name), !entry.removed) << entry.name;
    EXPECT_TRUE(fs::is_symlink(dir / ".beatplate-aaaaaaaaaaaaaaaa.tmp"));
}

// Opens named files from several threads at once in a child process, tells the parent through
// a pipe, and waits to be ended by a signal.
[[noreturn]] void holdNamedFilesUntilSignalled(const std::vector<fs::path>& targets, int readyFd)
{
    std::vector<std::future<TemporaryFile>> opening;
    for (const auto& target : targets) {
        opening.push_back(std::async(std::launch::async, [&target] {
            TemporaryFile file(target, TemporaryFileKind::Named);
            std::fputs("partial picture", file.stream());
            std::fflush(file.stream());
            return file;
        }));
    }
    std::vector<TemporaryFile> files;
    for (auto& future : opening)
        files.push_back(future.get());
    const char ready = files.size() == targets.size() ? 'r' : 'x';
    static_cast<void>(::write(readyFd, &ready, 1));
    for (;;)
        ::pause();
}

TEST(TemporaryFile, RemovesNamedFilesWhenASignalEndsTheProcess)
{
    for (const int signalNumber : { SIGINT, SIGTERM, SIGHUP }) {
        SCOPED_TRACE(strsignal(signalNumber));
        struct sigaction current { };
        ::sigaction(signalNumber, nullptr, &current);
        if (current.sa_handler == SIG_IGN)
            continue; // ignored by whoever started the tests, so it is left ignored
        const TempDir dir;
        std::vector<fs::path> targets;
        for (const auto* name : { "a/1.png", "a/2.png", "b/1.png", "b/2.png", "b/3.png" }) {
            fs::create_directories((dir / name).parent_path());
            targets.push_back(dir / name);
        }
        std::array<int, 2> ready{};
        ASSERT_EQ(::pipe(ready.data()), 0);
        const FileDescriptor readEnd(ready[0]);
        FileDescriptor writeEnd(ready[1]);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            holdNamedFilesUntilSignalled(targets, writeEnd.get());
        writeEnd.reset();
        char answer = 0;
        EXPECT_EQ(::read(readEnd.get(), &answer, 1), 1);
        EXPECT_EQ(answer, 'r');
        EXPECT_EQ(listDirectory(dir / "b").size(), 3u); // the files are there while written
        ::kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
        EXPECT_TRUE(listDirectory(dir / "a").empty());
        EXPECT_TRUE(listDirectory(dir / "b").empty());
    }
}

} // namespace
} // namespace beatplate
