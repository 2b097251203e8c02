#include "load/header_font.h"

#include "platform/mapped_file.h"
#include "platform/text_font_lookup.h"

#include <ft2build.h>
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>

namespace beatplate {
namespace {

struct FtLibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FtFaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FtLibraryPtr = std::unique_ptr<FT_LibraryRec_, FtLibraryDeleter>;
using FtFacePtr = std::unique_ptr<FT_FaceRec_, FtFaceDeleter>;

// The character cell in font units: ascent above the baseline and descent below it.
struct CellMetrics {
    long ascent = 0;
    long descent = 0;
};

// Synthetic bold thickens stems by a 24th of the em, but by no less than the platform's one
// pixel (26.6), which is what it comes to at header sizes.
constexpr long kEmboldenDivisor = 24;
constexpr long kMinimumEmbolden = 64;

} // namespace

struct HeaderFont::Face {
    FtLibraryPtr library;
    // FreeType reads the font from memory: a path of its own would not reach every file the
    // system can open, and a stream would cost system calls for its many scattered reads.
    std::optional<MappedFile> fontFile;
    std::vector<std::uint8_t> fontBytes; // or the bytes given, which the face reads in place
    FtFacePtr face; // after the library and the file, so that it is released first
    std::filesystem::path file;
    CellMetrics cell;
    bool emboldens = false;
};

// The cell of a Windows font is usWinAscent + usWinDescent; faces without them fall back to hhea.
static std::optional<CellMetrics> cellMetrics(FT_Face face)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        return CellMetrics{ os2->usWinAscent, os2->usWinDescent };
    if (face->ascender - face->descender > 0)
        return CellMetrics{ face->ascender, -face->descender };
    return std::nullopt;
}

static bool isBoldFace(FT_Face face)
{
    if ((face->style_flags & FT_STYLE_FLAG_BOLD) != 0)
        return true;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    return os2 != nullptr && os2->version != 0xFFFF && os2->usWeightClass >= 600;
}

std::optional<HeaderFont> HeaderFont::find()
{
    const auto ref = findHeaderFontFile();
    if (!ref)
        return std::nullopt;
    return fromFile(ref->file, ref->faceIndex);
}

std::optional<HeaderFont> HeaderFont::fromFile(const std::filesystem::path& file, int faceIndex)
{
    auto owned = std::make_unique<Face>();
    owned->fontFile = MappedFile::open(file);
    if (!owned->fontFile)
        return std::nullopt;
    owned->file = file;
    const auto bytes = owned->fontFile->bytes();
    return fromMemory(std::move(owned), bytes, faceIndex);
}

std::optional<HeaderFont> HeaderFont::fromBytes(std::vector<std::uint8_t> bytes, int faceIndex)
{
    auto owned = std::make_unique<Face>();
    owned->fontBytes = std::move(bytes);
    const std::span<const std::uint8_t> held = owned->fontBytes;
    return fromMemory(std::move(owned), held, faceIndex);
}

std::optional<HeaderFont> HeaderFont::fromMemory(std::unique_ptr<Face> owned,
                                                 std::span<const std::uint8_t> bytes, int faceIndex)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return std::nullopt;
    owned->library.reset(library);
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, bytes.data(), static_cast<FT_Long>(bytes.size()), faceIndex,
                           &face)
        != 0)
        return std::nullopt;
    owned->face.reset(face);
    if (!FT_IS_SCALABLE(face) || FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
        return std::nullopt;
    const auto cell = cellMetrics(face);
    if (!cell)
        return std::nullopt;
    owned->cell = *cell;
    owned->emboldens = !isBoldFace(face);
    return HeaderFont(std::move(owned));
}

HeaderFont::HeaderFont(std::unique_ptr<Face> face)
    : m_face(std::move(face))
{
}

HeaderFont::HeaderFont(HeaderFont&& other) noexcept = default;
HeaderFont& HeaderFont::operator=(HeaderFont&& other) noexcept = default;
HeaderFont::~HeaderFont() = default;

std::string HeaderFont::familyName() const
{
    const char* name = m_face->face->family_name;
    return name != nullptr ? name : "";
}

const std::filesystem::path& HeaderFont::file() const
{
    return m_face->file;
}

