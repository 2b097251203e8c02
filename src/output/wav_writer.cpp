#include "output/wav_writer.h"

#include "platform/terminal.h"

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <system_error>

namespace beatplate {

static std::optional<OutputError> refusalOf(const ChartSound& sound)
{
    if (sound.fitsWav())
        return std::nullopt;
    OutputError error{ OutputErrorKind::SoundTooLong, 0, OutputDestination::Memory, {} };
    error.soundSeconds = sound.samples() / kSampleRate;
    return error;
}

std::optional<OutputError> writeChartWav(ChartSound& sound, TemporaryFile& file)
{
    if (auto refusal = refusalOf(sound))
        return refusal;
    const auto failure = [&file](int errorNumber, OutputErrorKind otherwise) {
        return systemOutputError(otherwise, errorNumber, OutputDestination::File, file.target());
    };
    try {
        std::FILE* const stream = file.stream();
        for (auto bytes = sound.next(); !bytes.empty(); bytes = sound.next()) {
            if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size())
                return failure(errno != 0 ? errno : EIO, OutputErrorKind::WriteFailed);
        }
        file.finishWriting();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), OutputErrorKind::WriteFailed);
    }
    try {
        file.replaceTarget();
    } catch (const std::system_error& error) {
        return failure(error.code().value(), OutputErrorKind::Unopenable);
    }
    return std::nullopt;
}

std::optional<OutputError> writeChartWav(ChartSound& sound, int descriptor)
{
    if (auto refusal = refusalOf(sound))
        return refusal;
    for (auto bytes = sound.next(); !bytes.empty(); bytes = sound.next()) {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        errno = 0;
        if (!writeAll(descriptor, text))
            return systemOutputError(OutputErrorKind::WriteFailed, errno != 0 ? errno : EIO,
                                     OutputDestination::StandardOutput);
    }
    return std::nullopt;
}

} // namespace beatplate
