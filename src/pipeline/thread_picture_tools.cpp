#include "pipeline/thread_picture_tools.h"

namespace beatplate {

PictureTools ThreadPictureTools::tools()
{
    const Canvas* sheet = m_sources.spriteSheet();
    return { sheet, sheet != nullptr ? headerFont() : nullptr };
}

const HeaderFont* ThreadPictureTools::headerFont()
{
    if (!m_faceOpened) {
        m_faceOpened = true;
        m_face = m_sources.takeOpenedFace();
        // Without a usable face the header is left out and the score is still drawn.
        if (!m_face) {
            if (const auto& file = m_sources.headerFontFile())
                m_face = HeaderFont::fromFile(file->file, file->faceIndex);
        }
    }
    return m_face ? &*m_face : nullptr;
}

} // namespace beatplate
