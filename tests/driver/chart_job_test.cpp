#include "driver/chart_job.h"
#include "output/png_writer.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace beatplate {
namespace {

TEST(ChartJob, ReportsEachPictureFailureInOneClearLine)
{
    EXPECT_EQ(
        pictureFailureMessage(PngWriteError("出力がなぜかできません。　pngファイル開いてない？")),
        "出力がなぜかできません。　pngファイル開いてない？");
    EXPECT_EQ(pictureFailureMessage(std::bad_alloc()), "メモリが足りなくて画像を作れません。");
    EXPECT_EQ(pictureFailureMessage(std::length_error("canvas too large")),
              "画像が大きすぎて作れません。");
    EXPECT_EQ(pictureFailureMessage(std::runtime_error("font missing")),
              "画像を作れませんでした: font missing");
}

} // namespace
} // namespace beatplate
