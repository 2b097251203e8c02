#include "platform/staged_files.h"

#include <cassert>
#include <utility>

namespace beatplate {

void StagedFiles::add(TemporaryFile& file)
{
    StagedFile staged{ {}, file.target().filename(), {} };
    // Once the file is released nothing may throw before it is recorded.
    m_files.reserve(m_files.size() + 1);
    staged.hiddenName = file.releaseUnderHiddenName();
    // Armed before the file's own removal goes with it, so that no signal finds the file unarmed.
    staged.removal = RemovalOnSignal(m_directory.get(), staged.hiddenName);
    m_files.push_back(std::move(staged));
}

void StagedFiles::placeAll(std::span<const Target> targets)
{
    assert(targets.size() == m_files.size());
    for (; m_placed < m_files.size(); ++m_placed) {
        place(m_files[m_placed], targets[m_placed]);
        m_files[m_placed].removal.disarm();
    }
}

} // namespace beatplate
