#include "platform/text_font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <initializer_list>
#include <memory>

namespace beatplate {
namespace {

struct FcConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
struct FcPatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct FcFontSetDeleter {
    void operator()(FcFontSet* fontSet) const { FcFontSetDestroy(fontSet); }
};
using FcConfigPtr = std::unique_ptr<FcConfig, FcConfigDeleter>;
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, FcFontSetDeleter>;

struct CharRange {
    FcChar32 first;
    FcChar32 last;
};

// Every hiragana and katakana letter, kanji common in titles, and the two rating stars.
constexpr std::array kRequiredRanges{ CharRange{ 0x3041, 0x3093 }, CharRange{ 0x30A1, 0x30F6 },
                                      CharRange{ 0x4E00, 0x4E00 }, CharRange{ 0x4E09, 0x4E09 },
                                      CharRange{ 0x65E5, 0x65E5 }, CharRange{ 0x6F22, 0x6F22 },
                                      CharRange{ 0x5B57, 0x5B57 }, CharRange{ 0x591C, 0x591C },
                                      CharRange{ 0x54B2, 0x54B2 }, CharRange{ 0x2605, 0x2606 } };

} // namespace

static const FcChar8* fcText(const char* text)
{
    return reinterpret_cast<const FcChar8*>(text);
}

static bool coversHeaderText(const FcPattern& font)
{
    FcCharSet* charset = nullptr; // owned by the pattern
    if (FcPatternGetCharSet(&font, FC_CHARSET, 0, &charset) != FcResultMatch)
        return false;
    for (const auto& range : kRequiredRanges) {
        for (FcChar32 c = range.first; c <= range.last; ++c) {
            if (!FcCharSetHasChar(charset, c))
                return false;
        }
    }
    return true;
}

// Bitmap-only faces cannot be sized to a cell height or emboldened.
static bool isScalable(const FcPattern& font)
{
    FcBool scalable = FcFalse;
    return FcPatternGetBool(&font, FC_SCALABLE, 0, &scalable) == FcResultMatch && scalable;
}

static bool speaksJapanese(const FcPattern& font)
{
    FcLangSet* languages = nullptr; // owned by the pattern
    if (FcPatternGetLangSet(&font, FC_LANG, 0, &languages) != FcResultMatch)
        return false;
    return FcLangSetHasLang(languages, fcText("ja")) != FcLangDifferentLang;
}

static std::optional<FontFileRef> usableFace(const FcPattern& font, FontChoice choice)
{
    if (!isScalable(font) || !coversHeaderText(font))
        return std::nullopt;
    FcChar8* file = nullptr;
    if (FcPatternGetString(&font, FC_FILE, 0, &file) != FcResultMatch)
        return std::nullopt;
    FontFileRef ref;
    ref.file = reinterpret_cast<const char*>(file);
    ref.choice = choice;
    if (FcPatternGetInteger(&font, FC_INDEX, 0, &ref.faceIndex) != FcResultMatch)
        ref.faceIndex = 0;
    FcChar8* family = nullptr;
    if (FcPatternGetString(&font, FC_FAMILY, 0, &family) == FcResultMatch)
        ref.family = reinterpret_cast<const char*>(family);
    return ref;
}

// A bold request of the given families (or of a language), with the configuration's defaults.
static FcPatternPtr makeRequest(FcConfig& config, std::initializer_list<const char*> families,
                                const char* language)
{
    FcPatternPtr pattern(FcPatternCreate());
    if (!pattern)
        return nullptr;
    for (const char* family : families) {
        if (!FcPatternAddString(pattern.get(), FC_FAMILY, fcText(family)))
            return nullptr;
    }
    if (language != nullptr && !FcPatternAddString(pattern.get(), FC_LANG, fcText(language)))
        return nullptr;
    if (!FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_BOLD))
        return nullptr;
    if (!FcConfigSubstitute(&config, pattern.get(), FcMatchPattern))
        return nullptr;
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

static bool hasFamily(const FcPattern& font, std::initializer_list<const char*> families)
{
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(&font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        for (const char* family : families) {
            if (FcStrCmpIgnoreCase(name, fcText(family)) == 0)
                return true;
        }
    }
    return false;
}

// fontconfig always matches something, often a face without Japanese, and which one depends on
// the locale; only the named face itself is taken here, the others are left to the last step.
static std::optional<FontFileRef>
matchFamily(FcConfig& config, std::initializer_list<const char*> families, FontChoice choice)
{
    const FcPatternPtr request = makeRequest(config, families, nullptr);
    if (!request)
        return std::nullopt;
    FcResult result = FcResultNoMatch;
    const FcPatternPtr match(FcFontMatch(&config, request.get(), &result));
    if (!match || !hasFamily(*match, families))
        return std::nullopt;
    return usableFace(*match, choice);
}

static std::optional<FontFileRef> firstJapaneseFace(FcConfig& config)
{
    const FcPatternPtr request = makeRequest(config, { "sans-serif" }, "ja");
    if (!request)
        return std::nullopt;
    FcResult result = FcResultNoMatch;
    const FcFontSetPtr sorted(FcFontSort(&config, request.get(), FcFalse, nullptr, &result));
    if (!sorted)
        return std::nullopt;
    for (int i = 0; i < sorted->nfont; ++i) {
        const FcPattern& font = *sorted->fonts[i];
        if (!speaksJapanese(font))
            continue;
        if (auto ref = usableFace(font, FontChoice::AnyJapanese))
            return ref;
    }
    return std::nullopt;
}

static std::optional<FontFileRef> findIn(FcConfig& config)
{
    if (auto ref = matchFamily(config, { "ＭＳ ゴシック", "MS Gothic" }, FontChoice::NamedGothic))
        return ref;
    if (auto ref = matchFamily(config, { "IPAGothic" }, FontChoice::IpaGothic))
        return ref;
    return firstJapaneseFace(config);
}

std::optional<FontFileRef> findHeaderFontFile()
{
    const FcConfigPtr config(FcInitLoadConfigAndFonts());
    if (!config)
        return std::nullopt;
    return findIn(*config);
}

std::optional<FontFileRef> findHeaderFontFileAmong(std::span<const std::filesystem::path> fontFiles)
{
    const FcConfigPtr config(FcConfigCreate());
    if (!config)
        return std::nullopt;
    // A file that is missing or not a font simply adds no face, so the result is not needed.
    for (const auto& file : fontFiles)
        static_cast<void>(FcConfigAppFontAddFile(config.get(), fcText(file.c_str())));
    return findIn(*config);
}

} // namespace beatplate
