#include "platform/file_watcher.h"

#include "platform/file_descriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>

namespace beatplate {

// A save ends in one of these: a writer closing the file, or a new file renamed over it.
static constexpr std::uint32_t kSaveEvents = IN_CLOSE_WRITE | IN_MOVED_TO;

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

// The inotify side of a FileWatcher: one inotify descriptor for every watched directory, and an
// eventfd that stop() writes to wake the wait.
class FileWatcher::Impl {
public:
    explicit Impl(std::span<const std::filesystem::path> files);

    [[nodiscard]] std::vector<std::filesystem::path>
    waitForChanges(std::chrono::milliseconds window);
    void stop() noexcept;
    void watchDirectory(const std::filesystem::path& directory);

private:
    struct Watch {
        int watch = -1; // the inotify watch of the directory
        std::string name; // the file's name in that directory
        std::size_t file = 0; // index into m_files
    };

    // Reads the queued events, marking the files they name; false when none was queued.
    bool readEvents(std::vector<bool>& changed);
    void addWatch(const std::filesystem::path& path, std::size_t file);

    FileDescriptor m_inotify;
    FileDescriptor m_wake; // an eventfd that stop() signals
    std::vector<std::filesystem::path> m_files;
    std::vector<Watch> m_watches;
    int m_directoryWatch = -1; // of forDirectory, whose changes gather in m_directoryChanges
    std::filesystem::path m_directory;
    std::vector<std::filesystem::path> m_directoryChanges;
};

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
    m_directory = directory;
    m_directoryWatch =
        ::inotify_add_watch(m_inotify.get(), directory.c_str(), kSaveEvents | IN_ONLYDIR);
    if (m_directoryWatch < 0)
        throwErrno("cannot watch " + directory.string());
}

void FileWatcher::Impl::addWatch(const std::filesystem::path& path, std::size_t file)
{
    std::filesystem::path directory = path.parent_path();
    if (directory.empty())
        directory = ".";
    const int watch =
        ::inotify_add_watch(m_inotify.get(), directory.c_str(), kSaveEvents | IN_ONLYDIR);
    if (watch < 0)
        throwErrno("cannot watch " + directory.string());
    // One directory named twice gives the same watch back.
    Watch entry{ watch, path.filename().string(), file };
    const bool known = std::any_of(m_watches.begin(), m_watches.end(), [&](const Watch& other) {
        return other.watch == entry.watch && other.name == entry.name && other.file == file;
    });
    if (!known)
        m_watches.push_back(std::move(entry));
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
                if (m_directoryWatch >= 0 && m_directoryChanges.empty())
                    m_directoryChanges.push_back(m_directory);
                watchedFileChanged = true;
                continue;
            }
            if ((event.mask & kSaveEvents) == 0)
                continue;
            if (event.wd == m_directoryWatch && !eventName.empty()) {
                const auto path = m_directory / eventName;
                if (std::find(m_directoryChanges.begin(), m_directoryChanges.end(), path)
                    == m_directoryChanges.end())
                    m_directoryChanges.push_back(path);
                watchedFileChanged = true;
            }
            for (const Watch& watch : m_watches) {
                if (watch.watch == event.wd && watch.name == eventName) {
                    changed[watch.file] = true;
                    watchedFileChanged = true;
                }
            }
        }
    }
}

std::vector<std::filesystem::path>
FileWatcher::Impl::waitForChanges(std::chrono::milliseconds window)
{
    using Clock = std::chrono::steady_clock;
    std::vector<bool> changed(m_files.size(), false);
    bool burstStarted = false;
    Clock::time_point burstEnd;
    for (;;) {
        int timeout = -1;
        if (burstStarted) {
            const auto remaining =
                std::chrono::ceil<std::chrono::milliseconds>(burstEnd - Clock::now());
            if (remaining.count() <= 0)
                break;
            timeout = static_cast<int>(
                std::min<std::chrono::milliseconds::rep>(remaining.count(), INT_MAX));
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
        if ((fds[1].revents & POLLIN) != 0 && readEvents(changed) && !burstStarted) {
            burstStarted = true;
            burstEnd = Clock::now() + window;
        }
    }
    auto files = std::exchange(m_directoryChanges, {});
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        if (changed[i])
            files.push_back(m_files[i]);
    }
    return files;
}

void FileWatcher::Impl::stop() noexcept
{
    // Only write(2) here, which a signal handler may call; errno is the interrupted code's.
    const int savedErrno = errno;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake.get(), &one, sizeof one);
    errno = savedErrno;
}

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
