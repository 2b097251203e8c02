#include "driver/part_files.h"
#include "support/png_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

using Target = StagedFiles::Target;

// Only a picture of ours labelled with the part's number is replaced by that part.
TEST(PartFiles, TakesForOneOfOurPartsOnlyAPictureWithTheChartAndTheLabelOfItsNumber)
{
    const test::TempDir dir;
    const std::string chart = test::chartChunkData(u"oooo\n");
    const auto picture = [&](std::vector<test::TestChunk> chunks) {
        return test::makeTestPng(chunks);
    };
    const struct {
        const char* name;
        std::optional<std::string> file; // at song-2.png; none: nothing there
        std::optional<Target> target; // none: not ours
    } cases[] = {
        { "nothing there", std::nullopt, Target::Absent },
        { "part 2", picture({ { "bpLt", chart }, { "bpPt", "2/3" } }), Target::Replaced },
        { "part 1", picture({ { "bpLt", chart }, { "bpPt", "1/3" } }), std::nullopt },
        { "a label of part 02", picture({ { "bpLt", chart }, { "bpPt", "02/3" } }), std::nullopt },
        { "a label past its count", picture({ { "bpLt", chart }, { "bpPt", "2/1" } }),
          std::nullopt },
        { "a whole picture", picture({ { "bpLt", chart } }), std::nullopt },
        { "a label without a chart", picture({ { "bpPt", "2/3" } }), std::nullopt },
        { "a label after the image", picture({ { "bpLt", chart }, { "bpPt", "2/3", true } }),
          std::nullopt },
        { "a chart", "oooo\n", std::nullopt },
    };
    for (const auto& [name, file, target] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::remove(dir / "song-2.png");
        if (file)
            test::writeFile(dir / "song-2.png", *file);
        const std::vector<std::filesystem::path> paths{ dir / "song-1.png", dir / "song-2.png" };
        const PartTargets found = examinePartTargets(paths);
        EXPECT_EQ(found.other, target ? std::nullopt : std::optional(paths[1]));
        if (target) {
            EXPECT_EQ(found.targets, (std::vector{ Target::Absent, *target }));
        }
    }
}

} // namespace
} // namespace beatplate
