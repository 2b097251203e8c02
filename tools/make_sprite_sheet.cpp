#include "rgba_png.h"
#include "sprite_sheet.h"

#include <cstdio>
#include <exception>

// Writes our sprite sheet to the path given; the build places it beside the program.
int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_sprite_sheet OUTPUT.png\n", stderr);
        return 2;
    }
    try {
        beatplate::writeRgbaPng(argv[1], beatplate::drawSpriteSheet());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_sprite_sheet: %s\n", error.what());
        return 1;
    }
    return 0;
}
