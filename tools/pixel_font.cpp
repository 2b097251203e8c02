#include "pixel_font.h"

#include "render/compositing.h"

#include <cassert>
#include <vector>

namespace beatplate {
namespace {

struct GlyphEntry {
    char character;
    Glyph glyph;
};

// Four pixels wide so that 0, 6, 8 and 9 keep open counters at 100 % zoom.
constexpr std::array<GlyphEntry, 17> kGlyphs{ {
    { '0', { 4, { ".##.", "#..#", "#..#", "#..#", ".##." } } },
    { '1', { 4, { "..#.", ".##.", "..#.", "..#.", ".###" } } },
    { '2', { 4, { "###.", "...#", ".##.", "#...", "####" } } },
    { '3', { 4, { "###.", "...#", ".##.", "...#", "###." } } },
    { '4', { 4, { "#..#", "#..#", "####", "...#", "...#" } } },
    { '5', { 4, { "####", "#...", "###.", "...#", "###." } } },
    { '6', { 4, { ".##.", "#...", "###.", "#..#", ".##." } } },
    { '7', { 4, { "####", "...#", "..#.", ".#..", ".#.." } } },
    { '8', { 4, { ".##.", "#..#", ".##.", "#..#", ".##." } } },
    { '9', { 4, { ".##.", "#..#", ".###", "...#", ".##." } } },
    { '.', { 2, { "..", "..", "..", "##", "##" } } },
    { '-', { 3, { "...", "...", "###", "...", "..." } } },
    { 'B', { 4, { "###.", "#..#", "###.", "#..#", "###." } } },
    { 'H', { 4, { "#..#", "#..#", "####", "#..#", "#..#" } } },
    { 'M', { 5, { "#...#", "##.##", "#.#.#", "#...#", "#...#" } } },
    { 'P', { 4, { "###.", "#..#", "###.", "#...", "#..." } } },
    { 'S', { 4, { ".###", "#...", ".##.", "...#", "###." } } },
} };

enum class Mark : std::uint8_t { None, Corner, Edge, Ink };

// Marks ink and its neighbourhood on a grid the size of the cell.
class MarkGrid {
public:
    explicit MarkGrid(const Cell& cell)
        : m_width(cell.width)
        , m_height(cell.height)
        , m_marks(static_cast<std::size_t>(cell.width * cell.height), Mark::None)
    {
    }

    void raise(int x, int y, Mark mark)
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return;
        auto& current = m_marks[index(x, y)];
        if (mark > current)
            current = mark;
    }

    void addInk(int x, int y)
    {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx)
                raise(x + dx, y + dy, dx != 0 && dy != 0 ? Mark::Corner : Mark::Edge);
        }
        raise(x, y, Mark::Ink);
    }

    [[nodiscard]] Mark at(int x, int y) const { return m_marks[index(x, y)]; }

private:
    // Callers keep x and y inside the cell.
    [[nodiscard]] std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width)
            + static_cast<std::size_t>(x);
    }

    int m_width;
    int m_height;
    std::vector<Mark> m_marks;
};

std::uint32_t colourOf(Mark mark, const Lettering& style)
{
    switch (mark) {
    case Mark::Ink:
        return style.ink;
    case Mark::Edge:
        return style.halo;
    case Mark::Corner:
        return withAlpha(style.halo, (style.halo >> 24) / 2);
    case Mark::None:
        break;
    }
    return 0;
}

} // namespace

const Glyph& glyphOf(char character)
{
    for (const auto& entry : kGlyphs) {
        if (entry.character == character)
            return entry.glyph;
    }
    assert(!"no glyph for this character");
    return kGlyphs.front().glyph;
}

int drawLettering(Canvas& sheet, const Cell& cell, int x, int y, std::string_view text,
                  const Lettering& style)
{
    MarkGrid grid(cell);
    int penX = x;
    for (const char character : text) {
        const Glyph& glyph = glyphOf(character);
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < glyph.width; ++column) {
                if (glyph.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]
                    == '#')
                    grid.addInk(penX + column, y + row);
            }
        }
        penX += glyph.width + 1;
    }
    for (int j = 0; j < cell.height; ++j) {
        auto row = sheet.row(cell.y + j);
        for (int i = 0; i < cell.width; ++i) {
            auto& pixel = row[static_cast<std::size_t>(cell.x) + static_cast<std::size_t>(i)];
            pixel = compositeOver(pixel, colourOf(grid.at(i, j), style));
        }
    }
    return penX - 1 - x;
}

} // namespace beatplate
