#include "render/score_renderer.h"

#include "render/compositing.h"
#include "render/sprite_sheet.h"

#include <cmath>
#include <stdexcept>

namespace beatplate {

ScoreRenderer::ScoreRenderer(std::filesystem::path path)
    : spriteSheetPath(std::move(path))
{
}

void ScoreRenderer::render(const ChartDocument& document)
{
    breakRows(document);
    placeMeasures(document);
    createCanvas();
    attachGraphics();
    buildAtlas();
    drawBackground();
    drawMeasures(document);
    drawEvents(document);
    drawNotes(document);
    drawHeaderText(document);
}

void ScoreRenderer::createCanvas()
{
    const int height = canvasHeight();
    if (height > kMaxCanvasHeight)
        throw std::length_error("the picture would be " + std::to_string(height)
                                + " pixels tall, more than " + std::to_string(kMaxCanvasHeight));
    m_canvas = Canvas(m_width, height);
    m_height = height;
}

void ScoreRenderer::attachGraphics()
{
}

void ScoreRenderer::buildAtlas()
{
    for (SpriteId id = 0; id < kSpriteCount; ++id)
        atlas[id] = spriteRect(id);
}

// Index of the first pixel whose centre (index + 0.5) is at or after edge.
static std::int64_t firstCentreAtOrAfter(double edge)
{
    return static_cast<std::int64_t>(std::ceil(edge - 0.5));
}

namespace {
struct Span {
    int first = 0;
    int end = 0; // one past the last
};
} // namespace

// Canvas pixels whose centres lie in [start, start + length), clipped to [0, limit).
static Span coveredPixels(double start, double length, int limit)
{
    const std::int64_t first = std::max<std::int64_t>(firstCentreAtOrAfter(start), 0);
    const std::int64_t end = std::min<std::int64_t>(firstCentreAtOrAfter(start + length), limit);
    if (first >= end)
        return {};
    return { static_cast<int>(first), static_cast<int>(end) };
}

// Sheet pixel containing the point mapped from a canvas pixel centre, or -1 outside the sheet.
static int sourcePixel(int canvasIndex, double destinationStart, double scale, double sourceStart,
                       double sourceLength, int sheetLimit)
{
    double u = sourceStart + (canvasIndex + 0.5 - destinationStart) * scale;
    // Rounding must never step outside the source rectangle.
    u = std::min(u, sourceStart + sourceLength - 0.5);
    u = std::max(u, sourceStart);
    const auto pixel = static_cast<std::int64_t>(std::floor(u));
    if (pixel < 0 || pixel >= sheetLimit)
        return -1;
    return static_cast<int>(pixel);
}

void ScoreRenderer::drawSprite(const RectF& destination, const RectF& source)
{
    if (!spriteSheet || m_canvas.empty())
        return;
    if (!(destination.width > 0 && destination.height > 0 && source.width > 0 && source.height > 0))
        return;
    const Span columns = coveredPixels(destination.x, destination.width, m_canvas.width());
    const Span rows = coveredPixels(destination.y, destination.height, m_canvas.height());
    if (columns.first == columns.end || rows.first == rows.end)
        return;

    const Canvas& sheet = *spriteSheet;
    const double scaleX = double{ source.width } / destination.width;
    const double scaleY = double{ source.height } / destination.height;
    m_sourceColumns.resize(static_cast<std::size_t>(columns.end - columns.first));
    for (int x = columns.first; x < columns.end; ++x)
        m_sourceColumns[static_cast<std::size_t>(x - columns.first)] =
            sourcePixel(x, destination.x, scaleX, source.x, source.width, sheet.width());

    for (int y = rows.first; y < rows.end; ++y) {
        const int sourceY =
            sourcePixel(y, destination.y, scaleY, source.y, source.height, sheet.height());
        if (sourceY < 0)
            continue;
        const auto sourceRow = sheet.row(sourceY);
        auto* target = m_canvas.row(y).data() + columns.first;
        for (const int sourceX : m_sourceColumns) {
            if (sourceX >= 0)
                *target = compositeOver(*target, sourceRow[static_cast<std::size_t>(sourceX)]);
            ++target;
        }
    }
}

void ScoreRenderer::drawSpriteInt(int x, int y, int width, int height, const RectF& source)
{
    const RectF truncated{ std::trunc(source.x), std::trunc(source.y), std::trunc(source.width),
                           std::trunc(source.height) };
    drawSprite({ static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                 static_cast<float>(height) },
               truncated);
}

} // namespace beatplate
