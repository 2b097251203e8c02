#include "mock_score.h"

#include "chart/chart_reading.h"
#include "render/compositing.h"
#include "render/score_renderer.h"

#include <algorithm>
#include <string>

namespace beatplate {
namespace {

// Three rows: plain 4/4 with every note and span kind, three branch lanes with counted spans
// and scroll speeds per branch, then 6/8 and 3/4 under a negative scroll speed; gogo bands in
// all of them.
constexpr const char* kMockChart =
    ";a small score of every sprite: plain, branched and odd-meter rows\n"
    "#bpm 120\n"
    "#hs 1\n"
    "o   O   x   X   \n"
    "oxoxooxxO   x   \n"
    "<=====> (==)    \n"
    "#begingogo 2 1\n"
    "#bpm 150.5 2 1\n"
    "[@5====] ooxoxX\n"
    "#branch ooo\n"
    "#hs 1.25 ooo\n"
    "#bpm 88 1 1\n"
    "oxoxoxoxO       \n"
    "XxxXxxXx   X    \n"
    "OooOooOo        \n"
    "#hs 0.75 xox 2 1\n"
    "ooooo   <====>  \n"
    "o   [p12====]   \n"
    "(=====)  x  o   \n"
    "oo  oo  oo  oo  \n"
    "xx  xx  xx  xx  \n"
    "[b100=======]   \n"
    "#endgogo\n"
    "#branch oxx\n"
    "#newline\n"
    "#meter 8 6\n"
    "#hs -0.5\n"
    " OXOXOX     \n"
    "#bpm 240\n"
    "#begingogo\n"
    "o o o x x x \n"
    "#endgogo 1 1\n"
    "oxooxoxxo   \n"
    "#meter 4 3\n"
    "[@0====]    \n";

} // namespace

Canvas composeMockScore(const Canvas& sheet)
{
    const ChartReading chart = readChart(kMockChart, { ChartScope::FirstError, std::nullopt });
    return ScoreRenderer(sheet).render(chart.document);
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
