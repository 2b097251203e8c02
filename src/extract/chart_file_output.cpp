#include "extract/chart_file_output.h"

#include "cli/console.h"
#include "cli/messages.h"
#include "extract/extract_error.h"
#include "platform/temporary_file.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace beatplate {

[[noreturn]] static void failOutput(const std::filesystem::path& path, int errorNumber)
{
    throw ExtractError(kExtractOutputFailed, kOutputFailedMessage,
                       outputFailureDetail(path.string(), errorNumber));
}

static void writeWhole(TemporaryFile& file, std::string_view bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size())
        failOutput(file.target(), errno != 0 ? errno : EIO);
}

static bool endsWithPng(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".png";
}

std::filesystem::path chartPathFor(const std::filesystem::path& picture, int attempt)
{
    std::string name = picture.filename().string();
    if (endsWithPng(name))
        name.resize(name.size() - 4);
    if (attempt > 0) {
        name += '.';
        name += std::to_string(attempt);
    }
    return picture.parent_path() / (name + ".txt");
}

// The first free name is claimed in one step, so a file that appears meanwhile is never replaced.
static std::filesystem::path writeUnderFreeName(const std::filesystem::path& picture,
                                                std::string_view bytes)
{
    TemporaryFile file(chartPathFor(picture, 0), TemporaryFileKind::Unnamed, kChartFilePrefix);
    writeWhole(file, bytes);
    file.finishWriting();
    for (int attempt = 0; attempt < kChartNameAttempts; ++attempt) {
        auto target = chartPathFor(picture, attempt);
        if (file.claimName(target))
            return target;
    }
    failOutput(chartPathFor(picture, 0).string() + " to "
                   + chartPathFor(picture, kChartNameAttempts - 1).filename().string(),
               EEXIST);
}

void writeChartFile(const std::filesystem::path& path, std::string_view bytes)
{
    try {
        TemporaryFile file(path, TemporaryFileKind::Unnamed, kChartFilePrefix);
        writeWhole(file, bytes);
        file.finishWriting();
        file.replaceTarget();
    } catch (const std::system_error& error) {
        failOutput(path, error.code().value());
    }
}

std::filesystem::path writeChartBeside(const std::filesystem::path& picture, std::string_view bytes)
{
    try {
        return writeUnderFreeName(picture, bytes);
    } catch (const std::system_error& error) {
        failOutput(chartPathFor(picture, 0), error.code().value());
    }
}

} // namespace beatplate
