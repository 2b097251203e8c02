#include "mock_score.h"

#include "render/compositing.h"
#include "render/sprite_atlas.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <string_view>

namespace beatplate {
namespace {

constexpr int kRowWidth = 816;

struct Measure {
    int left = 0;
    int top = 0;
    int beats = 4;
    double beatLength = 1.0;
    int mask = 0;
    bool startsRow = false;
    bool endsRow = false;
    int number = 0;
};

int laneCount(int mask)
{
    return mask == 0 ? 1 : std::popcount(static_cast<unsigned>(mask & 7));
}

// Draws sprites the way the renderer's canvas samples them: a destination pixel takes the
// source pixel under its centre, nearest neighbour.
class MockScore {
public:
    MockScore(const Canvas& sheet, int height)
        : m_sheet(sheet)
        , m_canvas(kRowWidth, height)
    {
    }

    void sprite(SpriteId id, double x, double y, double width, double height)
    {
        const RectF source = spriteRect(id);
        const int left = std::max(0, static_cast<int>(std::ceil(x - 0.5)));
        const int right = std::min(m_canvas.width(), static_cast<int>(std::ceil(x + width - 0.5)));
        const int top = std::max(0, static_cast<int>(std::ceil(y - 0.5)));
        const int bottom =
            std::min(m_canvas.height(), static_cast<int>(std::ceil(y + height - 0.5)));
        for (int j = top; j < bottom; ++j) {
            const int sourceY = static_cast<int>(source.y)
                + static_cast<int>((j + 0.5 - y) * source.height / height);
            for (int i = left; i < right; ++i) {
                const int sourceX = static_cast<int>(source.x)
                    + static_cast<int>((i + 0.5 - x) * source.width / width);
                auto& pixel = m_canvas.row(j)[static_cast<std::size_t>(i)];
                pixel = compositeOver(pixel, m_sheet.pixel(sourceX, sourceY));
            }
        }
    }

    void number(std::string_view text, double x, double y, SpriteId digitBase, SpriteId point)
    {
        for (const char character : text) {
            sprite(character == '.' ? point : digitBase + (character - '0'), x, y, 6, 6);
            x += 6;
        }
    }

    void measure(const Measure& m)
    {
        const int n = laneCount(m.mask);
        const double w = m.beats * 48 * m.beatLength;
        const double xl = m.left - 24 * m.startsRow;
        const double width = w + 24 * (m.startsRow + m.endsRow);
        double laneY = m.top + 36;
        for (int bit = 0; bit < 3; ++bit) {
            if (((m.mask == 0 ? 1 : m.mask) >> bit & 1) == 0)
                continue;
            sprite(18 + bit, xl, laneY, width, 24);
            laneY += 24;
        }
        sprite(16, xl, m.top + 32, width, 6);
        sprite(17, xl, m.top + n * 24 + 34, width, 6);
        m_gogoLeft = std::max(m_gogoLeft, xl);
        if (m_gogoLeft < m_gogoRight)
            sprite(27, m_gogoLeft, m.top + 14, std::min(m_gogoRight, xl + width) - m_gogoLeft, 18);
        sprite(21, m.left - 1, m.top + 14, 2, n * 24 + 26);
        if (m.endsRow)
            sprite(21, m.left + w - 1, m.top + 14, 2, n * 24 + 26);
        for (int k = 0; k < m.beats; ++k) {
            const double xk = m.left + k * (m.beatLength * 48) - 1;
            if (k > 0)
                sprite(22, xk, m.top + 32, 2, n * 24 + 8);
            sprite(23, xk + m.beatLength * 24, m.top + 32, 2, n * 24 + 8);
        }
        number(std::to_string(m.number), m.left, m.top + 26, 55, -1);
    }

    // The gogo section the next measures draw their band pieces of.
    void setGogo(double left, double right)
    {
        m_gogoLeft = left;
        m_gogoRight = right;
    }

    void tempo(double x, int top, int lanes, bool insideMeasure, std::string_view value)
    {
        if (insideMeasure)
            sprite(25, x - 1, top + 14, 2, lanes * 24 + 26);
        sprite(28, x, top + 20, 18, 6);
        number(value, x + 18, top + 20, 30, 29);
    }

    void scroll(double x, int top, int lanes, bool insideMeasure, int mask, std::string_view value)
    {
        if (insideMeasure)
            sprite(25, x - 1, top + 14, 2, lanes * 24 + 26);
        for (int bit = 0; bit < 3; ++bit) {
            if ((mask >> bit & 1) != 0) {
                sprite(52 + bit, x, top + 14, 6, 6);
                x += 6;
            }
        }
        sprite(51, x, top + 14, 12, 6);
        number(value, x + 12, top + 14, 40, 50);
    }

    void branchStart(int left, int top, int lanes)
    {
        sprite(24, left - 1, top + 14, 2, lanes * 24 + 26);
    }

    void note(SpriteId id, double x, double y) { sprite(id, x - 12, y - 12, 24, 24); }

    // One span piece per row: head at start, tail at end when the span ends in this row.
    void span(SpriteId head, double start, double end, double y, bool hasHead, bool hasTail)
    {
        if (hasHead)
            sprite(head, start - 12, y - 12, 12, 24);
        sprite(head + 1, start, y - 12, end - start, 24);
        if (hasTail)
            sprite(head + 2, end, y - 12, 12, 24);
    }

