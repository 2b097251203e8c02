#include "platform/file_changes.h"

#include <algorithm>
#include <utility>

namespace beatplate {

void FileChanges::note(const std::filesystem::path& directory, const std::filesystem::path& path)
{
    if (std::find(m_paths.begin(), m_paths.end(), directory) != m_paths.end()
        || std::find(m_paths.begin(), m_paths.end(), path) != m_paths.end())
        return;
    if (path == directory)
        m_paths.clear();
    m_paths.push_back(path);
}

std::vector<std::filesystem::path> FileChanges::take(std::span<const std::filesystem::path> files,
                                                     const std::vector<bool>& changed)
{
    auto taken = std::exchange(m_paths, {});
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (changed[i])
            taken.push_back(files[i]);
    }
    return taken;
}

void ChangeWindow::noteChange()
{
    if (!m_end)
        m_end = Clock::now() + m_length;
}

std::optional<std::chrono::milliseconds> ChangeWindow::remaining() const
{
    if (!m_end)
        return std::nullopt;
    return std::max(std::chrono::milliseconds::zero(),
                    std::chrono::ceil<std::chrono::milliseconds>(*m_end - Clock::now()));
}

bool ChangeWindow::closed() const
{
    const auto left = remaining();
    return left && left->count() == 0;
}

} // namespace beatplate
