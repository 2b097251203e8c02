#include "platform/staged_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace beatplate {
namespace {

using test::listDirectory;
using test::readFile;
using test::writeFile;
using Target = StagedFiles::Target;

void stage(StagedFiles& staged, const std::filesystem::path& target, std::string_view bytes)
{
    TemporaryFile file(target);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.stream()), bytes.size());
    file.finishWriting();
    staged.add(file);
}

TEST(StagedFiles, PutsTheFilesInPlaceOnlyAtTheEndAndRemovesThoseLeft)
{
    const test::TempDir dir;
    writeFile(dir / "b.png", "old b");
    writeFile(dir / "c.png", "old c");
    {
        StagedFiles staged(dir.path());
        stage(staged, dir / "a.png", "new a");
        stage(staged, dir / "b.png", "new b");
        // Each waits under a hidden name, closed, until all are put in place.
        EXPECT_EQ(listDirectory(dir.path()).size(), 4u);
        EXPECT_EQ(readFile(dir / "b.png"), "old b");
        stage(staged, dir / "c.png", "new c");
        // c.png was to be absent: the file that came there meanwhile is not replaced.
        const std::vector targets{ Target::Absent, Target::Replaced, Target::Absent };
        try {
            staged.placeAll(targets);
            ADD_FAILURE() << "c.png was replaced";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), EEXIST);
        }
        EXPECT_EQ(staged.placed(), 2u);
        EXPECT_EQ(staged.target(2), dir / "c.png");
    }
    EXPECT_EQ(listDirectory(dir.path()), (std::vector<std::string>{ "a.png", "b.png", "c.png" }));
    EXPECT_EQ(readFile(dir / "a.png") + readFile(dir / "b.png") + readFile(dir / "c.png"),
              "new anew bold c");
}

} // namespace
} // namespace beatplate
