#include "platform/files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <unistd.h>

namespace beatplate {
namespace {

namespace fs = std::filesystem;

TEST(Files, TellsWhatAPathNamesWithOrWithoutFollowingLinks)
{
    const test::TempDir dir;
    test::writeFile(dir / "chart.txt", "oooo\n");
    fs::create_directory(dir / "sub");
    fs::create_symlink(dir / "chart.txt", dir / "link.txt");
    fs::create_symlink(dir / "missing.txt", dir / "dangling.txt");
    struct Case {
        const char* name;
        LinkHandling links;
        std::optional<FileKind> kind;
        std::uint64_t size;
    };
    const std::array cases{
        Case{ "chart.txt", LinkHandling::NoFollow, FileKind::Regular, 5 },
        Case{ "sub", LinkHandling::Follow, FileKind::Directory, 0 },
        Case{ "link.txt", LinkHandling::Follow, FileKind::Regular, 5 },
        Case{ "link.txt", LinkHandling::NoFollow, FileKind::Other, 0 },
        Case{ "dangling.txt", LinkHandling::Follow, std::nullopt, 0 },
        Case{ "dangling.txt", LinkHandling::NoFollow, FileKind::Other, 0 },
        Case{ "missing.txt", LinkHandling::NoFollow, std::nullopt, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        errno = 0;
        const auto status = fileStatusOf(dir / c.name, c.links);
        ASSERT_EQ(status.has_value(), c.kind.has_value());
        if (!status) {
            EXPECT_EQ(errno, ENOENT);
            continue;
        }
        EXPECT_EQ(status->kind, *c.kind);
        if (c.kind == FileKind::Regular) {
            EXPECT_EQ(status->size, c.size);
        }
    }
    EXPECT_FALSE(openForReading(dir / "link.txt", LinkHandling::NoFollow).valid());
    const FileDescriptor file = openForReading(dir / "link.txt");
    ASSERT_TRUE(file.valid());
    EXPECT_TRUE(isRegularFile(file.get()));
    EXPECT_FALSE(isDirectory(file.get()));
}

TEST(Files, CountsTheBytesLeftOnlyInARegularFile)
{
    const test::TempDir dir;
    test::writeFile(dir / "ten.bin", "0123456789");
    const FileDescriptor file = openForReading(dir / "ten.bin");
    std::array<char, 3> buffer{};
    ASSERT_EQ(readSome(file.get(), buffer.data(), buffer.size()), 3);
    EXPECT_EQ(bytesLeftIn(file.get()), 7u);
    std::array<int, 2> pipe{};
    ASSERT_EQ(::pipe(pipe.data()), 0);
    const FileDescriptor readEnd(pipe[0]);
    const FileDescriptor writeEnd(pipe[1]);
    EXPECT_EQ(bytesLeftIn(readEnd.get()), std::nullopt);
    EXPECT_FALSE(isRegularFile(readEnd.get()));
}

TEST(Files, KnowsOneFileUnderEveryName)
{
    const test::TempDir dir;
    test::writeFile(dir / "a.txt", "a");
    test::writeFile(dir / "b.txt", "a");
    fs::create_hard_link(dir / "a.txt", dir / "hard.txt");
    fs::create_symlink(dir / "a.txt", dir / "soft.txt");
    const auto a = fileIdentityOf(dir / "a.txt");
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(fileIdentityOf(dir / "hard.txt"), a);
    EXPECT_EQ(fileIdentityOf(dir / "soft.txt"), a);
    EXPECT_NE(fileIdentityOf(dir / "b.txt"), a);
    EXPECT_EQ(fileIdentityOf(dir / "missing.txt"), std::nullopt);
}

} // namespace
} // namespace beatplate
