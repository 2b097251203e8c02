#pragma once

#include "load/header_font.h"
#include "pipeline/picture_sources.h"
#include "pipeline/picture_tools.h"

#include <optional>

namespace beatplate {

// The tools of one drawing thread: the run's sheet, and a header face of the thread's own
// (FreeType faces may not be shared), opened when the thread draws its first picture.
class ThreadPictureTools final : public PictureTools {
public:
    explicit ThreadPictureTools(PictureSources& sources)
        : m_sources(sources)
    {
    }

    [[nodiscard]] const Canvas* spriteSheet() override { return m_sources.spriteSheet(); }
    [[nodiscard]] const HeaderFont* headerFont() override;

private:
    PictureSources& m_sources;
    bool m_faceOpened = false;
    std::optional<HeaderFont> m_face;
};

} // namespace beatplate
