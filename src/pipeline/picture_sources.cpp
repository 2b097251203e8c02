#include "pipeline/picture_sources.h"

#include "cli/console.h"
#include "cli/messages.h"

#include <utility>

namespace beatplate {

PictureSources::PictureSources(SheetChoice sheet, HeaderFontChoice font, Console& console,
                               std::optional<HeaderFont> openedFace)
    : m_sheetChoice(std::move(sheet))
    , m_fontChoice(std::move(font))
    , m_console(console)
    , m_openedFace(std::move(openedFace))
{
}

const Canvas* PictureSources::spriteSheet()
{
    std::call_once(m_sheetLoaded, [this] {
        m_sheet = loadSheet(m_sheetChoice);
        if (!m_sheet)
            m_console.report(kSheetUnreadableMessage, sheetName(m_sheetChoice));
    });
    return m_sheet ? &*m_sheet : nullptr;
}

std::optional<Canvas> PictureSources::loadSheet(const SheetChoice& choice) const
{
    return loadSpriteSheet(choice);
}

const std::optional<FontFileRef>& PictureSources::headerFontFile()
{
    std::call_once(m_fontFound, [this] { m_fontFile = findChosenFontFile(m_fontChoice); });
    return m_fontFile;
}

std::optional<HeaderFont> PictureSources::takeOpenedFace()
{
    const std::lock_guard lock(m_faceMutex);
    return std::exchange(m_openedFace, std::nullopt);
}

} // namespace beatplate
