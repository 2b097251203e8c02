#pragma once

#include "image/canvas.h"
#include "load/header_font.h"
#include "load/header_font_choice.h"
#include "load/sprite_sheet_choice.h"
#include "platform/text_font_lookup.h"

#include <mutex>
#include <optional>

namespace beatplate {

class Console;

// The sprite sheet and the header face's file of a run, as its caller chose them, each loaded
// when a picture first needs it, so that a run that draws nothing, or whose charts all fail,
// loads neither; safe to ask from several threads at once.
class PictureSources {
public:
    // console: where a sheet that cannot be read is reported, once. openedFace: the chosen
    // font's face, when the caller opened it already, for the first drawing thread to take.
    PictureSources(SheetChoice sheet, HeaderFontChoice font, Console& console,
                   std::optional<HeaderFont> openedFace = std::nullopt);
    PictureSources(const PictureSources&) = delete;
    PictureSources& operator=(const PictureSources&) = delete;
    virtual ~PictureSources() = default;

    // Null when the sheet cannot be read.
    [[nodiscard]] const Canvas* spriteSheet();
    [[nodiscard]] const std::optional<FontFileRef>& headerFontFile();
    // The face the caller opened, once; none after that.
    [[nodiscard]] std::optional<HeaderFont> takeOpenedFace();

protected:
    // The chosen sheet's pixels, read once, on the thread that first asks for them; none when
    // it cannot be read. Overridden only to watch or hold the loading.
    [[nodiscard]] virtual std::optional<Canvas> loadSheet(const SheetChoice& choice) const;

private:
    SheetChoice m_sheetChoice;
    HeaderFontChoice m_fontChoice;
    Console& m_console;
    std::once_flag m_sheetLoaded;
    std::once_flag m_fontFound;
    std::optional<Canvas> m_sheet;
    std::optional<FontFileRef> m_fontFile;
    std::mutex m_faceMutex;
    std::optional<HeaderFont> m_openedFace;
};

} // namespace beatplate
