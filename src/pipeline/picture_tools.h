#pragma once

namespace beatplate {

class Canvas;
class HeaderFont;

// What a picture is drawn with, as its caller chose and loaded them.
struct PictureTools {
    const Canvas* spriteSheet = nullptr; // null: it could not be read (reported where it was)
    const HeaderFont* headerFont = nullptr; // null: the header is left out
};

} // namespace beatplate
