#include "output/png_writer.h"

#include "base/text_codec.h"
#include "cli/console.h"
#include "cli/messages.h"
#include "output/banded_png_encoder.h"
#include "platform/files.h"
#include "platform/terminal.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace beatplate {

namespace {

constexpr const char* kOutputOpenFailedMessage =
    "出力がなぜかできません。　pngファイル開いてない？";
constexpr const char* kDiskFullMessage = "pngファイルを書ききれません。　ディスクがいっぱいかも？";
constexpr const char* kOutOfMemoryMessage = "メモリが足りなくてpngを作れません。";
constexpr const char* kEmptyCanvasMessage = "画像が空なのでpngにできません。";
constexpr const char* kTooTallMessage = "画像が縦に長すぎてpngにできません。";
constexpr const char* kTooWideMessage = "画像が横に長すぎてpngにできません。";
constexpr const char* kSourceTooLongMessage = "譜面が長すぎてpngに入りません。";

} // namespace

static const char* messageForError(int error, const char* otherwise)
{
    return meansDiskFull(error) ? kDiskFullMessage : otherwise;
}

PngSink PngSink::descriptor(int fd)
{
    PngSink sink;
    sink.m_descriptor = fd;
    return sink;
}

void PngSink::start()
{
    if (m_file == nullptr || m_stream != nullptr)
        return;
    try {
        m_stream = m_file->stream();
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForError(error.code().value(), kWriteFailedMessage),
                            failureDetail(error.code().value()));
    }
}

std::string PngSink::failureDetail(int errorNumber) const
{
    if (m_file != nullptr)
        return outputFailureDetail(m_file->target().string(), errorNumber);
    if (m_descriptor >= 0)
        return "standard output: " + std::generic_category().message(errorNumber);
    return {};
}

bool PngSink::write(std::span<const std::uint8_t> bytes) noexcept
{
    if (m_stream != nullptr) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_stream) == bytes.size())
            return true;
        m_error = errno != 0 ? errno : EIO;
        return false;
    }
    try {
        auto& bytesHeld = m_memory != nullptr ? *m_memory : m_held;
        bytesHeld.insert(bytesHeld.end(), bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        m_error = ENOMEM;
        return false;
    }
    return true;
}

// 0 when every byte was written, else the reason.
static int writeWhole(int fd, std::span<const std::uint8_t> bytes)
{
    errno = 0;
    if (writeAll(fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())))
        return 0;
    return errno != 0 ? errno : EIO;
}

void PngSink::finish()
{
    if (m_descriptor >= 0) {
        if (const int error = writeWhole(m_descriptor, m_held); error != 0)
            throw PngWriteError(messageForError(error, kWriteFailedMessage), failureDetail(error));
        std::vector<std::uint8_t>().swap(m_held);
    }
    if (m_file == nullptr)
        return;
    try {
        m_file->finishWriting();
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForError(error.code().value(), kWriteFailedMessage),
                            failureDetail(error.code().value()));
    }
    if (m_placement == Placement::Part)
        return;
    try {
        m_file->replaceTarget();
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForError(error.code().value(), kOutputOpenFailedMessage),
                            failureDetail(error.code().value()));
    }
}

SourceChunk makeSourceChunk(std::u16string_view sourceText)
{
    if (sourceText.size() > (PNG_UINT_31_MAX - 2) / 2)
        throw PngWriteError(kSourceTooLongMessage);
    std::vector<std::uint8_t> chunkData;
    try {
        chunkData = encodeChartChunk(sourceText);
    } catch (const std::bad_alloc&) {
        throw PngWriteError(kOutOfMemoryMessage);
    }
    if (chunkData.size() > PNG_UINT_31_MAX)
        throw PngWriteError(kSourceTooLongMessage);
    return { std::move(chunkData), {} };
}

static void checkPictureSize(int width, int height, const PngWriteOptions& options)
{
    if (width <= 0 || height <= 0)
        throw PngWriteError(kEmptyCanvasMessage);
    if (static_cast<std::uint32_t>(height) > options.maxHeight)
        throw PngWriteError(kTooTallMessage);
    if (static_cast<std::uint32_t>(width) > PNG_USER_WIDTH_MAX)
        throw PngWriteError(kTooWideMessage);
}

