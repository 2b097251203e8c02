#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace beatplate {

// Which of the lookup's choices supplied the face, in order of preference.
enum class FontChoice { NamedGothic, IpaGothic, AnyJapanese };

// A face inside a font file, as fontconfig names it.
struct FontFileRef {
    std::filesystem::path file;
    int faceIndex = 0; // fontconfig's index: face in the collection, named instance above bit 16
    std::string family;
    FontChoice choice = FontChoice::NamedGothic;

    bool operator==(const FontFileRef&) const = default;
};

// Finds the face for the header lines in the system's font configuration: "ＭＳ ゴシック", then
// "IPAGothic" (each only when installed under that name), then the best face for Japanese; each
// taken only if it covers kana, kanji and the rating stars. None when there is no such face or
// fontconfig cannot start.
[[nodiscard]] std::optional<FontFileRef> findHeaderFontFile();

// The same lookup among the given font files alone, without the system's configuration.
[[nodiscard]] std::optional<FontFileRef>
findHeaderFontFileAmong(std::span<const std::filesystem::path> fontFiles);

} // namespace beatplate
