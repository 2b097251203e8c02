#include "platform/temporary_file.h"

#include <utility>

namespace beatplate {

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : m_target(std::move(other.m_target))
    , m_targetName(std::move(other.m_targetName))
    , m_prefix(std::move(other.m_prefix))
    , m_directory(std::move(other.m_directory))
    , m_file(std::move(other.m_file))
    , m_stream(std::move(other.m_stream))
    // The moved-from file has no hidden name left to remove.
    , m_name(std::exchange(other.m_name, {}))
    , m_removal(std::move(other.m_removal))
{
}

} // namespace beatplate