void writeChartPng(const BandedPicture& picture, SourceChunk chunk, PngSink& sink,
                   const PngWriteOptions& options)
{
    checkPictureSize(picture.width, picture.height, options);
    PngWriteOptions bandOptions = options;
    if (picture.bandRows > 0)
        bandOptions.bandRows = picture.bandRows;
    const BandedPngEncoder encoder(picture.width, picture.height, bandOptions);
    sink.start();
    const auto write = [&sink](std::span<const std::uint8_t> bytes) { return sink.write(bytes); };
    bool written = false;
    try {
        written = encoder.writeHeader(chunk.data, write, chunk.partLabel);
        // Written out, the chart text takes no room while the picture is drawn.
        std::vector<std::uint8_t>().swap(chunk.data);
        written = written && encoder.writeImage(picture.rows, write);
    } catch (const std::bad_alloc&) {
        throw PngWriteError(kOutOfMemoryMessage);
    }
    if (!written && sink.error() == ENOMEM)
        throw PngWriteError(kOutOfMemoryMessage);
    // Only a write that the system refused has a reason to add.
    if (!written)
        throw PngWriteError(messageForError(sink.error(), kWriteFailedMessage),
                            sink.error() != 0 ? sink.failureDetail(sink.error()) : "");
    sink.finish();
}

// An existing output that we may not write, or a directory, is not ours to replace; a symbolic
// link is replaced itself, so what it points to is never looked at.
static void checkOutputReplaceable(const std::filesystem::path& outputPath,
                                   const char* openFailedMessage)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(outputPath, error);
    if (!std::filesystem::exists(status) || std::filesystem::is_symlink(status))
        return;
    if (std::filesystem::is_directory(status))
        throw PngWriteError(openFailedMessage, outputFailureDetail(outputPath.string(), EISDIR));
    errno = 0;
    if (!mayWrite(outputPath))
        throw PngWriteError(openFailedMessage,
                            outputFailureDetail(outputPath.string(), errno != 0 ? errno : EACCES));
}

TemporaryFile openOutputFile(const std::filesystem::path& outputPath,
                             const OutputMessages& messages)
{
    checkOutputReplaceable(outputPath, messages.openFailed);
    try {
        return TemporaryFile(outputPath);
    } catch (const std::system_error& error) {
        const int reason = error.code().value();
        throw PngWriteError(meansDiskFull(reason) ? messages.diskFull : messages.openFailed,
                            outputFailureDetail(outputPath.string(), reason));
    }
}

TemporaryFile openPngOutput(const std::filesystem::path& outputPath)
{
    return openOutputFile(outputPath, { kOutputOpenFailedMessage, kDiskFullMessage });
}

StagedFiles openPngParts(const std::filesystem::path& picturePath)
{
    try {
        return StagedFiles(picturePath.parent_path());
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForError(error.code().value(), kOutputOpenFailedMessage),
                            outputFailureDetail(picturePath.string(), error.code().value()));
    }
}

void stagePngPart(StagedFiles& parts, TemporaryFile& file)
{
    try {
        parts.add(file);
    } catch (const std::system_error& error) {
        throw PngWriteError(messageForError(error.code().value(), kWriteFailedMessage),
                            outputFailureDetail(file.target().string(), error.code().value()));
    }
}

void placePngParts(StagedFiles& parts, std::span<const StagedFiles::Target> targets)
{
    try {
        parts.placeAll(targets);
    } catch (const std::system_error& error) {
        std::string detail =
            outputFailureDetail(parts.target(parts.placed()).string(), error.code().value());
        if (parts.placed() > 0)
            detail += "; the " + std::to_string(parts.placed())
                + " parts before it were put in "
                  "place, it and the parts after it were left as they were";
        throw PngWriteError(messageForError(error.code().value(), kOutputOpenFailedMessage),
                            detail);
    }
}

} // namespace beatplate
