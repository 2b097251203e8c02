#include "pipeline/picture_sources.h"

namespace beatplate {

PictureSources::PictureSources(SheetLoader loadSheet, FontFinder findFont)
    : m_loadSheet(std::move(loadSheet))
    , m_findFont(std::move(findFont))
{
}

const Canvas* PictureSources::spriteSheet()
{
    std::call_once(m_sheetLoaded, [this] { m_sheet = m_loadSheet(); });
    return m_sheet ? &*m_sheet : nullptr;
}

const std::optional<FontFileRef>& PictureSources::headerFontFile()
{
    std::call_once(m_fontFound, [this] { m_fontFile = m_findFont(); });
    return m_fontFile;
}

PictureSources::FontFinder headerFontFinder(std::optional<std::filesystem::path> font)
{
    return [font = std::move(font)]() -> std::optional<FontFileRef> {
        if (font)
            return FontFileRef{ *font, 0, font->stem().string(), FontChoice::NamedGothic };
        return findHeaderFontFile();
    };
}

} // namespace beatplate
