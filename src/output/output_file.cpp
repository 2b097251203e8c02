#include "output/output_file.h"

#include "platform/files.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace beatplate {

OutputError systemOutputError(OutputErrorKind otherwise, int errorNumber,
                              OutputDestination destination, std::filesystem::path file)
{
    const auto kind = meansDiskFull(errorNumber) ? OutputErrorKind::DiskFull : otherwise;
    return { kind, errorNumber, destination, std::move(file) };
}

static OutputError unopenable(const std::filesystem::path& outputPath, int errorNumber)
{
    return systemOutputError(OutputErrorKind::Unopenable, errorNumber, OutputDestination::File,
                             outputPath);
}

// An existing output that we may not write, or a directory, is not ours to replace; a symbolic
// link is replaced itself, so what it points to is never looked at.
static std::optional<OutputError> checkOutputReplaceable(const std::filesystem::path& outputPath)
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

std::variant<TemporaryFile, OutputError> openOutputFile(const std::filesystem::path& outputPath)
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
