#include "platform/text_font_lookup.h"

namespace beatplate {

// A page has no font files to look among: it gives the header face as bytes.
std::optional<FontFileRef> findHeaderFontFile()
{
    return std::nullopt;
}

std::optional<FontFileRef> findHeaderFontFileAmong(std::span<const std::filesystem::path>)
{
    return std::nullopt;
}

} // namespace beatplate
