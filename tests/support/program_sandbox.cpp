#include "support/program_sandbox.h"

#include "support/test_sheet.h"

namespace beatplate::test {

ProgramSandbox::ProgramSandbox(SpriteSheetFile sheet)
    : m_binary(m_dir / "beatplate")
{
    std::filesystem::copy_file(BEATPLATE_BINARY_PATH, m_binary);
    if (sheet == SpriteSheetFile::Test)
        writeTestSheet(m_dir / "pic.png");
}

std::filesystem::path ProgramSandbox::writeChart(std::string_view name,
                                                 std::string_view bytes) const
{
    const auto path = m_dir / name;
    std::filesystem::create_directories(path.parent_path());
    writeFile(path, bytes);
    return path;
}

RunResult ProgramSandbox::run(const std::vector<std::string>& arguments) const
{
    return runProgram(m_binary, arguments, m_dir.path());
}

RunResult ProgramSandbox::runChart(std::string_view name, std::string_view bytes) const
{
    writeChart(name, bytes);
    return run({ std::string(name) });
}

} // namespace beatplate::test
