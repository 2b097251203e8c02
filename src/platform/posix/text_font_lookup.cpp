#include "platform/text_font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <cstdlib>
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

static std::optional<FontFileRef> findNamedIn(FcConfig& config)
{
    if (auto ref = matchFamily(config, { "ＭＳ ゴシック", "MS Gothic" }, FontChoice::NamedGothic))
        return ref;
    return matchFamily(config, { "IPAGothic" }, FontChoice::IpaGothic);
}

static std::optional<FontFileRef> findIn(FcConfig& config)
{
    if (auto ref = findNamedIn(config))
        return ref;
    return firstJapaneseFace(config);
}

// The font directories and caches of the system's configuration, and the administrator's and
// the user's own files, without the distribution's dozens of rules: those only rank faces for
// a generic family, and reading them costs more than drawing a short chart.
constexpr const char* kFontDirectoriesConfiguration = R"(<?xml version="1.0"?>
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <dir>/usr/local/share/fonts</dir>
  <dir prefix="xdg">fonts</dir>
  <dir>~/.fonts</dir>
  <cachedir>/var/cache/fontconfig</cachedir>
  <cachedir prefix="xdg">fontconfig</cachedir>
  <cachedir>~/.fontconfig</cachedir>
  <include ignore_missing="yes">/etc/fonts/local.conf</include>
  <include ignore_missing="yes" prefix="xdg">fontconfig/conf.d</include>
  <include ignore_missing="yes" prefix="xdg">fontconfig/fonts.conf</include>
  <include ignore_missing="yes">~/.fonts.conf.d</include>
  <include ignore_missing="yes">~/.fonts.conf</include>
</fontconfig>
)";

// None when the user points fontconfig at a configuration of their own, which is then read whole.
static FcConfigPtr fontDirectoriesConfig()
{
    for (const char* variable : { "FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT" }) {
        if (std::getenv(variable) != nullptr)
            return nullptr;
    }
    FcConfigPtr config(FcConfigCreate());
    if (!config
        || !FcConfigParseAndLoadFromMemory(config.get(), fcText(kFontDirectoriesConfiguration),
                                           FcFalse)
        || !FcConfigBuildFonts(config.get()))
        return nullptr;
    return config;
}

std::optional<FontFileRef> findHeaderFontFile()
{
    // A face asked for by name is the same whatever the rules say; the whole configuration is
    // read only for the best Japanese face, or when the directories alone hold no named one.
    if (const FcConfigPtr directories = fontDirectoriesConfig()) {
        if (auto ref = findNamedIn(*directories))
            return ref;
    }
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
