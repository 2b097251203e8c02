#include "output/temporary_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <system_error>
#include <unistd.h>

namespace beatplate {

static std::system_error lastSystemError(const char* what)
{
    return { errno, std::generic_category(), what };
}

static std::string randomSuffix(std::random_device& device)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix;
    for (int i = 0; i < 4; ++i) {
        for (unsigned value = device(), j = 0; j < 4; ++j, value >>= 4)
            suffix += kDigits[value & 0xF];
    }
    return suffix;
}

TemporaryFile::TemporaryFile(std::filesystem::path target)
    : m_target(std::move(target))
{
    auto directory = m_target.parent_path();
    if (directory.empty())
        directory = ".";
    std::random_device device;
    int fd = -1;
    // A fixed short name keeps within the length limit of file names whatever the target's is.
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        m_path = directory / (".beatplate-" + randomSuffix(device) + ".tmp");
        fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw lastSystemError("cannot create a file beside the output");
    m_file.reset(::fdopen(fd, "wb"));
    if (!m_file) {
        const auto error = lastSystemError("fdopen");
        ::close(fd);
        ::unlink(m_path.c_str());
        throw error;
    }
}

TemporaryFile::~TemporaryFile()
{
    m_file.reset();
    if (!m_replacedTarget)
        ::unlink(m_path.c_str());
}

void TemporaryFile::finishWriting()
{
    if (std::fflush(m_file.get()) != 0)
        throw lastSystemError("flush");
    // Filesystems that cannot sync say EINVAL; the data is then as safe as they make it.
    if (::fsync(::fileno(m_file.get())) != 0 && errno != EINVAL)
        throw lastSystemError("fsync");
    if (std::fclose(m_file.release()) != 0)
        throw lastSystemError("close");
}

void TemporaryFile::replaceTarget()
{
    if (std::rename(m_path.c_str(), m_target.c_str()) != 0)
        throw lastSystemError("rename");
    m_replacedTarget = true;
}

} // namespace beatplate
