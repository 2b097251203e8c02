#include "extract/chart_file_output.h"

#include "extract/extract_error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <utility>

namespace beatplate {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A file written under a hidden name and removed again unless it has been given its real one.
class TempFile {
public:
    explicit TempFile(std::filesystem::path path)
        : m_path(std::move(path))
    {
    }
    TempFile(TempFile&& other) noexcept
        : m_path(std::exchange(other.m_path, {}))
    {
    }
    TempFile& operator=(TempFile&&) = delete;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    std::filesystem::path m_path;
};

} // namespace

constexpr const char* kOutputFailed = "出力がなぜかできません。";
constexpr int kTempNameAttempts = 100;

[[noreturn]] static void failOutput()
{
    throw ExtractError(kExtractOutputFailed, kOutputFailed);
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

// Writes bytes to a new file under a hidden name in directory, with the usual permissions.
static TempFile writeTempFile(const std::filesystem::path& directory, std::string_view bytes)
{
    std::random_device random;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        // A short name, so that it fits wherever the chart's own name does.
        auto path = directory / (".chart-" + std::to_string(random()) + ".tmp");
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            failOutput();
        TempFile temp(std::move(path));
        FilePtr file(::fdopen(fd, "wb"));
        if (!file) {
            ::close(fd);
            failOutput();
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()
            || std::fflush(file.get()) != 0 || ::fsync(fileno(file.get())) != 0)
            failOutput();
        if (std::fclose(file.release()) != 0)
            failOutput();
        return temp;
    }
    failOutput();
}

enum class Publish { Done, NameTaken };

// Gives the written file its real name unless that name is taken; the name is claimed in one
// step, so a file that appears meanwhile is never replaced.
static Publish publish(TempFile& temp, const std::filesystem::path& target)
{
    if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE)
        == 0) {
        temp.release();
        return Publish::Done;
    }
    if (errno == EEXIST)
        return Publish::NameTaken;
    // File systems without the no-replace rename still refuse to link over an existing name.
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        failOutput();
    if (::link(temp.path().c_str(), target.c_str()) == 0)
        return Publish::Done;
    if (errno == EEXIST)
        return Publish::NameTaken;
    failOutput();
}

static std::filesystem::path directoryOf(const std::filesystem::path& path)
{
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

void writeChartFile(const std::filesystem::path& path, std::string_view bytes)
{
    TempFile temp = writeTempFile(directoryOf(path), bytes);
    if (std::rename(temp.path().c_str(), path.c_str()) != 0)
        failOutput();
    temp.release();
}

std::filesystem::path writeChartBeside(const std::filesystem::path& picture, std::string_view bytes)
{
    TempFile temp = writeTempFile(directoryOf(picture), bytes);
    for (int attempt = 0; attempt < kChartNameAttempts; ++attempt) {
        const auto target = chartPathFor(picture, attempt);
        if (publish(temp, target) == Publish::Done)
            return target;
    }
    failOutput();
}

} // namespace beatplate
