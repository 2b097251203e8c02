#include "server/chart_preview.h"

#include "chart/chart_stats_report.h"
#include "pipeline/chart_pipeline.h"
#include "server/preview_json.h"

#include <algorithm>

namespace beatplate {

namespace {

// Releases a slot of the semaphore when the drawing ends, however it ends.
class SlotRelease {
public:
    explicit SlotRelease(std::counting_semaphore<>& semaphore)
        : m_semaphore(semaphore)
    {
        m_semaphore.acquire();
    }
    SlotRelease(const SlotRelease&) = delete;
    SlotRelease& operator=(const SlotRelease&) = delete;
    ~SlotRelease() { m_semaphore.release(); }

private:
    std::counting_semaphore<>& m_semaphore;
};

} // namespace

ChartPreview::FontLease::FontLease(ChartPreview& owner)
    : m_owner(owner)
{
    {
        const std::lock_guard lock(owner.m_fontMutex);
        if (!owner.m_freeFonts.empty()) {
            m_font.emplace(std::move(owner.m_freeFonts.back()));
            owner.m_freeFonts.pop_back();
            return;
        }
    }
    if (owner.m_fontFile)
        m_font = HeaderFont::fromFile(owner.m_fontFile->file, owner.m_fontFile->faceIndex);
}

ChartPreview::FontLease::~FontLease()
{
    if (!m_font)
        return;
    const std::lock_guard lock(m_owner.m_fontMutex);
    try {
        m_owner.m_freeFonts.push_back(std::move(*m_font));
    } catch (...) {
        // Without room to keep it the face is closed; the next drawing opens another.
    }
}

ChartPreview::ChartPreview(Canvas spriteSheet, std::optional<FontFileRef> font,
                           unsigned concurrentDrawings)
    : m_spriteSheet(std::move(spriteSheet))
    , m_fontFile(std::move(font))
    , m_drawings(std::max(1u, concurrentDrawings))
{
}

ChartPreviewResult ChartPreview::preview(std::string bytes, std::optional<ChartEncoding> forced,
                                         std::string_view name, PreviewPicture picture,
                                         const PictureForm& form)
{
    ChartPipeline chart(ChartSource::bytes(std::move(bytes), forced));
    ChartPreviewResult result;
    // Bytes in memory always open.
    static_cast<void>(chart.open());
    result.hasErrors = chart.read(DiagnosticScope::WholeChart).has_value();
    result.diagnostics = chart.diagnostics();
    result.tooLong = std::any_of(result.diagnostics.begin(), result.diagnostics.end(),
                                 [](const ChartDiagnostic& diagnostic) {
                                     return diagnostic.kind == ChartErrorKind::TooLong;
                                 });
    if (result.hasErrors)
        return result;
    const ChartStatsEntry entry = chart.figures(std::string(name), form);
    result.statsJson = formatChartStatsJson(std::span(&entry, 1));
    result.strokes = previewStrokes(chart.document());
    if (picture == PreviewPicture::Skip)
        return result;
    const SlotRelease slot(m_drawings);
    FontLease tools(*this);
    PngSink sink(result.png);
    result.pictureError = chart.layOutPicture(form);
    if (!result.pictureError)
        result.pictureError = chart.drawPicture(tools, sink);
    if (result.pictureError)
        result.png.clear();
    return result;
}

} // namespace beatplate
