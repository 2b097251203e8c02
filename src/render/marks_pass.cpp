#include "render/marks_pass.h"

#include "render/compositing.h"
#include "render/number_text.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace beatplate {

namespace {

// The removed mark: a bar this wide on the bar line, and above the row a tag this tall, from
// the row's top, that holds "-N" in the measure numbers' digits with this much paper around.
constexpr int kRemovedBarWidth = 4;
constexpr int kTagTop = 1;
constexpr int kTagHeight = 12;
constexpr int kTagPadding = 3;
constexpr int kDigitPixels = 6;

// Where removed measures stood: the bar line at x of the row at top.
struct Gap {
    std::int64_t x = kRowLeft;
    std::int64_t top = kFirstRowTop;
    int rowHeight = rowPixels(1);
};

Gap gapBefore(const ScoreLayout& layout, std::uint32_t before)
{
    const auto& places = layout.places();
    if (places.empty())
        return {};
    if (before < places.size())
        return { places[before].left, places[before].top, rowHeight(places[before].branchMask) };
    const MeasurePlace& last = places.back();
    return { last.left + static_cast<std::int64_t>(std::floor(last.width)), last.top,
             rowHeight(last.branchMask) };
}

struct Tag {
    std::int64_t left = 0;
    std::int64_t width = 0;
};

Tag tagAt(const Gap& gap, std::uint32_t count)
{
    const auto characters =
        static_cast<std::int64_t>(NumberText::wholeNumber(count).view().size()) + 1;
    const std::int64_t width = std::int64_t{ 2 } * kTagPadding + kDigitPixels * characters;
    return { std::clamp<std::int64_t>(gap.x - width / 2, 0, kPageWidth - width), width };
}

// Source-over of an opaque colour at an alpha over the area, clipped to the target.
void fill(DrawTarget target, const PixelArea& area, std::uint32_t colour, std::uint32_t alpha)
{
    Canvas& canvas = target.canvas;
    const std::int64_t top = std::max<std::int64_t>(area.top, target.top);
    const std::int64_t bottom = std::min<std::int64_t>(area.bottom, target.top + canvas.height());
    const auto left =
        static_cast<std::size_t>(std::clamp<std::int64_t>(area.left, 0, canvas.width()));
    const auto right =
        static_cast<std::size_t>(std::clamp<std::int64_t>(area.right, 0, canvas.width()));
    if (top >= bottom || left >= right)
        return;
    for (std::int64_t y = top; y < bottom; ++y) {
        const auto row = canvas.row(static_cast<int>(y - target.top));
        for (std::size_t x = left; x < right; ++x)
            row[x] = compositeCoverage(row[x], colour, alpha);
    }
}

void drawRemovedMark(const ScoreLayout& layout, std::uint32_t before, std::uint32_t count,
                     SpritePainter& painter, DrawTarget target)
{
    const Gap gap = gapBefore(layout, before);
    const Tag tag = tagAt(gap, count);
    const std::int64_t tagTop = gap.top + kTagTop;
    fill(target,
         { gap.x - kRemovedBarWidth / 2, tagTop + kTagHeight, gap.x + kRemovedBarWidth / 2,
           gap.top + gap.rowHeight },
         kRemovedMarkColour, 255);
    fill(target, { tag.left, tagTop, tag.left + tag.width, tagTop + kTagHeight },
         kRemovedMarkColour, 255);
    fill(target, { tag.left + 1, tagTop + 1, tag.left + tag.width - 1, tagTop + kTagHeight - 1 },
         kRemovedTagColour, 255);
    // The minus sign, two pixels thick across the middle of its digit cell.
    const std::int64_t textLeft = tag.left + kTagPadding;
    const std::int64_t textTop = tagTop + (kTagHeight - kDigitPixels) / 2;
    fill(target, { textLeft + 1, textTop + 2, textLeft + kDigitPixels - 1, textTop + 4 },
         kRemovedMarkColour, 255);
    painter.drawNumber(NumberText::wholeNumber(count).view(),
                       static_cast<float>(textLeft + kDigitPixels), static_cast<float>(textTop),
                       Sprite::SmallDigit0, std::nullopt);
}

} // namespace

PixelArea measureMarkArea(const ScoreLayout& layout, std::uint32_t measure)
{
    const MeasurePlace& place = layout.places()[measure];
    const std::int64_t left = place.left - (layout.startsRow(measure) ? kRowOverhang : 0);
    const std::int64_t right = place.left + static_cast<std::int64_t>(std::floor(place.width))
        + (layout.endsRow(measure) ? kRowOverhang : 0);
    return { left, place.top, right, place.top + rowHeight(place.branchMask) };
}

PixelArea removedMarkArea(const ScoreLayout& layout, std::uint32_t before, std::uint32_t count)
{
    const Gap gap = gapBefore(layout, before);
    const Tag tag = tagAt(gap, count);
    return { std::min(gap.x - kRemovedBarWidth / 2, tag.left), gap.top + kTagTop,
             std::max(gap.x + kRemovedBarWidth / 2, tag.left + tag.width),
             gap.top + gap.rowHeight };
}

void drawMarks(const ScoreLayout& layout, const BandContents& band, const MeasureMarks& marks,
               const Canvas& sheet, DrawTarget target)
{
    const auto placed = static_cast<std::uint32_t>(layout.places().size());
    assert(marks.measures.size() == placed && marks.removedBefore.size() == placed + 1);
    for (std::uint32_t measure = band.firstMeasure; measure < band.endMeasure; ++measure) {
        const MeasureChange change = marks.measures[measure];
        if (change != MeasureChange::Same)
            fill(target, measureMarkArea(layout, measure),
                 change == MeasureChange::Added ? kAddedMarkColour : kChangedMarkColour,
                 kMarkBandAlpha);
    }
    SpritePainter painter(sheet, target);
    // The end's mark stands in the last measure's row.
    const std::uint32_t gapEnd = band.endMeasure == placed ? placed + 1 : band.endMeasure;
    for (std::uint32_t before = band.firstMeasure; before < gapEnd; ++before) {
        if (marks.removedBefore[before] > 0)
            drawRemovedMark(layout, before, marks.removedBefore[before], painter, target);
    }
}

} // namespace beatplate
