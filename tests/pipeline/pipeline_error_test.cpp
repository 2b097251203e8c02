#include "output/png_writer.h"
#include "pipeline/pipeline_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <new>
#include <stdexcept>

namespace beatplate {
namespace {

TEST(PipelineError, WordsEachFailureToWriteAPictureWithWhatFailedWhere)
{
    using Kind = OutputErrorKind;
    const struct {
        OutputError error;
        const char* message;
        const char* reason;
    } cases[] = {
        { { Kind::Unopenable, EACCES, OutputDestination::File, "pics/a.png" },
          "出力がなぜかできません。　pngファイル開いてない？",
          "output pics/a.png: Permission denied" },
        { { Kind::WriteFailed, EIO, OutputDestination::StandardOutput, {} },
          "pngファイルの書き込みに失敗しました。",
          "standard output: Input/output error" },
        { { Kind::DiskFull, ENOSPC, OutputDestination::File, "a.png" },
          "pngファイルを書ききれません。　ディスクがいっぱいかも？",
          "output a.png: No space left on device" },
        { { Kind::WriteFailed, EIO, OutputDestination::Memory, {} },
          "pngファイルの書き込みに失敗しました。",
          "" },
        { { Kind::OutOfMemory, 0, OutputDestination::Memory, {} },
          "メモリが足りなくてpngを作れません。",
          "" },
        { { Kind::EmptyPicture, 0, OutputDestination::Memory, {} },
          "画像が空なのでpngにできません。",
          "" },
        { { Kind::TooTall, 0, OutputDestination::Memory, {} },
          "画像が縦に長すぎてpngにできません。",
          "" },
        { { Kind::TooWide, 0, OutputDestination::Memory, {} },
          "画像が横に長すぎてpngにできません。",
          "" },
        { { Kind::SourceTooLong, 0, OutputDestination::File, "a.png" },
          "譜面が長すぎてpngに入りません。",
          "" },
    };
    for (const auto& [error, message, reason] : cases) {
        SCOPED_TRACE(message);
        const PipelineError value = pictureErrorOf(error);
        EXPECT_EQ(value.kind, PipelineErrorKind::OutputFailed);
        EXPECT_EQ(value.message, message);
        EXPECT_EQ(value.reason, reason);
    }
}

TEST(PipelineError, TellsAPictureStoppedAsAskedFromOneThatFailed)
{
    const PipelineError stopped =
        pictureErrorOf({ OutputErrorKind::Stopped, 0, OutputDestination::Memory, {} });
    EXPECT_EQ(stopped.kind, PipelineErrorKind::Stopped);
    EXPECT_FALSE(stopped.message.empty());
    EXPECT_EQ(
        pictureErrorOf({ OutputErrorKind::WriteFailed, 0, OutputDestination::Memory, {} }).kind,
        PipelineErrorKind::OutputFailed);
}

TEST(PipelineError, GivesEachPictureFailureItsKindAndOneClearLine)
{
    const struct {
        std::function<void()> fail;
        PipelineErrorKind kind;
        const char* message;
    } cases[] = {
        { [] { throw std::bad_alloc(); }, PipelineErrorKind::OutOfMemory,
          "メモリが足りなくて画像を作れません。" },
        { [] { throw std::length_error("canvas too large"); }, PipelineErrorKind::PictureTooLarge,
          "画像が大きすぎて作れません。" },
        { [] { throw std::runtime_error("font missing"); }, PipelineErrorKind::OutputFailed,
          "画像を作れませんでした: font missing" },
    };
    for (const auto& [fail, kind, message] : cases) {
        SCOPED_TRACE(message);
        try {
            fail();
        } catch (const std::exception& error) {
            const PipelineError value = pictureErrorOf(error);
            EXPECT_EQ(value.kind, kind);
            EXPECT_EQ(value.message, message);
        }
    }
}

} // namespace
} // namespace beatplate
