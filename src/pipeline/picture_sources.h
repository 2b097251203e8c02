#pragma once

#include "image/canvas.h"
#include "platform/text_font_lookup.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>

namespace beatplate {

// The sprite sheet and the header face's file of a run, each loaded when a picture first needs
// it, so that a run that draws nothing, or whose charts all fail, loads neither; safe to ask
// from several threads at once.
class PictureSources {
public:
    // The sheet, or none when it cannot be read (the loader reports that, once).
    using SheetLoader = std::function<std::optional<Canvas>()>;
    using FontFinder = std::function<std::optional<FontFileRef>()>;

    PictureSources(SheetLoader loadSheet, FontFinder findFont);
    PictureSources(const PictureSources&) = delete;
    PictureSources& operator=(const PictureSources&) = delete;

    // Null when the sheet cannot be read.
    [[nodiscard]] const Canvas* spriteSheet();
    [[nodiscard]] const std::optional<FontFileRef>& headerFontFile();

private:
    SheetLoader m_loadSheet;
    FontFinder m_findFont;
    std::once_flag m_sheetLoaded;
    std::once_flag m_fontFound;
    std::optional<Canvas> m_sheet;
    std::optional<FontFileRef> m_fontFile;
};

// The header face's file: the font file named, else the system's Japanese gothic face as the
// lookup finds it.
[[nodiscard]] PictureSources::FontFinder
headerFontFinder(std::optional<std::filesystem::path> font);

} // namespace beatplate
