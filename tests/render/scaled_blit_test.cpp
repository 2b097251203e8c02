#include "render/compositing.h"
#include "render/scaled_blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>

namespace beatplate {
namespace {

// The drawing rule written the plain way: every canvas pixel whose centre lies inside the
// destination takes the sheet pixel under its mapped centre, composited source-over.
void referenceBlit(Canvas& canvas, const Canvas& sheet, const RectF& destination,
                   const RectF& source)
{
    if (!(destination.width > 0 && destination.height > 0 && source.width > 0 && source.height > 0))
        return;
    const auto sample = [](int index, double start, double length, double sourceStart,
                           double sourceLength) {
        double u = sourceStart + (index + 0.5 - start) * sourceLength / length;
        u = std::max(std::min(u, sourceStart + sourceLength - 0.5), sourceStart);
        return static_cast<long long>(std::floor(u));
    };
    const double right = double{ destination.x } + destination.width;
    const double bottom = double{ destination.y } + destination.height;
    for (int y = 0; y < canvas.height(); ++y) {
        if (y + 0.5 < destination.y || y + 0.5 >= bottom)
            continue;
        const long long sourceY =
            sample(y, destination.y, destination.height, source.y, source.height);
        for (int x = 0; x < canvas.width(); ++x) {
            if (x + 0.5 < destination.x || x + 0.5 >= right)
                continue;
            const long long sourceX =
                sample(x, destination.x, destination.width, source.x, source.width);
            if (sourceX < 0 || sourceX >= sheet.width() || sourceY < 0 || sourceY >= sheet.height())
                continue; // outside the sheet: transparent
            auto& target = canvas.row(y)[static_cast<std::size_t>(x)];
            target = compositeOver(
                target, sheet.pixel(static_cast<int>(sourceX), static_cast<int>(sourceY)));
        }
    }
}

// Sheets with the pixels that take each path: clear, opaque, translucent, rows of one colour,
// and rows that are all opaque or all clear.
Canvas randomSheet(std::mt19937& random)
{
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution(low, high)(random);
    };
    Canvas sheet(pick(1, 40), pick(1, 30));
    for (int y = 0; y < sheet.height(); ++y) {
        const int rowStyle = pick(0, 4);
        const auto rowColour = static_cast<std::uint32_t>(random());
        for (auto& pixel : sheet.row(y)) {
            const auto colour = static_cast<std::uint32_t>(random()) & 0x00FFFFFFu;
            switch (rowStyle) {
            case 0: // one opaque colour
                pixel = rowColour | 0xFF000000u;
                break;
            case 1: // opaque
                pixel = colour | 0xFF000000u;
                break;
            case 2: // clear
                pixel = colour;
                break;
            default: { // anything, often the two extremes
                const int alphaKind = pick(0, 3);
                const auto alpha = alphaKind == 0 ? 0u
                    : alphaKind == 1              ? 255u
                                                  : static_cast<std::uint32_t>(pick(1, 254));
                pixel = colour | alpha << 24;
            }
            }
        }
    }
    return sheet;
}

// A canvas that is opaque (as after the background) or, now and then, has translucent pixels.
Canvas randomCanvas(std::mt19937& random)
{
    Canvas canvas(std::uniform_int_distribution(1, 90)(random),
                  std::uniform_int_distribution(1, 50)(random));
    const bool opaque = std::uniform_int_distribution(0, 3)(random) != 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (auto& pixel : canvas.row(y)) {
            pixel = static_cast<std::uint32_t>(random());
            if (opaque || std::uniform_int_distribution(0, 5)(random) != 0)
                pixel |= 0xFF000000u;
        }
    }
    return canvas;
}

// Whole, half and odd pixel positions; sizes at the sprite's own size, stretched and shrunk.
RectF randomDestination(std::mt19937& random, const Canvas& canvas, const RectF& source)
{
    const auto real = [&](double low, double high) {
        return std::uniform_real_distribution(low, high)(random);
    };
    const auto position = [&](int limit) {
        const double value = real(-12, limit + 4);
        switch (std::uniform_int_distribution(0, 2)(random)) {
        case 0:
            return static_cast<float>(std::floor(value));
        case 1:
            return static_cast<float>(std::floor(value) + 0.5);
        default:
            return static_cast<float>(value);
        }
    };
    const auto length = [&](float own) {
        switch (std::uniform_int_distribution(0, 3)(random)) {
        case 0:
            return own;
        case 1:
            return static_cast<float>(std::ceil(real(1, 120)));
        default:
            return static_cast<float>(real(0.3, 120));
        }
    };
    return { position(canvas.width()), position(canvas.height()), length(source.width),
             length(source.height) };
}

