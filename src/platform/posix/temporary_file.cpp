#include "platform/temporary_file.h"

#include "platform/hidden_file_name.h"
#include "platform/posix/rename_no_replace.h"
#include "platform/posix/signals_held.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace beatplate {

namespace {

constexpr int kNameAttempts = 100;
constexpr std::time_t kStaleAge = std::time_t{ 24 } * 60 * 60;

} // namespace

static std::system_error lastSystemError(const char* what)
{
    return { errno, std::generic_category(), what };
}

// Our own hidden files that a run killed outright (SIGKILL, a power cut) left behind.
static void removeStaleFiles(const std::filesystem::path& directory, int directoryFd,
                             std::string_view prefix)
{
    std::error_code error;
    std::filesystem::directory_iterator entries(directory, error);
    const std::time_t oldest = std::time(nullptr) - kStaleAge;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename();
        struct stat status { };
        if (!isHiddenFileName(name, prefix)
            || ::fstatat(directoryFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_mtime < oldest)
            ::unlinkat(directoryFd, name.c_str(), 0);
    }
}

// Links an unnamed file into a directory; the /proc route needs no privilege, the empty path
// no /proc.
static int linkUnnamed(int fd, int directoryFd, const char* name)
{
    if (::linkat(fd, "", directoryFd, name, AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != ENOENT && errno != EPERM)
        return -1;
    std::array<char, 32> procPath{};
    std::snprintf(procPath.data(), procPath.size(), "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, procPath.data(), directoryFd, name, AT_SYMLINK_FOLLOW);
}

// Without /proc an unnamed file takes a name only through a privilege, which we may lack.
static bool canNameUnnamedFiles()
{
    return ::access("/proc/self/fd", X_OK) == 0 || ::geteuid() == 0;
}

// Kernels and file systems without unnamed files say so in one of these ways.
static bool lacksUnnamedFiles(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

TemporaryFile::TemporaryFile(std::filesystem::path target, TemporaryFileKind kind,
                             std::string_view namePrefix)
    : m_target(std::move(target))
    , m_targetName(m_target.filename())
    , m_prefix(namePrefix)
{
    const std::filesystem::path directory =
        m_target.has_parent_path() ? m_target.parent_path() : std::filesystem::path(".");
    m_directory.reset(::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!m_directory.valid())
        throw lastSystemError("open the output's directory");
    if (kind == TemporaryFileKind::Unnamed && canNameUnnamedFiles()) {
        m_file.reset(::openat(m_directory.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (!m_file.valid() && !lacksUnnamedFiles(errno))
            throw lastSystemError("create a file beside the output");
    }
    if (!m_file.valid())
        openNamed(namePrefix);
    removeStaleFiles(directory, m_directory.get(), namePrefix);
}

TemporaryFile::~TemporaryFile()
{
    if (named())
        ::unlinkat(m_directory.get(), m_name.c_str(), 0);
}

void TemporaryFile::openNamed(std::string_view namePrefix)
{
    std::random_device device;
    const SignalsHeld held;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = hiddenFileName(namePrefix, device);
        const int fd = ::openat(m_directory.get(), name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_file.reset(fd);
            m_name = std::move(name);
            m_removal = RemovalOnSignal(m_directory.get(), m_name);
            return;
        }
        if (errno != EEXIST)
            break;
    }
    throw lastSystemError("create a file beside the output");
}

std::FILE* TemporaryFile::stream()
{
    if (m_stream)
        return m_stream.get();
    // The stream owns a copy of the descriptor, so that closing it leaves the file to link.
    FileDescriptor copy(::fcntl(m_file.get(), F_DUPFD_CLOEXEC, 0));
    if (!copy.valid())
        throw lastSystemError("dup");
    m_stream.reset(::fdopen(copy.get(), "wb"));
    if (!m_stream)
        throw lastSystemError("fdopen");
    static_cast<void>(copy.release());
    return m_stream.get();
}

void TemporaryFile::finishWriting()
{
    if (m_stream) {
        if (std::fflush(m_stream.get()) != 0)
            throw lastSystemError("flush");
        if (std::fclose(m_stream.release()) != 0)
            throw lastSystemError("close");
    }
    // File systems that cannot sync say EINVAL; the data is then as safe as they make it.
    if (::fsync(m_file.get()) != 0 && errno != EINVAL)
        throw lastSystemError("fsync");
}

std::string TemporaryFile::linkUnderHiddenName()
{
    std::random_device device;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = hiddenFileName(m_prefix, device);
        if (linkUnnamed(m_file.get(), m_directory.get(), name.c_str()) == 0)
            return name;
        if (errno != EEXIST)
            break;
    }
    throw lastSystemError("link");
}

void TemporaryFile::keepOnlyReadAndWriteBitsOf(const std::string& name)
{
    struct stat status { };
    if (::fstatat(m_directory.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0
        || !S_ISREG(status.st_mode))
        return;
    if (::fchmod(m_file.get(), status.st_mode & 0666) != 0)
        throw lastSystemError("fchmod");
}

void TemporaryFile::publish()
{
    m_name.clear();
    m_removal.disarm();
}

void TemporaryFile::replaceTarget()
{
    keepOnlyReadAndWriteBitsOf(m_targetName);
    const SignalsHeld held;
    if (!named()) {
        m_name = linkUnderHiddenName();
        m_removal = RemovalOnSignal(m_directory.get(), m_name);
    }
    if (::renameat(m_directory.get(), m_name.c_str(), m_directory.get(), m_targetName.c_str()) != 0)
        throw lastSystemError("rename");
    publish();
}

bool TemporaryFile::claimName(const std::filesystem::path& path)
{
    if (!named()) {
        // An unnamed file is linked in one step that fails when the name is taken.
        if (linkUnnamed(m_file.get(), AT_FDCWD, path.c_str()) == 0)
            return true;
        if (errno == EEXIST)
            return false;
        throw lastSystemError("link");
    }
    if (renameWithoutReplacing(m_directory.get(), m_name.c_str(), AT_FDCWD, path.c_str()) != 0) {
        if (errno == EEXIST)
            return false;
        throw lastSystemError("rename");
    }
    publish();
    return true;
}

std::string TemporaryFile::releaseUnderHiddenName()
{
    const SignalsHeld held;
    if (!named()) {
        m_name = linkUnderHiddenName();
        m_removal = RemovalOnSignal(m_directory.get(), m_name);
    }
    m_stream.reset();
    m_file.reset();
    // The removal stays armed until this object goes, so that the new owner may arm its own
    // first.
    return std::exchange(m_name, {});
}

} // namespace beatplate
