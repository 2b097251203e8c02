#include "platform/file_watcher.h"

// Each platform's FileWatcher::Impl; the forwarding below is the same for all.
#include "file_watcher_impl.h"

#include <utility>

namespace beatplate {

FileWatcher::FileWatcher(std::span<const std::filesystem::path> files)
    : m_impl(std::make_unique<Impl>(files))
{
}

FileWatcher::FileWatcher(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

FileWatcher::FileWatcher(FileWatcher&& other) noexcept = default;
FileWatcher& FileWatcher::operator=(FileWatcher&& other) noexcept = default;
FileWatcher::~FileWatcher() = default;

FileWatcher FileWatcher::forDirectory(const std::filesystem::path& directory)
{
    auto impl = std::make_unique<Impl>(std::span<const std::filesystem::path>());
    impl->watchDirectory(directory);
    return FileWatcher(std::move(impl));
}

std::vector<std::filesystem::path> FileWatcher::waitForChanges(std::chrono::milliseconds window)
{
    return m_impl->waitForChanges(window);
}

void FileWatcher::stop() noexcept
{
    m_impl->stop();
}

} // namespace beatplate
