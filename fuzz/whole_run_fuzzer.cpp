#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"
#include "output/png_writer.h"
#include "render/header_font.h"
#include "render/score_renderer.h"
#include "render/sprite_atlas.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

// A small sheet with a distinct opaque colour per sprite, so that every draw really composites.
std::filesystem::path writeSheet()
{
    beatplate::Canvas sheet(beatplate::kSpriteSheetMinWidth, beatplate::kSpriteSheetMinHeight);
    for (beatplate::SpriteId id = 0; id < beatplate::kSpriteCount; ++id) {
        const auto rect = beatplate::spriteRect(id);
        const auto alpha = static_cast<std::uint32_t>(id % 3 == 0 ? 0x80 : 0xFF);
        for (int y = static_cast<int>(rect.y); y < static_cast<int>(rect.y + rect.height); ++y) {
            for (int x = static_cast<int>(rect.x); x < static_cast<int>(rect.x + rect.width); ++x)
                sheet.row(y)[static_cast<std::size_t>(x)] =
                    alpha << 24 | static_cast<std::uint32_t>(id * 0x030507);
        }
    }
    const auto bytes = beatplate::encodeChartPng(sheet, L"");
    const auto path = std::filesystem::temp_directory_path()
        / ("beatplate-fuzz-sheet-" + std::to_string(getpid()) + ".png");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

const std::filesystem::path& sheetPath()
{
    static const std::filesystem::path path = writeSheet();
    return path;
}

// The title and difficulty come from the chart, so their text goes through the real face.
const beatplate::HeaderFont* headerFont()
{
    static const std::optional<beatplate::HeaderFont> font = beatplate::HeaderFont::find();
    return font ? &*font : nullptr;
}

} // namespace

// The whole run on any bytes: read, lay out, draw and encode; only chart errors may escape.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto reader = beatplate::ChartTextReader::fromBytes(
        std::string(reinterpret_cast<const char*>(data), size));
    beatplate::ChartParser parser;
    try {
        const auto document = parser.parse(reader);
        beatplate::ScoreRenderer renderer(sheetPath());
        renderer.setHeaderFont(headerFont());
        renderer.render(*document);
        // The fastest level: the encoder's work hardly depends on the chart, and speed finds more.
        const auto png = beatplate::encodeChartPng(renderer.canvas(), parser.sourceText,
                                                   { .compressionLevel = 1 });
        if (png.size() < 8)
            __builtin_trap();
    } catch (const beatplate::ChartParseError&) {
    } catch (const std::length_error&) {
        // Pictures taller than the writer accepts are refused, not drawn.
    }
    return 0;
}
