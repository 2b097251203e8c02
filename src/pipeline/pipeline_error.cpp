#include "pipeline/pipeline_error.h"

#include "output/png_writer.h"

#include <new>
#include <stdexcept>

namespace beatplate {

namespace {

constexpr const char* kOutOfMemoryMessage = "メモリが足りなくて画像を作れません。";

} // namespace

bool PipelineError::isChartError() const
{
    return kind == PipelineErrorKind::ChartTooLong || kind == PipelineErrorKind::ChartEncoding
        || kind == PipelineErrorKind::ChartError;
}

PipelineError chartErrorOf(const ChartDiagnostic& diagnostic)
{
    const auto kind = diagnostic.kind == ChartErrorKind::TooLong ? PipelineErrorKind::ChartTooLong
        : diagnostic.kind == ChartErrorKind::Encoding            ? PipelineErrorKind::ChartEncoding
                                                                 : PipelineErrorKind::ChartError;
    return { kind, diagnostic.message, diagnostic, {}, {} };
}

PipelineError pictureErrorOf(const std::exception& error)
{
    if (const auto* writeError = dynamic_cast<const PngWriteError*>(&error))
        return {
            PipelineErrorKind::OutputFailed, error.what(), std::nullopt, {}, writeError->detail()
        };
    if (dynamic_cast<const PngEncodingStopped*>(&error) != nullptr)
        return { PipelineErrorKind::Stopped, error.what(), std::nullopt, {}, {} };
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return { PipelineErrorKind::OutOfMemory, kOutOfMemoryMessage, std::nullopt, {}, {} };
    if (dynamic_cast<const std::length_error*>(&error) != nullptr)
        return {
            PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage, std::nullopt, {}, {}
        };
    return { PipelineErrorKind::OutputFailed,
             "画像を作れませんでした: " + std::string(error.what()),
             std::nullopt,
             {},
             {} };
}

} // namespace beatplate
