// Writes the header lines onto a white 816 x 64 canvas and saves it as a PNG, for looking at.
// Usage: header_preview OUTPUT.png [--title T] [--difficulty D] [--level N] [--font FILE]
//        [--zoom N] [--crop WIDTH]

#include "base/text_codec.h"
#include "load/header_font.h"
#include "render/text_header.h"
#include "rgba_png.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using beatplate::Canvas;

namespace {

struct Options {
    std::string output;
    std::u16string title = u"さくら咲く夜のうた";
    std::u16string difficulty = u"おに";
    int level = 7;
    std::string font;
    int zoom = 1;
    int cropWidth = 816;
};

} // namespace

// Arguments are UTF-8, as Linux terminals write them; anything else gives an empty line.
static std::u16string widen(const char* text)
{
    return beatplate::decodeUtf8(text).value_or(u"");
}

// The left cropWidth columns, each pixel repeated zoom times in both directions.
static Canvas zoomed(const Canvas& canvas, int zoom, int cropWidth)
{
    Canvas result(cropWidth * zoom, canvas.height() * zoom);
    for (int y = 0; y < result.height(); ++y) {
        const auto source = canvas.row(y / zoom);
        auto destination = result.row(y);
        for (int x = 0; x < result.width(); ++x)
            destination[static_cast<std::size_t>(x)] = source[static_cast<std::size_t>(x / zoom)];
    }
    return result;
}

static std::optional<Options> parseOptions(int argc, char** argv)
{
    if (argc < 2)
        return std::nullopt;
    Options options;
    options.output = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--title")
            options.title = widen(value);
        else if (name == "--difficulty")
            options.difficulty = widen(value);
        else if (name == "--level")
            options.level = std::atoi(value);
        else if (name == "--font")
            options.font = value;
        else if (name == "--crop")
            options.cropWidth = std::clamp(std::atoi(value), 1, 816);
        else if (name == "--zoom")
            options.zoom = std::max(1, std::atoi(value));
        else
            return std::nullopt;
    }
    return options;
}

int main(int argc, char** argv)
{
    const auto options = parseOptions(argc, argv);
    if (!options) {
        std::fputs("usage: header_preview OUTPUT.png [--title T] [--difficulty D] [--level N] "
                   "[--font FILE] [--zoom N] [--crop WIDTH]\n",
                   stderr);
        return 2;
    }
    auto font = options->font.empty() ? beatplate::HeaderFont::find()
                                      : beatplate::HeaderFont::fromFile(options->font);
    if (!font) {
        std::fputs("no usable face\n", stderr);
        return 1;
    }
    std::printf("face: %s (%s)%s\n", font->familyName().c_str(), font->file().c_str(),
                font->emboldens() ? ", emboldened" : "");
    Canvas canvas(816, 64);
    for (int y = 0; y < canvas.height(); ++y) {
        for (auto& pixel : canvas.row(y))
            pixel = 0xFFFFFFFF;
    }
    beatplate::ChartDocument document;
    document.title = options->title;
    document.difficulty = options->difficulty;
    document.level = options->level;
    beatplate::drawHeaderLines(canvas, *font, document);
    try {
        beatplate::writeRgbaPng(options->output, zoomed(canvas, options->zoom, options->cropWidth));
    } catch (const beatplate::RgbaPngError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
