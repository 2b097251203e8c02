#include "load/sprite_sheet_choice.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace beatplate {
namespace {

TEST(SpriteSheetChoice, LooksForTheSpriteSheetBesideTheExecutable)
{
    struct Case {
        std::optional<std::filesystem::path> executable;
        std::string argv0;
        std::string expected;
    };
    const std::vector<Case> cases{
        { "/opt/beatplate/bin/beatplate", "beatplate", "/opt/beatplate/bin/pic.png" },
        { "/opt/beatplate/beatplate", "/somewhere/else/beatplate", "/opt/beatplate/pic.png" },
        { "/tmp/譜面/beatplate", "x", "/tmp/譜面/pic.png" },
        { std::nullopt, "/usr/local/bin/beatplate", "/usr/local/bin/pic.png" },
        { std::nullopt, "./beatplate", "./pic.png" },
        { std::nullopt, "build/beatplate", "build/pic.png" },
        { std::nullopt, "/beatplate", "/pic.png" },
        { std::nullopt, "beatplate", "pic.png" },
        { std::nullopt, "tools\\beatplate", "pic.png" }, // only "/" separates on Linux
        { std::nullopt, "", "pic.png" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argv0);
        EXPECT_EQ(spriteSheetPathFor(c.executable, c.argv0).string(), c.expected);
    }
}

TEST(SpriteSheetChoice, LooksForAnInstalledSheetAfterTheOneBesideTheExecutable)
{
    struct Case {
        std::optional<std::filesystem::path> executable;
        std::string argv0;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        { "/usr/bin/beatplate",
          "beatplate",
          { "/usr/bin/pic.png", "/usr/bin/../share/beatplate/pic.png" } },
        { "/beatplate", "beatplate", { "/pic.png", "/../share/beatplate/pic.png" } },
        { std::nullopt,
          "build/beatplate",
          { "build/pic.png", "build/../share/beatplate/pic.png" } },
        { std::nullopt, "beatplate", { "pic.png" } }, // the directory is not known
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argv0);
        std::vector<std::string> candidates;
        for (const auto& path : spriteSheetCandidatesFor(c.executable, c.argv0))
            candidates.push_back(path.string());
        EXPECT_EQ(candidates, c.expected);
    }
}

TEST(SpriteSheetChoice, TakesTheFirstSpriteSheetThatIsAFile)
{
    const test::TempDir dir;
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::create_directories(dir / "share/beatplate");
    const auto beside = dir / "bin/pic.png";
    const auto installed = dir / "share/beatplate/pic.png";
    const std::vector<std::filesystem::path> candidates{ beside,
                                                         dir / "bin/../share/beatplate/pic.png" };

    EXPECT_EQ(findSpriteSheet(candidates), std::nullopt); // neither exists: the built-in sheet
    test::writeFile(installed, "sheet");
    EXPECT_EQ(findSpriteSheet(candidates), candidates[1]);
    std::filesystem::create_directory(beside); // a directory is no sheet
    EXPECT_EQ(findSpriteSheet(candidates), candidates[1]);
    std::filesystem::remove(beside);
    ASSERT_EQ(::mkfifo(beside.c_str(), 0600), 0); // nor is a FIFO, which would never end
    EXPECT_EQ(findSpriteSheet(candidates), candidates[1]);
    std::filesystem::remove(beside);
    test::writeFile(beside, "sheet");
    EXPECT_EQ(findSpriteSheet(candidates), beside);
}

} // namespace
} // namespace beatplate
