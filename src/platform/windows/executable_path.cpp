#include "platform/executable_path.h"

#include <vector>
#include <windows.h>

namespace beatplate {

std::optional<std::filesystem::path> runningExecutablePath()
{
    // The name is cut to the buffer without a word of it: grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::nullopt;
        if (length < buffer.size())
            return std::filesystem::path(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
    return std::nullopt;
}

} // namespace beatplate
