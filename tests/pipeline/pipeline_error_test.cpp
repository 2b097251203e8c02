#include "output/png_writer.h"
#include "pipeline/pipeline_error.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace beatplate {
namespace {

TEST(PipelineError, GivesEachPictureFailureItsKindAndOneClearLine)
{
    const struct {
        std::function<void()> fail;
        PipelineErrorKind kind;
        const char* message;
    } cases[] = {
        { [] { throw PngWriteError("出力がなぜかできません。　pngファイル開いてない？"); },
          PipelineErrorKind::OutputFailed, "出力がなぜかできません。　pngファイル開いてない？" },
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
