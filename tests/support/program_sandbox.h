#pragma once

#include "support/test_support.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate::test {

enum class SpriteSheetFile {
    Test, // the distinct-colour test sheet as pic.png beside the binary
    Missing, // no pic.png at all
};

// A temporary directory holding a copy of the beatplate binary, so that the program finds the
// sprite sheet of the test beside itself; charts are written into it and run from it.
class ProgramSandbox {
public:
    explicit ProgramSandbox(SpriteSheetFile sheet = SpriteSheetFile::Test);

    [[nodiscard]] const std::filesystem::path& directory() const { return m_dir.path(); }
    [[nodiscard]] const std::filesystem::path& binary() const { return m_binary; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const
    {
        return m_dir / name;
    }

    // Writes a chart (name relative to the sandbox, directories created) and returns its path.
    std::filesystem::path writeChart(std::string_view name, std::string_view bytes) const;
    // Runs the binary with standard input closed, from the sandbox directory.
    [[nodiscard]] RunResult run(const std::vector<std::string>& arguments) const;
    // Writes the chart and runs the binary on it by its name relative to the sandbox.
    [[nodiscard]] RunResult runChart(std::string_view name, std::string_view bytes) const;

private:
    TempDir m_dir;
    std::filesystem::path m_binary;
};

} // namespace beatplate::test
