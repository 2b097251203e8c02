#include "pipeline/pipeline_error.h"

#include "cli/console.h"
#include "cli/messages.h"

#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

namespace beatplate {

namespace {

constexpr const char* kOutOfMemoryMessage = "メモリが足りなくて画像を作れません。";
constexpr const char* kPngOutOfMemoryMessage = "メモリが足りなくてpngを作れません。";
constexpr const char* kEmptyPictureMessage = "画像が空なのでpngにできません。";
constexpr const char* kTooTallMessage = "画像が縦に長すぎてpngにできません。";
constexpr const char* kTooWideMessage = "画像が横に長すぎてpngにできません。";
constexpr const char* kStoppedMessage = "the picture was stopped before it was finished";

// What a failed output of one kind says.
struct OutputWords {
    const char* unopenable;
    const char* writeFailed;
    const char* diskFull;
    const char* tooLong;
};

constexpr OutputWords kPictureWords{ "出力がなぜかできません。　pngファイル開いてない？",
                                     kWriteFailedMessage,
                                     "pngファイルを書ききれません。　ディスクがいっぱいかも？",
                                     "譜面が長すぎてpngに入りません。" };
constexpr OutputWords kSoundWords{ "出力がなぜかできません。　wavファイル開いてない？",
                                   "wavファイルの書き込みに失敗しました。",
                                   "wavファイルを書ききれません。　ディスクがいっぱいかも？",
                                   "譜面が長すぎてwavにできません。" };

} // namespace

static const char* messageOf(OutputErrorKind kind, const OutputWords& words)
{
    switch (kind) {
    case OutputErrorKind::Unopenable:
        return words.unopenable;
    case OutputErrorKind::WriteFailed:
        return words.writeFailed;
    case OutputErrorKind::DiskFull:
        return words.diskFull;
    case OutputErrorKind::OutOfMemory:
        return kPngOutOfMemoryMessage;
    case OutputErrorKind::EmptyPicture:
        return kEmptyPictureMessage;
    case OutputErrorKind::TooTall:
        return kTooTallMessage;
    case OutputErrorKind::TooWide:
        return kTooWideMessage;
    case OutputErrorKind::SourceTooLong:
    case OutputErrorKind::SoundTooLong:
        return words.tooLong;
    case OutputErrorKind::Stopped:
        return kStoppedMessage;
    }
    return words.writeFailed;
}

// What failed where, as the system told: "output PATH: REASON" or "standard output: REASON".
static std::string detailOf(const OutputError& error)
{
    if (error.kind == OutputErrorKind::SoundTooLong)
        return "its sound lasts " + std::to_string(error.soundSeconds)
            + " s, more than a WAV file holds";
    if (error.errorNumber == 0)
        return {};
    switch (error.destination) {
    case OutputDestination::File:
        if (error.partsPlaced > 0)
            return outputFailureDetail(error.file.string(), error.errorNumber) + "; the "
                + std::to_string(error.partsPlaced)
                + " parts before it were put in place, it and the parts after it were left as "
                  "they were";
        return outputFailureDetail(error.file.string(), error.errorNumber);
    case OutputDestination::StandardOutput:
        return "standard output: " + std::generic_category().message(error.errorNumber);
    case OutputDestination::Memory:
        break;
    }
    return {};
}

static PipelineError outputErrorOf(const OutputError& error, const OutputWords& words)
{
    const PipelineErrorKind kind = error.kind == OutputErrorKind::Stopped
        ? PipelineErrorKind::Stopped
        : PipelineErrorKind::OutputFailed;
    return { kind, messageOf(error.kind, words), detailOf(error) };
}

PipelineError pictureErrorOf(const OutputError& error)
{
    return outputErrorOf(error, kPictureWords);
}

PipelineError soundErrorOf(const OutputError& error)
{
    return outputErrorOf(error, kSoundWords);
}

PipelineError pictureErrorOf(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return { PipelineErrorKind::OutOfMemory, kOutOfMemoryMessage };
    if (dynamic_cast<const std::length_error*>(&error) != nullptr)
        return { PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage };
    return { PipelineErrorKind::OutputFailed,
             "画像を作れませんでした: " + std::string(error.what()) };
}

} // namespace beatplate
