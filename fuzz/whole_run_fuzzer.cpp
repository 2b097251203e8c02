#include "chart/chart_reading.h"
#include "load/header_font.h"
#include "load/sprite_sheet.h"
#include "output/png_writer.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/picture_tools.h"
#include "render/score_layout.h"
#include "render/sprite_atlas.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

// A small sheet with a distinct colour per sprite, every third one half transparent, so that
// draws both copy and blend; read back from a PNG as a sheet file is.
beatplate::Canvas makeSheet()
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
    std::vector<std::uint8_t> bytes;
    beatplate::PngSink sink(bytes);
    if (beatplate::writeChartPng(beatplate::bandsOf(sheet), beatplate::makeSourceChunk(u""), sink))
        __builtin_trap();
    auto loaded = beatplate::loadSpriteSheet(std::span<const std::uint8_t>(bytes));
    if (!loaded)
        __builtin_trap();
    return std::move(*loaded);
}

// What every run shares: the sheet written once, and the header face looked up once.
struct FuzzFixture {
    beatplate::Canvas sheet = makeSheet();
    // The title and difficulty come from the chart, so their text goes through the real face.
    std::optional<beatplate::HeaderFont> font = beatplate::HeaderFont::find();
};

const FuzzFixture& fixture()
{
    static const FuzzFixture shared;
    return shared;
}

// Pictures up to this size are drawn; larger ones are only laid out, so that the fuzzer spends
// its time on many charts rather than on painting a few, and stays within its memory limit.
constexpr std::size_t kMaxDrawnBytes = std::size_t{ 256 } << 20;

// Pictures over the program's own limit are still handed to the renderer, which must refuse
// them before it allocates anything.
bool worthDrawing(const beatplate::ChartDocument& document)
{
    const beatplate::ScoreLayout layout(document);
    const auto bytes = static_cast<std::size_t>(layout.canvasHeight()) * beatplate::kPageWidth * 4;
    return bytes <= kMaxDrawnBytes || !layout.fitsPicture();
}

} // namespace

// Set up before the first input, so that a cold font cache is not taken for a slow chart.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static_cast<void>(fixture());
    return 0;
}

// The whole run on any bytes, through the program's own pipeline: read, lay out, draw and
// encode; only chart errors and pictures too large to make may stop it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto reading = beatplate::readChart(std::string(reinterpret_cast<const char*>(data), size),
                                        { beatplate::ChartScope::FirstError, std::nullopt });
    if (reading.hasErrors() || !worthDrawing(reading.document))
        return 0;
    beatplate::ChartPipeline chart(reading.document, std::move(reading.text));
    const beatplate::PictureTools tools{ &fixture().sheet,
                                         fixture().font ? &*fixture().font : nullptr };
    std::vector<std::uint8_t> png;
    beatplate::PngSink sink(png);
    // The fastest level: the encoder's work hardly depends on the chart, and speed finds more.
    const auto error = chart.drawPicture(tools, sink, { .compressionLevel = 1 });
    if (error ? error->kind != beatplate::PipelineErrorKind::PictureTooLarge : png.size() < 8)
        __builtin_trap();
    return 0;
}
