#include "program_icon.h"
#include "rgba_png.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <vector>

// Writes the program's icon as an .ico file, and with a second path its largest size as a PNG
// to look at.
int main(int argc, char** argv)
{
    using namespace beatplate;
    if (argc != 2 && argc != 3) {
        std::fputs("usage: make_program_icon OUTPUT.ico [PREVIEW.png]\n", stderr);
        return 2;
    }
    try {
        std::vector<Canvas> pictures;
        for (const int size : kProgramIconSizes)
            pictures.push_back(drawProgramIcon(size));
        const auto bytes = iconFile(pictures);
        std::ofstream file(argv[1], std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush())
            throw RgbaPngError(std::string("cannot write ") + argv[1]);
        if (argc == 3)
            writeRgbaPng(argv[2], pictures.back());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_program_icon: %s\n", error.what());
        return 1;
    }
    return 0;
}
