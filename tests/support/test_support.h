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

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string output; // everything written to standard output
};

// Runs an executable with the given arguments, standard input closed, in workingDirectory.
[[nodiscard]] RunResult runProgram(const std::filesystem::path& program,
    const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory);

} // namespace beatplate::test
