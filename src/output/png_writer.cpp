#include "output/png_writer.h"

#include "base/text_codec.h"
#include "output/banded_png_encoder.h"
#include "platform/files.h"
#include "platform/terminal.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace beatplate {

static PngWriteError errorOf(PngWriteErrorKind kind)
{
    return { kind, 0, PngDestination::Memory, {} };
}

static PngWriteErrorKind kindOf(int errorNumber, PngWriteErrorKind otherwise)
{
    return meansDiskFull(errorNumber) ? PngWriteErrorKind::DiskFull : otherwise;
}

PngSink PngSink::descriptor(int fd)
{
    PngSink sink;
    sink.m_descriptor = fd;
    return sink;
}

std::optional<PngWriteError> PngSink::start()
{
    if (m_file == nullptr || m_stream != nullptr)
        return std::nullopt;
    try {
        m_stream = m_file->stream();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), PngWriteErrorKind::WriteFailed);
    }
    return std::nullopt;
}

PngWriteError PngSink::failure(int errorNumber, PngWriteErrorKind otherwise) const
{
    PngWriteError error{ kindOf(errorNumber, otherwise), errorNumber, PngDestination::Memory, {} };
    if (m_file != nullptr) {
        error.destination = PngDestination::File;
        error.file = m_file->target();
    } else if (m_descriptor >= 0) {
        error.destination = PngDestination::StandardOutput;
    }
    return error;
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

std::optional<PngWriteError> PngSink::finish()
{
    if (m_descriptor >= 0) {
        if (const int error = writeWhole(m_descriptor, m_held); error != 0)
            return failure(error, PngWriteErrorKind::WriteFailed);
        std::vector<std::uint8_t>().swap(m_held);
    }
    if (m_file == nullptr)
        return std::nullopt;
    try {
        m_file->finishWriting();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), PngWriteErrorKind::WriteFailed);
    }
    try {
        m_file->replaceTarget();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), PngWriteErrorKind::OutputUnopenable);
    }
    return std::nullopt;
}

SourceChunk makeSourceChunk(std::u16string_view sourceText)
{
    if (sourceText.size() > (PNG_UINT_31_MAX - 2) / 2)
        return { {}, errorOf(PngWriteErrorKind::SourceTooLong) };
    SourceChunk chunk;
    try {
        chunk.data = encodeChartChunk(sourceText);
    } catch (const std::bad_alloc&) {
        return { {}, errorOf(PngWriteErrorKind::OutOfMemory) };
    }
    if (chunk.data.size() > PNG_UINT_31_MAX)
        return { {}, errorOf(PngWriteErrorKind::SourceTooLong) };
    return chunk;
}

static std::optional<PngWriteError> checkPictureSize(int width, int height,
                                                     const PngWriteOptions& options)
{
    if (width <= 0 || height <= 0)
        return errorOf(PngWriteErrorKind::EmptyPicture);
    if (static_cast<std::uint32_t>(height) > options.maxHeight)
        return errorOf(PngWriteErrorKind::TooTall);
    if (static_cast<std::uint32_t>(width) > PNG_USER_WIDTH_MAX)
        return errorOf(PngWriteErrorKind::TooWide);
    return std::nullopt;
}

std::optional<PngWriteError> writeChartPng(const BandedPicture& picture, SourceChunk chunk,
                                           PngSink& sink, const PngWriteOptions& options)
{
    if (chunk.error)
        return chunk.error;
    if (auto error = checkPictureSize(picture.width, picture.height, options))
        return error;
    PngWriteOptions bandOptions = options;
    if (picture.bandRows > 0)
        bandOptions.bandRows = picture.bandRows;
    const BandedPngEncoder encoder(picture.width, picture.height, bandOptions);
    if (auto error = sink.start())
        return error;
    const auto write = [&sink](std::span<const std::uint8_t> bytes) { return sink.write(bytes); };
    bool written = false;
    try {
        written = encoder.writeHeader(chunk.data, write);
        // Written out, the chart text takes no room while the picture is drawn.
        std::vector<std::uint8_t>().swap(chunk.data);
        written = written && encoder.writeImage(picture.rows, write);
    } catch (const std::bad_alloc&) {
        return errorOf(PngWriteErrorKind::OutOfMemory);
    }
    if (!written && sink.error() == ENOMEM)
        return errorOf(PngWriteErrorKind::OutOfMemory);
    // Only a write that the system refused has a reason to add.
    if (!written)
        return sink.error() != 0 ? sink.failure(sink.error(), PngWriteErrorKind::WriteFailed)
                                 : errorOf(PngWriteErrorKind::WriteFailed);
    return sink.finish();
}

static PngWriteError unopenable(const std::filesystem::path& outputPath, int errorNumber)
{
    return { kindOf(errorNumber, PngWriteErrorKind::OutputUnopenable), errorNumber,
             PngDestination::File, outputPath };
}

// An existing output that we may not write, or a directory, is not ours to replace; a symbolic
// link is replaced itself, so what it points to is never looked at.
static std::optional<PngWriteError> checkOutputReplaceable(const std::filesystem::path& outputPath)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(outputPath, error);
    if (!std::filesystem::exists(status) || std::filesystem::is_symlink(status))
        return std::nullopt;
    if (std::filesystem::is_directory(status))
        return unopenable(outputPath, EISDIR);
    errno = 0;
    if (!mayWrite(outputPath))
        return unopenable(outputPath, errno != 0 ? errno : EACCES);
    return std::nullopt;
}

std::variant<TemporaryFile, PngWriteError> openPngOutput(const std::filesystem::path& outputPath)
{
    if (auto error = checkOutputReplaceable(outputPath))
        return *error;
    try {
        return TemporaryFile(outputPath);
    } catch (const std::system_error& error) {
        return unopenable(outputPath, error.code().value());
    }
}

} // namespace beatplate
