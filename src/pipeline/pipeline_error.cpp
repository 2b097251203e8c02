#include "pipeline/pipeline_error.h"

#include "output/png_writer.h"

#include <new>
#include <stdexcept>

namespace beatplate {

namespace {

constexpr const char* kOutOfMemoryMessage = "メモリが足りなくて画像を作れません。";

} // namespace

PipelineError pictureErrorOf(const std::exception& error)
{
    if (const auto* writeError = dynamic_cast<const PngWriteError*>(&error))
        return { PipelineErrorKind::OutputFailed, error.what(), writeError->detail() };
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return { PipelineErrorKind::OutOfMemory, kOutOfMemoryMessage };
    if (dynamic_cast<const std::length_error*>(&error) != nullptr)
        return { PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage };
    return { PipelineErrorKind::OutputFailed,
             "画像を作れませんでした: " + std::string(error.what()) };
}

} // namespace beatplate
