#pragma once

#include "base/chart_limits.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// A chart file as the page lists it.
struct ChartFileInfo {
    std::string name; // a plain file name, UTF-8
    std::uintmax_t size = 0; // bytes
    ::timespec modified{}; // of the file a link leads to

    [[nodiscard]] bool operator==(const ChartFileInfo& other) const;
};

// A chart file read whole.
struct ChartFile {
    ChartFileInfo info;
    std::string bytes;
    std::string etag; // a strong entity tag of the bytes, quotes included
};

enum class ChartReadFailure {
    NotFound, // no such chart, or a name that may not be used
    TooLarge, // more than kMaxChartBytes
};

// The charts of one directory, and the only way the server reaches files. A chart is named by
// a plain file name ending in ".txt" (in any letter case) that does not start with "."; it is a
// regular file in the directory, or a symbolic link to one that lies inside the directory. No
// other name reaches any file. Names are UTF-8: a file name that is not, or that holds "\x",
// is named with each byte outside UTF-8, and each backslash, written "\xHH".
class ChartDirectory {
public:
    // Throws std::filesystem::filesystem_error when the directory does not exist or is none.
    explicit ChartDirectory(const std::filesystem::path& directory);

    [[nodiscard]] const std::filesystem::path& path() const { return m_root; }

    // True for a name that may stand for a chart, whether or not one exists.
    [[nodiscard]] static bool isChartName(std::string_view name);
    // The name of a file as charts are named: its bytes, or escaped when they are not UTF-8.
    [[nodiscard]] static std::string chartNameOf(std::string_view fileName);
    // The charts, sorted by name (byte order).
    [[nodiscard]] std::vector<ChartFileInfo> list() const;
    // The regular file a chart name stands for, links resolved; none when there is none.
    [[nodiscard]] std::optional<std::filesystem::path> resolve(std::string_view name) const;
    // The chart, or why it cannot be had.
    [[nodiscard]] std::optional<ChartFile> read(std::string_view name,
                                                ChartReadFailure* failure = nullptr) const;
    // Where a chart of that name is written: the file it stands for, or a new file in the
    // directory when nothing is there; none for a name that may not be used, a directory or a
    // link that leads nowhere or outside.
    [[nodiscard]] std::optional<std::filesystem::path> writeTarget(std::string_view name) const;
    // Why the chart may not be replaced, in words; none when it may (or does not exist): it is
    // read-only or on a read-only file system, has several hard links a replacement would
    // break, lies in a folder that may not be written, or has an owner a replacement could not
    // keep.
    [[nodiscard]] std::optional<std::string> whyNotWritable(std::string_view name) const;
    // Writes bytes as the chart, atomically: the file appears complete or not at all, and an
    // earlier one keeps its owner and permissions. Throws std::system_error, or
    // std::invalid_argument when writeTarget gives none.
    ChartFileInfo write(std::string_view name, std::string_view bytes) const;

    // Held while a write checks what is on disk and replaces it, so that two writers through
    // the server cannot both pass the same check.
    [[nodiscard]] std::unique_lock<std::mutex> lockForWriting() const
    {
        return std::unique_lock(m_writeMutex);
    }

private:
    [[nodiscard]] bool isInside(const std::filesystem::path& canonical) const;

    std::filesystem::path m_root; // canonical
    mutable std::mutex m_writeMutex;
};

// A strong entity tag of bytes: a 64-bit FNV-1a hash in hexadecimal, in quotes.
[[nodiscard]] std::string entityTagOf(std::string_view bytes);

} // namespace beatplate
