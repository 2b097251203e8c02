#include "server/chart_directory.h"

#include "base/text_codec.h"
#include "base/utf8_path.h"
#include "platform/files.h"
#include "platform/temporary_file.h"

#include <algorithm>
#include <array>
#include <cctype>
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

// The length of the UTF-8 character at the start of bytes; 0 when none starts there.
static std::size_t utf8CharacterLength(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes.front());
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (bytes.size() < length || (length > 1 && !decodeUtf8(bytes.substr(0, length))))
        return 0;
    return length;
}

// The bytes a chart name stands for: its escapes undone, when it has any.
static std::string fileNameOf(std::string_view name)
{
    if (name.find("\\x") == std::string_view::npos)
        return std::string(name);
    std::string bytes;
    for (std::size_t i = 0; i < name.size(); ++i) {
        unsigned value = 0;
        if (name.substr(i, 2) == "\\x" && i + 4 <= name.size()
            && std::isxdigit(static_cast<unsigned char>(name[i + 2])) != 0
            && std::isxdigit(static_cast<unsigned char>(name[i + 3])) != 0
            && std::sscanf(std::string(name.substr(i + 2, 2)).c_str(), "%2X", &value) == 1) {
            bytes += static_cast<char>(value);
            i += 3;
        } else {
            bytes += name[i];
        }
    }
    return bytes;
}

std::string ChartDirectory::chartNameOf(std::string_view fileName)
{
    // A name that holds "\x" of its own is escaped too, so that every name reads back alike.
    if (decodeUtf8(fileName) && fileName.find("\\x") == std::string_view::npos)
        return std::string(fileName);
    std::string name;
    while (!fileName.empty()) {
        const std::size_t length = utf8CharacterLength(fileName);
        if (length == 0 || fileName.front() == '\\') {
            std::array<char, 8> escape{};
            std::snprintf(escape.data(), escape.size(), "\\x%02X",
                          static_cast<unsigned char>(fileName.front()));
            name += escape.data();
            fileName.remove_prefix(1);
        } else {
            name += fileName.substr(0, length);
            fileName.remove_prefix(length);
        }
    }
    return name;
}

bool ChartDirectory::isChartName(std::string_view name)
{
    const std::string file = fileNameOf(name);
    // A leading "." also keeps out ".." and our own hidden temporary files.
    return file.size() <= kMaxFileNameBytes && !file.starts_with('.')
        && file.find_first_of(std::string_view("/\0", 2)) == std::string::npos
        && endsWithChartSuffix(file) && decodeUtf8(name).has_value();
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
    const auto target = std::filesystem::canonical(m_root / utf8Path(fileNameOf(name)), error);
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
    if (!isChartName(name)
        || fileStatusOf(m_root / utf8Path(fileNameOf(name)), LinkHandling::NoFollow)
        || errno != ENOENT)
        return std::nullopt;
    return m_root / utf8Path(fileNameOf(name));
}

std::vector<ChartFileInfo> ChartDirectory::list() const
{
    std::vector<ChartFileInfo> charts;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_root, error)) {
        const std::string name = chartNameOf(entry.path().filename().string());
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

std::optional<std::string> ChartDirectory::whyNotWritable(std::string_view name) const
{
    const auto target = resolve(name);
    const auto status = target ? fileStatusOf(*target, LinkHandling::Follow) : std::nullopt;
    if (!status)
        return std::nullopt;
    const WriteAccess file = writeAccessTo(*target);
    // A save writes a new file beside the chart and renames it over the chart.
    const WriteAccess folder = writeAccessTo(target->parent_path());
    if (file == WriteAccess::ReadOnlyFileSystem || folder == WriteAccess::ReadOnlyFileSystem)
        return "the chart is on a file system mounted read-only";
    // A chart without any write permission was made read-only on purpose, even for root.
    if ((status->mode & 0222) == 0 || file != WriteAccess::Allowed)
        return "the chart is read-only";
    if (status->links > 1)
        return "the chart has " + std::to_string(status->links)
            + " hard links, which saving would break";
    if (folder != WriteAccess::Allowed)
        return "the chart's folder may not be written, and saving makes a new file there";
    if (!runsAsAdministrator() && !ownsFile(*status))
        return "the chart belongs to another user, and saving would make it ours";
    return std::nullopt;
}

ChartFileInfo ChartDirectory::write(std::string_view name, std::string_view bytes) const
{
    const auto target = writeTarget(name);
    if (!target)
        throw std::invalid_argument("no chart may be written as " + std::string(name));
    const auto old = fileStatusOf(*target, LinkHandling::Follow);
    TemporaryFile file(*target, TemporaryFileKind::Unnamed, kChartFilePrefix);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size())
        throw std::system_error(errno, std::generic_category(), "cannot write " + target->string());
    file.finishWriting();
    if (old)
        keepFileOwner(file.descriptor(), *old);
    file.replaceTarget();
    // The replacement passes on only the read and write bits; the rest of the mode follows.
    if (old)
        keepFileMode(file.descriptor(), *old);
    const auto status = fileStatusOf(*target, LinkHandling::Follow);
    if (!status)
        throw std::system_error(errno, std::generic_category(), "cannot read " + target->string());
    return { std::string(name), status->size, status->modified };
}

} // namespace beatplate
