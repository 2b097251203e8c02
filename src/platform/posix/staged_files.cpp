#include "platform/staged_files.h"

#include "platform/posix/rename_no_replace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace beatplate {

static std::system_error lastSystemError(const char* what)
{
    return { errno, std::generic_category(), what };
}

StagedFiles::StagedFiles(const std::filesystem::path& directory)
    : m_directoryPath(directory)
{
    const char* const path = directory.empty() ? "." : directory.c_str();
    m_directory.reset(::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!m_directory.valid())
        throw lastSystemError("open the output's directory");
}

StagedFiles::~StagedFiles()
{
    for (std::size_t index = m_placed; index < m_files.size(); ++index)
        ::unlinkat(m_directory.get(), m_files[index].hiddenName.c_str(), 0);
}

void StagedFiles::place(const StagedFile& file, Target standing)
{
    const int directory = m_directory.get();
    const char* const hidden = file.hiddenName.c_str();
    const char* const target = file.target.c_str();
    if (standing == Target::Absent) {
        if (renameWithoutReplacing(directory, hidden, directory, target) != 0)
            throw lastSystemError("rename");
        return;
    }
    struct stat status { };
    if (::fstatat(directory, target, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode)
        && ::fchmodat(directory, hidden, status.st_mode & 0666, 0) != 0)
        throw lastSystemError("fchmod");
    if (::renameat(directory, hidden, directory, target) != 0)
        throw lastSystemError("rename");
}

} // namespace beatplate
