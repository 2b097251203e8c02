#include "cli/console.h"
#include "pipeline/picture_sources.h"
#include "pipeline/thread_picture_tools.h"
#include "platform/file_descriptor.h"
#include "platform/terminal.h"
#include "support/png_file.h"
#include "support/temp_dir.h"
#include "support/test_sheet.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace beatplate {
namespace {

TEST(PictureSources, LoadsNothingBeforeAPictureAndReportsAnUnreadableSheetOnce)
{
    test::TempDir dir;
    test::writeFile(dir / "pic.png", "not a picture");
    const FileDescriptor messages(::open((dir / "messages").c_str(), O_WRONLY | O_CREAT, 0600));
    Console console(messages.get());
    PictureSources sources({ dir / "pic.png", {} }, { test::kIpaGothicFile, std::nullopt },
                           console);
    ThreadPictureTools first(sources);
    ThreadPictureTools second(sources);
    EXPECT_FALSE(console.needsReading());
    for (ThreadPictureTools* thread : { &first, &second, &first }) {
        const PictureTools tools = thread->tools();
        EXPECT_EQ(tools.spriteSheet, nullptr);
        EXPECT_EQ(tools.headerFont, nullptr); // not opened without a sheet to draw with
    }
    EXPECT_EQ(test::readFile(dir / "messages"),
              "スプライトシートを読み込めません。 (" + (dir / "pic.png").string() + ")\n");
}

TEST(PictureSources, GivesTheFaceItWasHandedToTheFirstThreadAndOpensOneForEachOther)
{
    auto face = HeaderFont::fromFile(test::kIpaGothicFile);
    if (!face)
        GTEST_SKIP() << "IPAGothic is not installed";
    const auto sheet = test::encodeCanvasPng(test::makeTestSheet());
    Console console(kStandardError);
    PictureSources sources({ std::nullopt, sheet }, { test::kIpaGothicFile, std::nullopt }, console,
                           std::move(face));
    ThreadPictureTools first(sources);
    ThreadPictureTools second(sources);
    const PictureTools firstTools = first.tools();
    ASSERT_NE(firstTools.spriteSheet, nullptr);
    EXPECT_EQ(*firstTools.spriteSheet, test::makeTestSheet());
    ASSERT_NE(firstTools.headerFont, nullptr);
    EXPECT_FALSE(sources.takeOpenedFace()); // taken, not opened again
    const PictureTools secondTools = second.tools();
    EXPECT_EQ(secondTools.spriteSheet, firstTools.spriteSheet);
    ASSERT_NE(secondTools.headerFont, nullptr);
    EXPECT_NE(secondTools.headerFont, firstTools.headerFont);
    EXPECT_EQ(secondTools.headerFont->file(), test::kIpaGothicFile);
}

} // namespace
} // namespace beatplate
