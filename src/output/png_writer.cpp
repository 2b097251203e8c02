#include "output/png_writer.h"

#include "base/text_codec.h"
#include "output/banded_png_encoder.h"
#include "platform/terminal.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace beatplate {

static OutputError errorOf(OutputErrorKind kind)
{
    return { kind, 0, OutputDestination::Memory, {} };
}

PngSink PngSink::descriptor(int fd)
{
    PngSink sink;
    sink.m_descriptor = fd;
    return sink;
}

std::optional<OutputError> PngSink::start()
{
    if (m_file == nullptr || m_stream != nullptr)
        return std::nullopt;
    try {
        m_stream = m_file->stream();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), OutputErrorKind::WriteFailed);
    }
    return std::nullopt;
}

OutputError PngSink::failure(int errorNumber, OutputErrorKind otherwise) const
{
    if (m_file != nullptr)
        return systemOutputError(otherwise, errorNumber, OutputDestination::File, m_file->target());
    return systemOutputError(otherwise, errorNumber,
                             m_descriptor >= 0 ? OutputDestination::StandardOutput
                                               : OutputDestination::Memory);
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

std::optional<OutputError> PngSink::finish()
{
    if (m_descriptor >= 0) {
        if (const int error = writeWhole(m_descriptor, m_held); error != 0)
            return failure(error, OutputErrorKind::WriteFailed);
        std::vector<std::uint8_t>().swap(m_held);
    }
    if (m_file == nullptr)
        return std::nullopt;
    try {
        m_file->finishWriting();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), OutputErrorKind::WriteFailed);
    }
    if (m_placement == Placement::Part)
        return std::nullopt;
    try {
        m_file->replaceTarget();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), OutputErrorKind::Unopenable);
    }
    return std::nullopt;
}

SourceChunk makeSourceChunk(std::u16string_view sourceText)
{
    if (sourceText.size() > (PNG_UINT_31_MAX - 2) / 2)
        return { {}, {}, errorOf(OutputErrorKind::SourceTooLong) };
    SourceChunk chunk;
    try {
        chunk.data = encodeChartChunk(sourceText);
    } catch (const std::bad_alloc&) {
        return { {}, {}, errorOf(OutputErrorKind::OutOfMemory) };
    }
    if (chunk.data.size() > PNG_UINT_31_MAX)
        return { {}, {}, errorOf(OutputErrorKind::SourceTooLong) };
    return chunk;
}

static std::optional<OutputError> checkPictureSize(int width, int height,
                                                   const PngWriteOptions& options)
{
    if (width <= 0 || height <= 0)
        return errorOf(OutputErrorKind::EmptyPicture);
    if (static_cast<std::uint32_t>(height) > options.maxHeight)
        return errorOf(OutputErrorKind::TooTall);
    if (static_cast<std::uint32_t>(width) > PNG_USER_WIDTH_MAX)
        return errorOf(OutputErrorKind::TooWide);
    return std::nullopt;
}

std::optional<OutputError> writeChartPng(const BandedPicture& picture, SourceChunk chunk,
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
        written = encoder.writeHeader(chunk.data, write, chunk.partLabel);
        // Written out, the chart text takes no room while the picture is drawn.
        std::vector<std::uint8_t>().swap(chunk.data);
        written = written && encoder.writeImage(picture.rows, write);
    } catch (const std::bad_alloc&) {
        return errorOf(OutputErrorKind::OutOfMemory);
    } catch (const PngEncodingStopped&) {
        return errorOf(OutputErrorKind::Stopped);
    }
    if (!written && sink.error() == ENOMEM)
        return errorOf(OutputErrorKind::OutOfMemory);
    // Only a write that the system refused has a reason to add.
    if (!written)
        return sink.error() != 0 ? sink.failure(sink.error(), OutputErrorKind::WriteFailed)
                                 : errorOf(OutputErrorKind::WriteFailed);
    return sink.finish();
}

std::variant<StagedFiles, OutputError> openPngParts(const std::filesystem::path& picturePath)
{
    try {
        return StagedFiles(picturePath.parent_path());
    } catch (const std::system_error& error) {
        return systemOutputError(OutputErrorKind::Unopenable, error.code().value(),
                                 OutputDestination::File, picturePath);
    }
}

std::optional<OutputError> stagePngPart(StagedFiles& parts, TemporaryFile& file)
{
    try {
        parts.add(file);
    } catch (const std::system_error& error) {
        return systemOutputError(OutputErrorKind::WriteFailed, error.code().value(),
                                 OutputDestination::File, file.target());
    }
    return std::nullopt;
}

std::optional<OutputError> placePngParts(StagedFiles& parts,
                                         std::span<const StagedFiles::Target> targets)
{
    try {
        parts.placeAll(targets);
    } catch (const std::system_error& error) {
        OutputError failure =
            systemOutputError(OutputErrorKind::Unopenable, error.code().value(),
                              OutputDestination::File, parts.target(parts.placed()));
        failure.partsPlaced = parts.placed();
        return failure;
    }
    return std::nullopt;
}

} // namespace beatplate
