#include "platform/staged_files.h"

#include "platform/windows/windows_text.h"

#include <system_error>
#include <windows.h>

namespace beatplate {

StagedFiles::StagedFiles(const std::filesystem::path& directory)
    : m_directoryPath(directory)
{
}

StagedFiles::~StagedFiles()
{
    for (std::size_t index = m_placed; index < m_files.size(); ++index)
        ::DeleteFileW((m_directoryPath / m_files[index].hiddenName).c_str());
}

void StagedFiles::place(const StagedFile& file, Target standing)
{
    const std::filesystem::path target = m_directoryPath / file.target;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
    const DWORD flags =
        MOVEFILE_WRITE_THROUGH | (standing == Target::Replaced ? MOVEFILE_REPLACE_EXISTING : 0);
    if (::MoveFileExW((m_directoryPath / file.hiddenName).c_str(), target.c_str(), flags) == 0)
        throw lastSystemError("rename");
    // A hidden file keeps its mark under the new name; the part is an ordinary file.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(target.c_str(), attributes & ~DWORD{ FILE_ATTRIBUTE_HIDDEN });
}

} // namespace beatplate