    void countedSpan(SpriteId icon, double start, double end, double y, int count)
    {
        span(10, start, end, y, true, true);
        sprite(icon, start - 12, y - 12, 24, 24);
        const std::string text = std::to_string(count);
        number(text, start - 3.0 * static_cast<double>(text.size()), y - 3, 55, -1);
    }

    [[nodiscard]] Canvas take() { return std::move(m_canvas); }

private:
    const Canvas& m_sheet;
    Canvas m_canvas;
    double m_gogoLeft = 0;
    double m_gogoRight = 0;
};

void drawPlainRow(MockScore& score)
{
    constexpr int top = 48;
    score.setGogo(456, kRowWidth);
    for (int i = 0; i < 4; ++i)
        score.measure({ 24 + 192 * i, top, 4, 1.0, 0, i == 0, i == 3, i + 1 });
    score.tempo(24, top, 1, false, "120");
    score.scroll(24, top, 1, false, 0, "1");
    score.tempo(696, top, 1, true, "150.5");
    const double y = top + 48;
    // Drawn from the latest note back, so that the earlier of two overlapping heads is on top.
    score.note(3, 792, y);
    score.note(2, 768, y);
    score.note(0, 744, y);
    score.note(2, 720, y);
    score.note(0, 696, y);
    score.countedSpan(13, 600, 672, y, 5);
    score.span(7, 528, 576, y, true, true);
    score.span(4, 408, 504, y, true, true);
    score.note(1, 360, y);
    const SpriteId run[] = { 0, 2, 0, 2, 0, 0, 2, 2 };
    for (int k = 7; k >= 0; --k)
        score.note(run[k], 216 + 12 * k, y);
    score.note(3, 168, y);
    score.note(2, 120, y);
    score.note(1, 72, y);
    score.note(0, 24, y);
}

void drawBranchedRow(MockScore& score)
{
    constexpr int top = 112;
    score.setGogo(0, 0);
    for (int i = 0; i < 4; ++i)
        score.measure({ 24 + 192 * i, top, 4, 1.0, 7, i == 0, i == 3, i + 5 });
    score.branchStart(24, top, 3);
    score.scroll(24, top, 3, false, 7, "1.25");
    score.scroll(216, top, 3, false, 2, "0.75");
    score.tempo(216, top, 3, false, "88");
    const double lane[] = { top + 48, top + 72, top + 96 };
    score.span(7, 696, 792, lane[2], true, false);
    score.countedSpan(15, 408, 600 + 48, lane[2], 100);
    score.countedSpan(14, 456, 552, lane[1], 12);
    score.span(4, 600, 744, lane[0], true, true);
    for (int k = 7; k >= 0; --k) {
        score.note(k % 2 == 0 ? 0 : 2, 24 + 24 * k, lane[0]);
        score.note(k % 3 == 0 ? 3 : 2, 24 + 24 * k, lane[1]);
        score.note(k % 4 == 0 ? 1 : 0, 24 + 24 * k, lane[2]);
    }
    score.note(1, 264, lane[0]);
    score.note(3, 312, lane[1]);
}

void drawMeterRow(MockScore& score)
{
    constexpr int top = 224;
    score.setGogo(0, 168 + 72);
    for (int i = 0; i < 4; ++i)
        score.measure({ 24 + 144 * i, top, 6, 0.5, 0, i == 0, false, i + 9 });
    score.measure({ 600, top, 3, 1.0, 0, false, true, 13 });
    score.scroll(168 + 72, top, 1, true, 0, "0.5");
    score.tempo(456, top, 1, false, "240");
    const double y = top + 48;
    score.span(7, 24, 72, y, false, true);
    for (int k = 5; k >= 0; --k)
        score.note(k % 2 == 0 ? 1 : 3, 168 + 24 * k, y);
    for (int k = 8; k >= 0; --k)
        score.note(k % 3 == 1 ? 2 : 0, 312 + 16 * k, y);
    score.countedSpan(13, 600, 744, y, 0);
    score.note(0, 96, y);
    score.note(2, 120, y);
}

} // namespace

Canvas composeMockScore(const Canvas& sheet)
{
    MockScore score(sheet, 288);
    score.sprite(26, 0, 0, kRowWidth, 288);
    drawPlainRow(score);
    drawBranchedRow(score);
    drawMeterRow(score);
    return score.take();
}

Canvas magnify(const Canvas& picture, int factor)
{
    Canvas large(picture.width() * factor, picture.height() * factor);
    for (int y = 0; y < large.height(); ++y) {
        auto row = large.row(y);
        for (int x = 0; x < large.width(); ++x) {
            const bool dark = ((x / 4) + (y / 4)) % 2 == 0;
            const std::uint32_t checker = dark ? 0xFF9A9A9Au : 0xFFC8C8C8u;
            row[static_cast<std::size_t>(x)] =
                compositeOver(checker, picture.pixel(x / factor, y / factor));
        }
    }
    return large;
}

Canvas crop(const Canvas& picture, int x, int y, int width, int height)
{
    Canvas part(width, height);
    for (int j = 0; j < height; ++j) {
        const auto source = picture.row(y + j).subspan(static_cast<std::size_t>(x));
        std::copy_n(source.begin(), width, part.row(j).begin());
    }
    return part;
}

} // namespace beatplate
