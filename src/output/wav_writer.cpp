#include "output/wav_writer.h"

#include "cli/console.h"
#include "output/png_writer.h"
#include "platform/files.h"
#include "platform/terminal.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>

namespace beatplate {

namespace {

constexpr const char* kOpenFailedMessage = "出力がなぜかできません。　wavファイル開いてない？";
constexpr const char* kDiskFullMessage = "wavファイルを書ききれません。　ディスクがいっぱいかも？";
constexpr const char* kWriteFailedMessage = "wavファイルの書き込みに失敗しました。";
constexpr const char* kTooLongMessage = "譜面が長すぎてwavにできません。";

} // namespace

static PngWriteError failure(int error, const char* otherwise, const std::string& detail)
{
    return { meansDiskFull(error) ? kDiskFullMessage : otherwise, detail };
}

static void refuseTooLong(const ChartSound& sound)
{
    if (!sound.fitsWav())
        throw PngWriteError(kTooLongMessage,
                            "its sound lasts " + std::to_string(sound.samples() / kSampleRate)
                                + " s, more than a WAV file holds");
}

TemporaryFile openWavOutput(const std::filesystem::path& outputPath)
{
    return openOutputFile(outputPath, { kOpenFailedMessage, kDiskFullMessage });
}

void writeChartWav(ChartSound& sound, TemporaryFile& file)
{
    refuseTooLong(sound);
    const std::string target = file.target().string();
    try {
        std::FILE* const stream = file.stream();
        for (auto bytes = sound.next(); !bytes.empty(); bytes = sound.next()) {
            if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
                const int error = errno != 0 ? errno : EIO;
                throw failure(error, kWriteFailedMessage, outputFailureDetail(target, error));
            }
        }
        file.finishWriting();
    } catch (const std::system_error& error) {
        throw failure(error.code().value(), kWriteFailedMessage,
                      outputFailureDetail(target, error.code().value()));
    }
    try {
        file.replaceTarget();
    } catch (const std::system_error& error) {
        throw failure(error.code().value(), kOpenFailedMessage,
                      outputFailureDetail(target, error.code().value()));
    }
}

void writeChartWav(ChartSound& sound, int descriptor)
{
    refuseTooLong(sound);
    for (auto bytes = sound.next(); !bytes.empty(); bytes = sound.next()) {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        errno = 0;
        if (!writeAll(descriptor, text)) {
            const int error = errno != 0 ? errno : EIO;
            throw failure(error, kWriteFailedMessage,
                          "standard output: " + std::generic_category().message(error));
        }
    }
}

} // namespace beatplate
