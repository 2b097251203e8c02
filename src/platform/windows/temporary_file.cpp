#include "platform/temporary_file.h"

#include "platform/hidden_file_name.h"
#include "platform/windows/windows_text.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <random>
#include <system_error>
#include <utility>
#include <windows.h>

namespace beatplate {

namespace {

constexpr int kNameAttempts = 100;
constexpr auto kStaleAge = std::chrono::hours(24);

} // namespace

static HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// While the file is written the system deletes it when its last handle closes, also when the
// process is ended outright; it is kept only once it is complete.
static bool setDeletedOnClose(int fd, bool deleted)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleted ? TRUE : FALSE;
    return ::SetFileInformationByHandle(handleOf(fd), FileDispositionInfo, &disposition,
                                        sizeof(disposition))
        != 0;
}

// Our own hidden files that a run left behind between keeping one and naming it.
static void removeStaleFiles(const std::filesystem::path& directory, std::string_view prefix)
{
    std::error_code error;
    std::filesystem::directory_iterator entries(directory, error);
    const auto oldest = std::filesystem::file_time_type::clock::now() - kStaleAge;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        std::error_code ignored;
        if (isHiddenFileName(entries->path().filename().string(), prefix)
            && entries->is_regular_file(ignored) && entries->last_write_time(ignored) < oldest)
            ::DeleteFileW(entries->path().c_str());
    }
}

TemporaryFile::TemporaryFile(std::filesystem::path target, TemporaryFileKind,
                             std::string_view namePrefix)
    : m_target(std::move(target))
    , m_targetName(m_target.filename().string())
    , m_prefix(namePrefix)
{
    openNamed(namePrefix);
    const std::filesystem::path directory =
        m_target.has_parent_path() ? m_target.parent_path() : std::filesystem::path(".");
    removeStaleFiles(directory, namePrefix);
}

TemporaryFile::~TemporaryFile()
{
    if (!named())
        return;
    // Closing the last handle deletes it, unless a failed rename has left it kept.
    m_stream.reset();
    if (m_file.valid())
        setDeletedOnClose(m_file.get(), true);
    m_file.reset();
    ::DeleteFileW((m_target.parent_path() / m_name).c_str());
}

void TemporaryFile::openNamed(std::string_view namePrefix)
{
    const std::filesystem::path directory = m_target.parent_path();
    std::random_device device;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = hiddenFileName(namePrefix, device);
        const HANDLE file =
            ::CreateFileW((directory / name).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                          FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS)
                continue;
            throw lastSystemError("create a file beside the output");
        }
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        if (fd < 0) {
            ::CloseHandle(file);
            throw std::system_error(errno, std::generic_category(), "open_osfhandle");
        }
        m_file.reset(fd);
        m_name = std::move(name);
        if (!setDeletedOnClose(fd, true))
            throw lastSystemError("create a file beside the output");
        return;
    }
    throw std::system_error(EEXIST, std::generic_category(), "create a file beside the output");
}

std::FILE* TemporaryFile::stream()
{
    if (m_stream)
        return m_stream.get();
    // The stream owns a copy of the descriptor, so that closing it leaves the file to rename.
    FileDescriptor copy(::_dup(m_file.get()));
    if (!copy.valid())
        throw std::system_error(errno, std::generic_category(), "dup");
    m_stream.reset(::_fdopen(copy.get(), "wb"));
    if (!m_stream)
        throw std::system_error(errno, std::generic_category(), "fdopen");
    static_cast<void>(copy.release());
    return m_stream.get();
}

void TemporaryFile::finishWriting()
{
    if (m_stream) {
        if (std::fflush(m_stream.get()) != 0)
            throw std::system_error(errno, std::generic_category(), "flush");
        if (std::fclose(m_stream.release()) != 0)
            throw std::system_error(errno, std::generic_category(), "close");
    }
    if (::FlushFileBuffers(handleOf(m_file.get())) == 0)
        throw lastSystemError("flush");
}

void TemporaryFile::publish()
{
    m_name.clear();
    // The handle is closed last: the name is the file's from now on.
    m_file.reset();
}

void TemporaryFile::replaceTarget()
{
    const std::filesystem::path hidden = m_target.parent_path() / m_name;
    if (!setDeletedOnClose(m_file.get(), false))
        throw lastSystemError("keep the new file");
    if (::MoveFileExW(hidden.c_str(), m_target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        == 0) {
        const std::system_error error = lastSystemError("rename");
        setDeletedOnClose(m_file.get(), true);
        throw error;
    }
    // A hidden file keeps its mark under the new name; the picture is an ordinary file.
    const DWORD attributes = ::GetFileAttributesW(m_target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(m_target.c_str(), attributes & ~DWORD{ FILE_ATTRIBUTE_HIDDEN });
    publish();
}

std::string TemporaryFile::releaseUnderHiddenName()
{
    if (!setDeletedOnClose(m_file.get(), false))
        throw lastSystemError("keep the new file");
    m_stream.reset();
    m_file.reset();
    return std::exchange(m_name, {});
}

bool TemporaryFile::claimName(const std::filesystem::path& path)
{
    const std::filesystem::path hidden = m_target.parent_path() / m_name;
    if (!setDeletedOnClose(m_file.get(), false))
        throw lastSystemError("keep the new file");
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
    if (::MoveFileExW(hidden.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) == 0) {
        const DWORD failure = ::GetLastError();
        setDeletedOnClose(m_file.get(), true);
        if (failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS)
            return false;
        ::SetLastError(failure);
        throw lastSystemError("rename");
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{ FILE_ATTRIBUTE_HIDDEN });
    publish();
    return true;
}

} // namespace beatplate
