#include "server/chart_directory.h"

#include "base/cp932.h"
#include "platform/files.h"
#include "platform/temporary_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <stdexcept>
#include <system_error>

namespace beatplate {

namespace {

constexpr std::string_view kChartSuffix = ".txt";

} // namespace

bool ChartFileInfo::operator==(const ChartFileInfo& other) const
{
    return name == other.name && size == other.size && modified.tv_sec == other.modified.tv_sec
        && modified.tv_nsec == other.modified.tv_nsec;
}

std::string entityTagOf(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 0x100000001b3u;
    }
    std::array<char, 24> text{};
    std::snprintf(text.data(), text.size(), "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text.data();
}

ChartDirectory::ChartDirectory(const std::filesystem::path& directory)
    : m_root(std::filesystem::canonical(directory))
{
    if (!std::filesystem::is_directory(m_root))
        throw std::filesystem::filesystem_error("not a directory", directory,
                                                std::make_error_code(std::errc::not_a_directory));
}

static bool endsWithChartSuffix(std::string_view name)
{
    if (name.size() <= kChartSuffix.size())
        return false;
    const auto suffix = name.substr(name.size() - kChartSuffix.size());
    return std::equal(suffix.begin(), suffix.end(), kChartSuffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

bool ChartDirectory::isChartName(std::string_view name)
{
    // A leading "." also keeps out ".." and our own hidden temporary files.
    return name.size() <= NAME_MAX && !name.starts_with('.')
        && name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos
        && endsWithChartSuffix(name) && decodeUtf8(name).has_value();
}

bool ChartDirectory::isInside(const std::filesystem::path& canonical) const
{
    const auto [rootEnd, pathAt] =
        std::mismatch(m_root.begin(), m_root.end(), canonical.begin(), canonical.end());
    return rootEnd == m_root.end() && pathAt != canonical.end();
}

std::optional<std::filesystem::path> ChartDirectory::resolve(std::string_view name) const
{
    if (!isChartName(name))
        return std::nullopt;
    std::error_code error;
    const auto target = std::filesystem::canonical(m_root / name, error);
    if (error || !isInside(target))
        return std::nullopt;
    const auto status = fileStatusOf(target, LinkHandling::NoFollow);
    if (!status || status->kind != FileKind::Regular)
        return std::nullopt;
    return target;
}

std::optional<std::filesystem::path> ChartDirectory::writeTarget(std::string_view name) const
{
    if (auto existing = resolve(name))
        return existing;
    // Nothing at all may be there: a dangling link or a directory is no place for a chart.
    if (!isChartName(name) || fileStatusOf(m_root / name, LinkHandling::NoFollow)
        || errno != ENOENT)
        return std::nullopt;
    return m_root / name;
}

std::vector<ChartFileInfo> ChartDirectory::list() const
{
    std::vector<ChartFileInfo> charts;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_root, error)) {
        const std::string name = entry.path().filename().string();
        const auto file = resolve(name);
        const auto status = file ? fileStatusOf(*file, LinkHandling::Follow) : std::nullopt;
        if (status)
            charts.push_back({ name, status->size, status->modified });
    }
    std::sort(charts.begin(), charts.end(),
              [](const ChartFileInfo& a, const ChartFileInfo& b) { return a.name < b.name; });
    return charts;
}

// Reads up to limit + 1 bytes, so that a longer file is told from one of exactly limit.
static std::optional<std::string> readAtMost(int fd, std::size_t limit)
{
    std::string bytes;
    std::array<char, std::size_t{ 64 } * 1024> buffer{};
    while (bytes.size() <= limit) {
        const long long got = readSome(fd, buffer.data(), buffer.size());
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return bytes;
}

std::optional<ChartFile> ChartDirectory::read(std::string_view name,
                                              ChartReadFailure* failure) const
{
    const auto report = [&](ChartReadFailure why) {
        if (failure != nullptr)
            *failure = why;
        return std::nullopt;
    };
    const auto target = resolve(name);
    if (!target)
        return report(ChartReadFailure::NotFound);
    // The resolved path holds no link, so a link put in its place since is not followed.
    const FileDescriptor file = openForReading(*target, LinkHandling::NoFollow);
    const auto status = file.valid() ? fileStatusOf(file.get()) : std::nullopt;
    if (!status || status->kind != FileKind::Regular)
        return report(ChartReadFailure::NotFound);
    if (status->size > kMaxChartBytes)
        return report(ChartReadFailure::TooLarge);
    auto bytes = readAtMost(file.get(), kMaxChartBytes);
    if (!bytes)
        return report(ChartReadFailure::NotFound);
    if (bytes->size() > kMaxChartBytes)
        return report(ChartReadFailure::TooLarge);
    ChartFile chart{ { std::string(name), bytes->size(), status->modified },
                     std::move(*bytes),
                     {} };
    chart.etag = entityTagOf(chart.bytes);
    return chart;
}

ChartFileInfo ChartDirectory::write(std::string_view name, std::string_view bytes) const
{
    const auto target = writeTarget(name);
    if (!target)
        throw std::invalid_argument("no chart may be written as " + std::string(name));
    TemporaryFile file(*target, TemporaryFileKind::Unnamed, kChartFilePrefix);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size())
        throw std::system_error(errno, std::generic_category(), "cannot write " + target->string());
    file.finishWriting();
    file.replaceTarget();
    const auto status = fileStatusOf(*target, LinkHandling::Follow);
    if (!status)
        throw std::system_error(errno, std::generic_category(), "cannot read " + target->string());
    return { std::string(name), status->size, status->modified };
}

} // namespace beatplate
