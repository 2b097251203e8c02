#pragma once

#include "chart/chart_document.h"
#include "render/canvas.h"
#include "render/scaled_blit.h"
#include "render/sprite_atlas.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

namespace beatplate {

class HeaderFont;

// Where one measure lies on the canvas.
struct MeasurePlace {
    std::uint32_t beats = 0;
    double beatLength = 1.0;
    std::int32_t branchMask = 0;
    std::int32_t left = 0; // canvas x of beat 0
    std::int32_t top = 0; // canvas y of the row's top

    bool operator==(const MeasurePlace&) const = default;
};

struct PointF {
    float x = 0;
    float y = 0;

    bool operator==(const PointF&) const = default;
};

inline constexpr int kPageWidth = 816;
// The tallest picture we make: libpng refuses taller ones by default.
inline constexpr int kMaxCanvasHeight = 1'000'000;
// The most pixel memory one picture may take, 2 GiB (657,930 rows of the page): three times
// what a 10,000-measure chart needs, and still a picture that ordinary machines can hold.
inline constexpr std::size_t kMaxCanvasBytes = std::size_t{ 1 } << 31;

// Draws a chart document onto a canvas from the sprites of a sprite sheet.
class ScoreRenderer {
public:
    explicit ScoreRenderer(std::filesystem::path spriteSheetPath);
    // Draws from a sheet loaded before, which must outlive the renderer; several renderers may
    // share it, as nothing writes to it.
    explicit ScoreRenderer(const Canvas& loadedSpriteSheet);

    // Lays the document out and draws the whole picture; call once.
    void render(const ChartDocument& document);

    // The text face for the title and difficulty lines; without one they are left out.
    void setHeaderFont(const HeaderFont* font) { m_headerFont = font; }

    // Layout.
    void breakRows(const ChartDocument& document);
    void placeMeasures(const ChartDocument& document);
    [[nodiscard]] PointF notePoint(const ChartPosition& position) const;
    // The position ticks after position, walking across measure ends; past the chart's end it
    // is the end of the last measure. Needs at least one measure.
    [[nodiscard]] ChartPosition advancePosition(const ChartPosition& position,
                                                std::uint32_t ticks) const;
    // Length of a placed measure in ticks, any fraction dropped.
    [[nodiscard]] std::uint32_t measureTicks(std::uint32_t measure) const;
    // The bottom of the last row: the canvas height; one empty row when nothing is placed.
    [[nodiscard]] int canvasHeight() const;

    // Canvas and sprites.
    // Throws std::length_error when the picture would be taller than kMaxCanvasHeight or take
    // more than kMaxCanvasBytes.
    void createCanvas();
    void attachGraphics(); // loads the sprite sheet; a missing or broken one leaves it empty
    void buildAtlas();
    // times > 1 draws the sprite that many times over itself, as cheaply as the pixels allow.
    void drawSprite(const RectF& destination, const RectF& source, std::uint32_t times = 1);
    void drawSpriteInt(int x, int y, int width, int height, const RectF& source);

    // Drawing passes, in stacking order.
    void drawBackground();
    void drawMeasures(const ChartDocument& document);
    [[nodiscard]] std::vector<GogoSpan> gogoPieces(const ChartDocument& document,
                                                   std::uint32_t measure) const;
    // Characters without a sprite (a sign where none is given, a separator) are left out.
    void drawSpriteNumber(std::string_view text, float x0, float y0, SpriteId digitBase,
                          std::optional<SpriteId> pointSprite,
                          std::optional<SpriteId> minusSprite = std::nullopt);
    void drawEvents(const ChartDocument& document);
    void drawNotes(const ChartDocument& document);
    void drawSpan(SpriteId head, SpriteId body, SpriteId tail, const ChartNote& note);
    // A counted span's icon and count over its head; drawNotes draws its pieces with the other
    // notes and this over all of them.
    void drawCountedSpan(SpriteId icon, const ChartNote& note);
    void drawHeaderText(const ChartDocument& document);

    [[nodiscard]] const Canvas& canvas() const { return m_canvas; }
    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }

    std::filesystem::path spriteSheetPath;
    std::set<std::uint32_t> rowStarts;
    std::vector<MeasurePlace> places;
    std::optional<Canvas> spriteSheet;
    SpriteAtlas atlas;

private:
    Canvas m_canvas;
    int m_width = kPageWidth;
    int m_height = 0;
    const HeaderFont* m_headerFont = nullptr;
    const Canvas* m_loadedSpriteSheet = nullptr;
    BlitScratch m_blitScratch;
};

} // namespace beatplate
