#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// One rasterised glyph: anti-aliased coverage placed relative to the pen's start on the baseline.
struct GlyphCoverage {
    int left = 0; // pixels from the line's pen start to the first column
    int top = 0; // pixels from the baseline down to the first row (negative: above it)
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage; // rows top-down, width bytes each, 0 to 255
};

// A line of text laid out at one cell height.
struct TextRun {
    int ascent = 0; // pixels from the top of the cell down to the baseline
    double emSize = 0; // pixels
    int advance = 0; // pixels from the pen start to the pen end
    std::vector<GlyphCoverage> glyphs;
};

// The face the header lines are written in: a FreeType face sized by cell height, that is by
// its Windows ascent plus descent, emboldened when the face itself is not bold.
class HeaderFont {
public:
    // Looks the face up through fontconfig; none when no usable face is installed.
    [[nodiscard]] static std::optional<HeaderFont> find();
    // Loads a face of a font file; none when the file is missing, not a font or not scalable.
    [[nodiscard]] static std::optional<HeaderFont> fromFile(const std::filesystem::path& file,
                                                            int faceIndex = 0);
    // The same from the bytes of a font file, which the font keeps; its file() is empty.
    [[nodiscard]] static std::optional<HeaderFont> fromBytes(std::vector<std::uint8_t> bytes,
                                                             int faceIndex = 0);

    HeaderFont(HeaderFont&& other) noexcept;
    HeaderFont& operator=(HeaderFont&& other) noexcept;
    ~HeaderFont();

    [[nodiscard]] std::string familyName() const;
    [[nodiscard]] const std::filesystem::path& file() const;
    [[nodiscard]] bool hasChar(char32_t c) const;
    // True when bold is made by thickening the outlines rather than taken from the face.
    [[nodiscard]] bool emboldens() const;

    // Rasterises text with the cell height in pixels; characters the face lacks are skipped.
    // Glyphs whose pen position lies beyond maxAdvance pixels are left out.
    [[nodiscard]] TextRun layoutLine(std::u16string_view text, int cellHeight,
                                     int maxAdvance) const;

private:
    struct Face;
    explicit HeaderFont(std::unique_ptr<Face> face);
    [[nodiscard]] static std::optional<HeaderFont>
    fromMemory(std::unique_ptr<Face> owned, std::span<const std::uint8_t> bytes, int faceIndex);

    std::unique_ptr<Face> m_face;
};

} // namespace beatplate