RectF randomSource(std::mt19937& random, const Canvas& sheet)
{
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution(low, high)(random);
    };
    // Mostly inside the sheet; sometimes over its edges, which reads as transparent.
    const int x = pick(-3, sheet.width() - 1);
    const int y = pick(-3, sheet.height() - 1);
    return { static_cast<float>(x), static_cast<float>(y),
             static_cast<float>(pick(1, sheet.width() + 3 - std::max(x, 0))),
             static_cast<float>(pick(1, sheet.height() + 3 - std::max(y, 0))) };
}

std::uint32_t testSeed()
{
    if (const char* given = std::getenv("BEATPLATE_TEST_SEED"))
        return static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
}

TEST(BlitScaled, MatchesThePlainRuleOnRandomSheetsAndRectangles)
{
    // A fixed seed that always runs, and a fresh one that is printed so a failure can be rerun
    // with BEATPLATE_TEST_SEED.
    for (const std::uint32_t seed : { 20240611u, testSeed() }) {
        std::cout << "BlitScaled seed " << seed << "\n";
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        BlitScratch scratch;
        for (int draw = 0; draw < 3000; ++draw) {
            const Canvas sheet = randomSheet(random);
            Canvas canvas = randomCanvas(random);
            const RectF source = randomSource(random, sheet);
            const RectF destination = randomDestination(random, canvas, source);
            Canvas expected = canvas;
            referenceBlit(expected, sheet, destination, source);
            blitScaled(canvas, sheet, destination, source, scratch);
            ASSERT_EQ(canvas, expected)
                << "draw " << draw << ": destination " << destination.x << ", " << destination.y
                << ", " << destination.width << " x " << destination.height << "; source "
                << source.x << ", " << source.y << ", " << source.width << " x " << source.height
                << " of a " << sheet.width() << " x " << sheet.height() << " sheet";
        }
    }
}

TEST(BlitScaled, RepeatedDrawEqualsDrawingThatManyTimes)
{
    const std::uint32_t seed = testSeed();
    std::cout << "BlitScaled repeat seed " << seed << "\n";
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    BlitScratch scratch;
    for (int draw = 0; draw < 300; ++draw) {
        const Canvas sheet = randomSheet(random);
        Canvas canvas = randomCanvas(random);
        const RectF source = randomSource(random, sheet);
        const RectF destination = randomDestination(random, canvas, source);
        // Few repeats, and more than any pixel needs to settle (alpha 1 takes over a hundred).
        const auto times = draw % 10 == 0 ? std::uniform_int_distribution(200u, 700u)(random)
                                          : std::uniform_int_distribution(0u, 12u)(random);
        Canvas expected = canvas;
        for (std::uint32_t i = 0; i < times; ++i)
            referenceBlit(expected, sheet, destination, source);
        blitScaled(canvas, sheet, destination, source, scratch, times);
        ASSERT_EQ(canvas, expected) << "draw " << draw << ", " << times << " times";
    }
}

TEST(BlitScaled, WideTranslucentRowsMatchThePlainRule)
{
    // Rows longer than the blend's gathering run, stretched and at the sprite's own width.
    std::mt19937 random(7);
    Canvas sheet(300, 2);
    for (int y = 0; y < 2; ++y) {
        for (auto& pixel : sheet.row(y))
            pixel = static_cast<std::uint32_t>(random());
    }
    for (const RectF destination : { RectF{ 3, 1, 300, 2 }, RectF{ 0.5F, 0, 700, 5 } }) {
        Canvas canvas(720, 6);
        for (int y = 0; y < 6; ++y) {
            for (auto& pixel : canvas.row(y))
                pixel = static_cast<std::uint32_t>(random()) | 0xFF000000u;
        }
        Canvas expected = canvas;
        const RectF source{ 0, 0, 300, 2 };
        referenceBlit(expected, sheet, destination, source);
        BlitScratch scratch;
        blitScaled(canvas, sheet, destination, source, scratch);
        EXPECT_EQ(canvas, expected) << destination.width;
    }
}

} // namespace
} // namespace beatplate
