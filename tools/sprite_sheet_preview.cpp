#include "mock_score.h"
#include "rgba_png.h"

#include <cstdio>
#include <exception>
#include <filesystem>

// Writes two pictures for judging a sprite sheet by eye: a mock score at 2x, close-ups of it
// and the sheet at 6x.
int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: sprite_sheet_preview SHEET.png OUTPUT_DIRECTORY\n", stderr);
        return 2;
    }
    try {
        const auto sheet = beatplate::readRgbaPng(argv[1]);
        const std::filesystem::path directory = argv[2];
        const auto score = beatplate::composeMockScore(sheet);
        beatplate::writeRgbaPng(directory / "score_preview_1x.png", score);
        beatplate::writeRgbaPng(directory / "score_preview.png", beatplate::magnify(score, 2));
        // Close-ups of the markers, the branch lanes and the counted spans.
        beatplate::writeRgbaPng(directory / "score_detail_markers.png",
                                beatplate::magnify(beatplate::crop(score, 0, 50, 300, 128), 4));
        beatplate::writeRgbaPng(directory / "score_detail_spans.png",
                                beatplate::magnify(beatplate::crop(score, 380, 50, 400, 176), 3));
        beatplate::writeRgbaPng(directory / "sheet_preview.png", beatplate::magnify(sheet, 6));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sprite_sheet_preview: %s\n", error.what());
        return 1;
    }
    return 0;
}
