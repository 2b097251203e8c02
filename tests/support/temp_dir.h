#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate::test {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const
    {
        return m_path / name;
    }

private:
    std::filesystem::path m_path;
};

void writeFile(const std::filesystem::path& path, std::string_view bytes);
[[nodiscard]] std::string readFile(const std::filesystem::path& path);
// The names of the entries of a directory, sorted.
[[nodiscard]] std::vector<std::string> listDirectory(const std::filesystem::path& directory);

} // namespace beatplate::test
