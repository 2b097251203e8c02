#include "file_watcher_impl.h"
#include "platform/windows/windows_text.h"

#include <cstring>
#include <string>
#include <system_error>
#include <utility>
#include <windows.h>

namespace beatplate {

namespace {

// A save ends in a write, a new file, or a new file renamed over the old one; a file that goes
// is reported missing.
constexpr DWORD kNotifyFilter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

} // namespace

FileWatcher::Impl::Impl(std::span<const std::filesystem::path> files)
    : m_stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
    , m_files(files.begin(), files.end())
{
    if (m_stop.get() == nullptr)
        throw lastSystemError("cannot make an event");
    for (std::size_t i = 0; i < m_files.size(); ++i)
        addWatch(m_files[i], i);
}

FileWatcher::Impl::~Impl()
{
    for (auto& directory : m_directories) {
        ::CancelIoEx(directory->handle.get(), &directory->overlapped);
        DWORD ignored = 0;
        ::GetOverlappedResult(directory->handle.get(), &directory->overlapped, &ignored, TRUE);
    }
}

void FileWatcher::Impl::watchDirectory(const std::filesystem::path& directory)
{
    addDirectory(directory);
    m_wholeDirectory = true;
}

void FileWatcher::Impl::startReading(WatchedDirectory& directory)
{
    directory.overlapped = OVERLAPPED{};
    directory.overlapped.hEvent = directory.event.get();
    if (::ReadDirectoryChangesW(directory.handle.get(), directory.buffer.data(),
                                static_cast<DWORD>(directory.buffer.size() * sizeof(DWORD)), FALSE,
                                kNotifyFilter, nullptr, &directory.overlapped, nullptr)
        == 0)
        throw lastSystemError(("cannot watch " + directory.path.string()).c_str());
}

std::size_t FileWatcher::Impl::addDirectory(const std::filesystem::path& path)
{
    for (std::size_t i = 0; i < m_directories.size(); ++i) {
        if (m_directories[i]->path == path)
            return i;
    }
    // WaitForMultipleObjects waits for 64 handles at most, the stop event among them.
    if (m_directories.size() + 1 >= MAXIMUM_WAIT_OBJECTS)
        throw std::system_error(EMFILE, std::generic_category(), "cannot watch " + path.string());
    auto directory = std::make_unique<WatchedDirectory>();
    directory->path = path;
    directory->handle = Handle(::CreateFileW(
        path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (directory->handle.get() == INVALID_HANDLE_VALUE)
        throw lastSystemError(("cannot watch " + path.string()).c_str());
    directory->event = Handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (directory->event.get() == nullptr)
        throw lastSystemError("cannot make an event");
    startReading(*directory);
    m_directories.push_back(std::move(directory));
    return m_directories.size() - 1;
}

void FileWatcher::Impl::addWatch(const std::filesystem::path& path, std::size_t file)
{
    std::filesystem::path directory = path.parent_path();
    if (directory.empty())
        directory = ".";
    m_watches.push_back({ addDirectory(directory), path.filename(), file });
}

void FileWatcher::Impl::noteDirectoryChange(const std::filesystem::path& path)
{
    m_directoryChanges.note(m_directories[0]->path, path);
}

bool FileWatcher::Impl::takeEvents(std::size_t i, std::vector<bool>& changed)
{
    WatchedDirectory& directory = *m_directories[i];
    DWORD size = 0;
    const bool read =
        ::GetOverlappedResult(directory.handle.get(), &directory.overlapped, &size, FALSE) != 0;
    bool taken = false;
    // No bytes: the system lost events, and any file may have changed.
    if (!read || size == 0) {
        for (const Watch& entry : m_watches)
            changed[entry.file] = changed[entry.file] || entry.directory == i;
        if (m_wholeDirectory)
            noteDirectoryChange(directory.path);
        taken = true;
    }
    const auto* bytes = reinterpret_cast<const char*>(directory.buffer.data());
    for (std::size_t offset = 0; read && offset < size;) {
        FILE_NOTIFY_INFORMATION event;
        std::memcpy(&event, bytes + offset, offsetof(FILE_NOTIFY_INFORMATION, FileName));
        std::vector<wchar_t> name(event.FileNameLength / sizeof(wchar_t));
        std::memcpy(name.data(), bytes + offset + offsetof(FILE_NOTIFY_INFORMATION, FileName),
                    event.FileNameLength);
        const std::filesystem::path changedName(std::wstring_view(name.data(), name.size()));
        if (m_wholeDirectory && i == 0 && event.Action != FILE_ACTION_REMOVED
            && event.Action != FILE_ACTION_RENAMED_OLD_NAME) {
            noteDirectoryChange(directory.path / changedName);
            taken = true;
        }
        for (const Watch& entry : m_watches) {
            if (entry.directory == i && entry.name == changedName) {
                changed[entry.file] = true;
                taken = true;
            }
        }
        if (event.NextEntryOffset == 0)
            break;
        offset += event.NextEntryOffset;
    }
    startReading(directory);
    return taken;
}

std::vector<std::filesystem::path>
FileWatcher::Impl::waitForChanges(std::chrono::milliseconds window)
{
    std::vector<bool> changed(m_files.size(), false);
    ChangeWindow gathering(window);
    std::vector<HANDLE> handles{ m_stop.get() };
    for (const auto& directory : m_directories)
        handles.push_back(directory->event.get());
    while (!gathering.closed()) {
        const auto left = gathering.remaining();
        const DWORD timeout = left ? static_cast<DWORD>(left->count()) : INFINITE;
        const DWORD woken = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                     handles.data(), FALSE, timeout);
        if (woken == WAIT_TIMEOUT)
            continue;
        if (woken == WAIT_OBJECT_0)
            return {};
        if (woken == WAIT_FAILED || woken >= WAIT_OBJECT_0 + handles.size())
            throw lastSystemError("cannot wait for file events");
        const std::size_t index = woken - WAIT_OBJECT_0 - 1;
        if (takeEvents(index, changed))
            gathering.noteChange();
    }
    return m_directoryChanges.take(m_files, changed);
}

} // namespace beatplate
