#pragma once

#include "load/header_font.h"
#include "pipeline/picture_sources.h"
#include "pipeline/picture_tools.h"

#include <optional>

namespace beatplate {

// The tools of one drawing thread: the run's sheet, and a header face of the thread's own
// (FreeType faces may not be shared), opened when the thread draws its first picture.
class ThreadPictureTools {
public:
    explicit ThreadPictureTools(PictureSources& sources)
        : m_sources(sources)
    {
    }
    ThreadPictureTools(const ThreadPictureTools&) = delete;
    ThreadPictureTools& operator=(const ThreadPictureTools&) = delete;

    // Loads what is not loaded yet; the face only once the sheet could be read.
    [[nodiscard]] PictureTools tools();

private:
    [[nodiscard]] const HeaderFont* headerFont();

    PictureSources& m_sources;
    bool m_faceOpened = false;
    std::optional<HeaderFont> m_face;
};

} // namespace beatplate
