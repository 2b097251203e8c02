#include "file_watcher_impl.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>

namespace beatplate {

// A save ends in one of these: a writer closing the file, or a new file renamed over it.
static constexpr std::uint32_t kSaveEvents = IN_CLOSE_WRITE | IN_MOVED_TO;
// A file that goes away: a watch reports it missing, unless a save brings it back at once.
static constexpr std::uint32_t kGoneEvents = IN_DELETE | IN_MOVED_FROM;
// The watched directory itself goes away; its watch then ends with IN_IGNORED.
static constexpr std::uint32_t kDirectoryGoneEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED;
static constexpr std::uint32_t kDirectoryEvents =
    kSaveEvents | kGoneEvents | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// How often a directory that went away is looked for at its path again.
static constexpr int kReturnPollMilliseconds = 100;

[[noreturn]] static void throwErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

static int checked(int fd, const char* what)
{
    if (fd < 0)
        throwErrno(what);
    return fd;
}

FileWatcher::Impl::Impl(std::span<const std::filesystem::path> files)
    : m_inotify(checked(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC), "cannot start inotify"))
    , m_wake(checked(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC), "cannot make an eventfd"))
    , m_files(files.begin(), files.end())
{
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        addWatch(m_files[i], i);
        // Saving through a link writes the target, whose directory is the one that sees it.
        std::error_code error;
        if (!std::filesystem::is_symlink(m_files[i], error))
            continue;
        const auto target = std::filesystem::canonical(m_files[i], error);
        if (!error)
            addWatch(target, i);
    }
}

void FileWatcher::Impl::watchDirectory(const std::filesystem::path& directory)
{
    addDirectory(directory);
    m_wholeDirectory = true;
}

std::size_t FileWatcher::Impl::addDirectory(const std::filesystem::path& directory)
{
    const auto known = std::find_if(m_directories.begin(), m_directories.end(),
                                    [&](const WatchedDirectory& d) { return d.path == directory; });
    if (known != m_directories.end())
        return static_cast<std::size_t>(known - m_directories.begin());
    const int watch = ::inotify_add_watch(m_inotify.get(), directory.c_str(), kDirectoryEvents);
    if (watch < 0)
        throwErrno("cannot watch " + directory.string());
    // One directory under two spellings gives the same watch back.
    m_directories.push_back({ directory, watch });
    return m_directories.size() - 1;
}

void FileWatcher::Impl::addWatch(const std::filesystem::path& path, std::size_t file)
{
    std::filesystem::path directory = path.parent_path();
    if (directory.empty())
        directory = ".";
    Watch entry{ addDirectory(directory), path.filename().string(), file };
    const bool known = std::any_of(m_watches.begin(), m_watches.end(), [&](const Watch& other) {
        return other.directory == entry.directory && other.name == entry.name && other.file == file;
    });
    if (!known)
        m_watches.push_back(std::move(entry));
}

void FileWatcher::Impl::noteDirectoryChange(const std::filesystem::path& path)
{
    m_directoryChanges.note(m_directories[0].path, path);
}

bool FileWatcher::Impl::anyDirectoryLost() const
{
    return std::any_of(m_directories.begin(), m_directories.end(),
                       [](const WatchedDirectory& d) { return d.watch < 0; });
}

bool FileWatcher::Impl::loseDirectory(int watch, std::vector<bool>& changed)
{
    bool lost = false;
    for (std::size_t i = 0; i < m_directories.size(); ++i) {
        if (m_directories[i].watch != watch)
            continue;
        // A renamed directory keeps its watch under the new name, which is no longer ours.
        ::inotify_rm_watch(m_inotify.get(), watch);
        m_directories[i].watch = -1;
        for (const Watch& entry : m_watches)
            changed[entry.file] = changed[entry.file] || entry.directory == i;
        lost = true;
    }
    return lost && !m_wholeDirectory;
}

