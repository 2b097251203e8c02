#include "pipeline/pipeline_error.h"

#include "cli/console.h"
#include "cli/messages.h"

#include <new>
#include <stdexcept>
#include <system_error>

namespace beatplate {

namespace {

constexpr const char* kOutOfMemoryMessage = "メモリが足りなくて画像を作れません。";
constexpr const char* kOutputUnopenableMessage =
    "出力がなぜかできません。　pngファイル開いてない？";
constexpr const char* kDiskFullMessage = "pngファイルを書ききれません。　ディスクがいっぱいかも？";
constexpr const char* kPngOutOfMemoryMessage = "メモリが足りなくてpngを作れません。";
constexpr const char* kEmptyPictureMessage = "画像が空なのでpngにできません。";
constexpr const char* kTooTallMessage = "画像が縦に長すぎてpngにできません。";
constexpr const char* kTooWideMessage = "画像が横に長すぎてpngにできません。";
constexpr const char* kSourceTooLongMessage = "譜面が長すぎてpngに入りません。";

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

static const char* messageOf(PngWriteErrorKind kind)
{
    switch (kind) {
    case PngWriteErrorKind::OutputUnopenable:
        return kOutputUnopenableMessage;
    case PngWriteErrorKind::WriteFailed:
        return kWriteFailedMessage;
    case PngWriteErrorKind::DiskFull:
        return kDiskFullMessage;
    case PngWriteErrorKind::OutOfMemory:
        return kPngOutOfMemoryMessage;
    case PngWriteErrorKind::EmptyPicture:
        return kEmptyPictureMessage;
    case PngWriteErrorKind::TooTall:
        return kTooTallMessage;
    case PngWriteErrorKind::TooWide:
        return kTooWideMessage;
    case PngWriteErrorKind::SourceTooLong:
        return kSourceTooLongMessage;
    }
    return kWriteFailedMessage;
}

// What failed where, as the system told: "output PATH: REASON" or "standard output: REASON".
static std::string detailOf(const PngWriteError& error)
{
    if (error.errorNumber == 0)
        return {};
    switch (error.destination) {
    case PngDestination::File:
        return outputFailureDetail(error.file.string(), error.errorNumber);
    case PngDestination::StandardOutput:
        return "standard output: " + std::generic_category().message(error.errorNumber);
    case PngDestination::Memory:
        break;
    }
    return {};
}

PipelineError pictureErrorOf(const PngWriteError& error)
{
    return {
        PipelineErrorKind::OutputFailed, messageOf(error.kind), std::nullopt, {}, detailOf(error)
    };
}

PipelineError pictureErrorOf(const std::exception& error)
{
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
