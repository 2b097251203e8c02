#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_text_reader.h"
#include "image/canvas.h"
#include "load/header_font.h"
#include "pipeline/picture_tools.h"
#include "pipeline/pipeline_error.h"
#include "platform/text_font_lookup.h"
#include "render/column_layout.h"
#include "sound/stroke_scheduler.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

enum class PreviewPicture {
    Skip, // diagnostics and figures only
    Draw,
};

// What the page shows of one chart text.
struct ChartPreviewResult {
    std::vector<ChartDiagnostic> diagnostics; // errors and warnings, in line and column order
    bool hasErrors = false;
    bool tooLong = false; // longer than the reader takes: no more of it was read
    std::string statsJson; // the --stats JSON object; empty when there is an error
    std::vector<std::uint8_t> png; // the picture with its chart inside; empty on an error or Skip
    std::optional<PipelineError> pictureError; // why a chart without errors has no picture
    // Every stroke of the chart's sound, of every branch path and the metronome, in time order;
    // empty when there is an error.
    std::vector<Stroke> strokes;
};

// Draws charts in the server's own process, on any of its threads: each drawing takes a header
// face of its own from a pool (FreeType faces may not be shared), and no more drawings run at
// once than were allowed, which bounds the memory that their canvases take.
class ChartPreview {
public:
    // font: the face found for the header, or none (the header is then left out).
    ChartPreview(Canvas spriteSheet, std::optional<FontFileRef> font, unsigned concurrentDrawings);

    // Checks the chart text in bytes (decoded as the reader decides, or in forced) and draws it
    // when asked and it has no error, in form. name is the chart's path in the figures.
    [[nodiscard]] ChartPreviewResult preview(std::string bytes, std::optional<ChartEncoding> forced,
                                             std::string_view name, PreviewPicture picture,
                                             const PictureForm& form = {});

private:
    // The sheet, and a face of the pool returned to it when the lease ends.
    class FontLease final : public PictureTools {
    public:
        explicit FontLease(ChartPreview& owner);
        ~FontLease() override;
        [[nodiscard]] const Canvas* spriteSheet() override { return &m_owner.m_spriteSheet; }
        [[nodiscard]] const HeaderFont* headerFont() override
        {
            return m_font ? &*m_font : nullptr;
        }

    private:
        ChartPreview& m_owner;
        std::optional<HeaderFont> m_font;
    };

    Canvas m_spriteSheet;
    std::optional<FontFileRef> m_fontFile;
    std::mutex m_fontMutex;
    std::vector<HeaderFont> m_freeFonts;
    std::counting_semaphore<> m_drawings;
};

} // namespace beatplate
