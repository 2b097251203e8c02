// Prints what finding and loading the header face adds to one run, and which face it is.
// Run it once after clearing fontconfig's caches and again afterwards to see both cases.

#include "load/header_font.h"
#include "platform/text_font_lookup.h"
#include "render/text_header.h"

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* choiceName(beatplate::FontChoice choice)
{
    switch (choice) {
    case beatplate::FontChoice::NamedGothic:
        return "named gothic";
    case beatplate::FontChoice::IpaGothic:
        return "IPAGothic";
    case beatplate::FontChoice::AnyJapanese:
        return "any Japanese face";
    }
    return "?";
}

} // namespace

int main()
{
    const auto lookupStart = Clock::now();
    const auto ref = beatplate::findHeaderFontFile();
    const double lookupMs = millisecondsSince(lookupStart);
    if (!ref) {
        std::printf("fontconfig look-up: %.1f ms, no usable face\n", lookupMs);
        return 1;
    }
    const auto loadStart = Clock::now();
    const auto font = beatplate::HeaderFont::fromFile(ref->file, ref->faceIndex);
    const double loadMs = millisecondsSince(loadStart);
    if (!font) {
        std::printf("face %s cannot be loaded\n", ref->file.c_str());
        return 1;
    }
    beatplate::Canvas canvas(816, 64);
    beatplate::ChartDocument document;
    document.title = u"さくら咲く夜のうた";
    document.difficulty = u"おに";
    document.level = 7;
    const auto drawStart = Clock::now();
    beatplate::drawHeaderLines(canvas, *font, document);
    const double drawMs = millisecondsSince(drawStart);
    std::printf("face: %s, index %d (%s, found as %s)%s\n", ref->family.c_str(), ref->faceIndex,
                ref->file.c_str(), choiceName(ref->choice),
                font->emboldens() ? ", emboldened" : "");
    std::printf("fontconfig look-up %.1f ms, face load %.1f ms, both lines drawn %.1f ms, "
                "total %.1f ms\n",
                lookupMs, loadMs, drawMs, lookupMs + loadMs + drawMs);
    return 0;
}
