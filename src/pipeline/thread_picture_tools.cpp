#include "pipeline/thread_picture_tools.h"

namespace beatplate {

const HeaderFont* ThreadPictureTools::headerFont()
{
    if (!m_faceOpened) {
        m_faceOpened = true;
        // Without a usable face the header is left out and the score is still drawn.
        if (const auto& file = m_sources.headerFontFile())
            m_face = HeaderFont::fromFile(file->file, file->faceIndex);
    }
    return m_face ? &*m_face : nullptr;
}

} // namespace beatplate
