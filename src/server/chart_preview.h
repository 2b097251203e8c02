#pragma once

#include "chart/chart_comparison.h"
#include "chart/chart_document.h"
#include "image/canvas.h"
#include "load/header_font.h"
#include "pipeline/picture_tools.h"
#include "pipeline/pipeline_error.h"
#include "platform/text_font_lookup.h"
#include "render/column_layout.h"
#include "server/fifo_semaphore.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {

// The most measures a preview draws: more than a real chart has, and few enough that one
// drawing takes seconds and megabytes at most, not minutes and hundreds of megabytes.
inline constexpr std::size_t kMaxPreviewMeasures = 2000;

// The picture of a chart, or why it has none.
struct PreviewPicture {
    std::vector<std::uint8_t> png; // with its chart inside; empty on an error
    std::optional<PipelineError> error;
};

// Draws charts in the server's own process, on any of its threads: each drawing takes a header
// face of its own from a pool (FreeType faces may not be shared), and no more drawings run at
// once than were allowed, which bounds the memory that their canvases take; the others wait
// their turn in the order they came.
class ChartPreview {
public:
    // font: the face found for the header, or none (the header is then left out).
    ChartPreview(Canvas spriteSheet, std::optional<FontFileRef> font, unsigned concurrentDrawings);

    // Draws a chart read without errors, in form, its text in the picture's chunk; with marks,
    // the measures that differ from another version are marked.
    [[nodiscard]] PreviewPicture draw(const ChartDocument& document, std::u16string text,
                                      const PictureForm& form = {},
                                      std::optional<MeasureMarks> marks = std::nullopt);
    // The turns of the drawings; whoever holds a slot keeps the drawings behind it waiting.
    [[nodiscard]] FifoSemaphore& drawings() { return m_drawings; }

private:
    // The sheet, and a face of the pool returned to it when the lease ends.
    class FontLease {
    public:
        explicit FontLease(ChartPreview& owner);
        FontLease(const FontLease&) = delete;
        FontLease& operator=(const FontLease&) = delete;
        ~FontLease();
        [[nodiscard]] PictureTools tools() const
        {
            return { &m_owner.m_spriteSheet, m_font ? &*m_font : nullptr };
        }

    private:
        ChartPreview& m_owner;
        std::optional<HeaderFont> m_font;
    };

    Canvas m_spriteSheet;
    std::optional<FontFileRef> m_fontFile;
    std::mutex m_fontMutex;
    std::vector<HeaderFont> m_freeFonts;
    FifoSemaphore m_drawings;
};

} // namespace beatplate