bool FileWatcher::Impl::watchReturnedDirectories(std::vector<bool>& changed)
{
    bool returned = false;
    for (std::size_t i = 0; i < m_directories.size(); ++i) {
        WatchedDirectory& directory = m_directories[i];
        if (directory.watch >= 0)
            continue;
        directory.watch =
            ::inotify_add_watch(m_inotify.get(), directory.path.c_str(), kDirectoryEvents);
        if (directory.watch < 0)
            continue;
        // Files may have come back with it, or been saved before the watch began.
        if (m_wholeDirectory) {
            noteDirectoryChange(directory.path);
            returned = true;
        }
        for (const Watch& entry : m_watches) {
            std::error_code error;
            if (entry.directory == i
                && std::filesystem::exists(directory.path / entry.name, error)) {
                changed[entry.file] = true;
                returned = true;
            }
        }
    }
    return returned;
}

bool FileWatcher::Impl::takeEvent(int watch, std::uint32_t mask, std::string_view name,
                                  std::vector<bool>& changed)
{
    if ((mask & kDirectoryGoneEvents) != 0)
        return loseDirectory(watch, changed);
    const bool saved = (mask & kSaveEvents) != 0;
    if (!saved && (mask & kGoneEvents) == 0)
        return false;
    bool taken = false;
    if (m_wholeDirectory && saved && !name.empty() && watch == m_directories[0].watch) {
        noteDirectoryChange(m_directories[0].path / name);
        taken = true;
    }
    for (const Watch& entry : m_watches) {
        if (m_directories[entry.directory].watch == watch && entry.name == name) {
            changed[entry.file] = true;
            taken = true;
        }
    }
    return taken;
}

bool FileWatcher::Impl::readEvents(std::vector<bool>& changed)
{
    alignas(inotify_event) std::array<char, 16 * (sizeof(inotify_event) + NAME_MAX + 1)> buffer;
    bool watchedFileChanged = false;
    for (;;) {
        const ssize_t size = ::read(m_inotify.get(), buffer.data(), buffer.size());
        if (size < 0 && errno == EINTR)
            continue;
        if (size < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return watchedFileChanged;
        if (size <= 0)
            throwErrno("cannot read file events");
        for (std::size_t offset = 0; offset < static_cast<std::size_t>(size);) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + offset, sizeof event);
            const char* name = buffer.data() + offset + sizeof event;
            const std::string_view eventName(name, ::strnlen(name, event.len));
            offset += sizeof event + event.len;
            // Events were lost: any file may have changed.
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                std::fill(changed.begin(), changed.end(), true);
                if (m_wholeDirectory)
                    noteDirectoryChange(m_directories[0].path);
                watchedFileChanged = true;
                continue;
            }
            if (takeEvent(event.wd, event.mask, eventName, changed))
                watchedFileChanged = true;
        }
    }
}

std::vector<std::filesystem::path>
FileWatcher::Impl::waitForChanges(std::chrono::milliseconds window)
{
    std::vector<bool> changed(m_files.size(), false);
    ChangeWindow gathering(window);
    while (!gathering.closed()) {
        int timeout = anyDirectoryLost() ? kReturnPollMilliseconds : -1;
        if (const auto left = gathering.remaining()) {
            const int windowTimeout =
                static_cast<int>(std::min<std::chrono::milliseconds::rep>(left->count(), INT_MAX));
            timeout = timeout < 0 ? windowTimeout : std::min(timeout, windowTimeout);
        }
        std::array<pollfd, 2> fds{ { { m_wake.get(), POLLIN, 0 },
                                     { m_inotify.get(), POLLIN, 0 } } };
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR)
                continue;
            throwErrno("cannot wait for file events");
        }
        if (fds[0].revents != 0)
            return {};
        if ((fds[1].revents & (POLLERR | POLLNVAL)) != 0)
            throw std::system_error(EIO, std::generic_category(), "cannot wait for file events");
        const bool eventsTaken = (fds[1].revents & POLLIN) != 0 && readEvents(changed);
        // Looked for after the events, so that a directory lost in them is looked for at once.
        const bool directoryReturned = anyDirectoryLost() && watchReturnedDirectories(changed);
        if (eventsTaken || directoryReturned)
            gathering.noteChange();
    }
    return m_directoryChanges.take(m_files, changed);
}

void FileWatcher::Impl::stop() noexcept
{
    // Only write(2) here, which a signal handler may call; errno is the interrupted code's.
    const int savedErrno = errno;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake.get(), &one, sizeof one);
    errno = savedErrno;
}

} // namespace beatplate