bool HeaderFont::hasChar(char32_t c) const
{
    return FT_Get_Char_Index(m_face->face.get(), c) != 0;
}

bool HeaderFont::emboldens() const
{
    return m_face->emboldens;
}

static GlyphCoverage copyCoverage(const FT_Bitmap& bitmap, int left, int top)
{
    GlyphCoverage glyph;
    glyph.left = left;
    glyph.top = top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    const auto width = static_cast<std::size_t>(bitmap.width);
    glyph.coverage.resize(width * bitmap.rows);
    const std::size_t stride = static_cast<std::size_t>(std::abs(bitmap.pitch));
    for (unsigned y = 0; y < bitmap.rows; ++y) {
        // A negative pitch means the rows are stored bottom-up.
        const unsigned sourceRow = bitmap.pitch >= 0 ? y : bitmap.rows - 1 - y;
        std::memcpy(glyph.coverage.data() + y * width, bitmap.buffer + sourceRow * stride, width);
    }
    return glyph;
}

// Sizes the face so that its cell is cellHeight pixels; fills the run's ascent and em.
static bool setCellHeight(FT_Face face, const CellMetrics& cell, int cellHeight, TextRun& run)
{
    const auto cellUnits = static_cast<double>(cell.ascent + cell.descent);
    // A positive Windows font height is the cell, so the em is the cell's share of units per em.
    run.emSize = cellHeight * face->units_per_EM / cellUnits;
    run.ascent =
        static_cast<int>(std::lround(static_cast<double>(cell.ascent) * cellHeight / cellUnits));
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.height = std::lround(run.emSize * 64);
    return FT_Request_Size(face, &request) == 0;
}

// Renders the loaded glyph with its origin at pen (26.6 pixels); a failed step leaves it out.
static std::optional<GlyphCoverage> renderLoadedGlyph(FT_GlyphSlot slot, FT_Pos pen,
                                                      FT_Pos boldStrength)
{
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
        return std::nullopt;
    // Like the platform's synthetic bold, stems thicken to the right only, so that the glyph
    // keeps its origin and stays inside its cell.
    if (boldStrength > 0 && FT_Outline_EmboldenXY(&slot->outline, boldStrength, 0) != 0)
        return std::nullopt;
    // The pen's fraction goes into the outline so that the bitmap lands on whole pixels.
    FT_Outline_Translate(&slot->outline, pen & 63, 0);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0
        || slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return std::nullopt;
    return copyCoverage(slot->bitmap, static_cast<int>(pen >> 6) + slot->bitmap_left,
                        -slot->bitmap_top);
}

TextRun HeaderFont::layoutLine(std::u16string_view text, int cellHeight, int maxAdvance) const
{
    TextRun run;
    FT_Face face = m_face->face.get();
    if (cellHeight <= 0 || !setCellHeight(face, m_face->cell, cellHeight, run))
        return run;
    const FT_Pos boldStrength = m_face->emboldens
        ? std::max<FT_Pos>(kMinimumEmbolden,
                           FT_MulFix(face->units_per_EM, face->size->metrics.y_scale)
                               / kEmboldenDivisor)
        : 0;
    // The advance grows by the thickening in whole pixels, as the platform's synthetic bold does.
    const FT_Pos boldAdvance = boldStrength > 0 ? (boldStrength + 63) & ~63 : 0;
    const FT_Pos penLimit = static_cast<FT_Pos>(maxAdvance) * 64;
    FT_Pos pen = 0; // 26.6 pixels
    FT_UInt previous = 0;
    for (const char16_t c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<std::uint32_t>(c));
        if (index == 0)
            continue;
        FT_Vector kerning{};
        if (previous != 0 && FT_HAS_KERNING(face)
            && FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning) == 0)
            pen += kerning.x;
        previous = index;
        if (pen > penLimit)
            break;
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP) != 0)
            continue;
        auto glyph = renderLoadedGlyph(face->glyph, pen, boldStrength);
        if (glyph && !glyph->coverage.empty())
            run.glyphs.push_back(std::move(*glyph));
        pen += face->glyph->advance.x + boldAdvance;
    }
    run.advance = static_cast<int>((pen + 32) >> 6);
    return run;
}

} // namespace beatplate
