#include "platform/mapped_file.h"

#include "platform/files.h"

#include <cerrno>
#include <sys/mman.h>

namespace beatplate {

std::optional<MappedFile> MappedFile::open(const std::filesystem::path& path)
{
    const FileDescriptor file = openForReading(path);
    if (!file.valid())
        return std::nullopt;
    const auto status = fileStatusOf(file.get());
    if (!status)
        return std::nullopt;
    if (status->kind != FileKind::Regular || status->size == 0) {
        errno = EINVAL;
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(status->size);
    // The mapping stays when the descriptor is closed.
    void* const address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (address == MAP_FAILED)
        return std::nullopt;
    return MappedFile({ static_cast<const std::uint8_t*>(address), size });
}

MappedFile::~MappedFile()
{
    if (!m_bytes.empty())
        ::munmap(const_cast<std::uint8_t*>(m_bytes.data()), m_bytes.size());
}

} // namespace beatplate
