#pragma once

namespace beatplate {

class Canvas;
class HeaderFont;

// What a picture is drawn with, asked for only when a picture is drawn, after its chart has
// been read, so that a run that draws nothing loads neither the sheet nor a font.
class PictureTools {
public:
    PictureTools() = default;
    PictureTools(const PictureTools&) = delete;
    PictureTools& operator=(const PictureTools&) = delete;
    virtual ~PictureTools() = default;

    // The sprite sheet; null when it cannot be read (reported where it was loaded).
    [[nodiscard]] virtual const Canvas* spriteSheet() = 0;
    // The face of the header lines, held until the tools go; null: the header is left out.
    [[nodiscard]] virtual const HeaderFont* headerFont() = 0;
};

} // namespace beatplate
