#include "server/chart_preview.h"

#include "chart/chart_parser.h"
#include "chart/chart_stats.h"
#include "chart/chart_stats_report.h"
#include "output/png_writer.h"
#include "render/score_renderer.h"

#include <algorithm>

namespace beatplate {

namespace {

// The chart error that stops reading at the reader's limit.
constexpr std::string_view kChartTooLongMessage = "chart is too long.";

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
                                         std::string_view name, PreviewPicture picture)
{
    ChartParser parser;
    auto reader = ChartTextReader::fromBytes(std::move(bytes), forced);
    ChartCheck check = parser.check(reader);
    ChartPreviewResult result;
    result.hasErrors = check.hasErrors();
    result.tooLong = std::any_of(check.diagnostics.begin(), check.diagnostics.end(),
                                 [](const auto& d) { return d.message == kChartTooLongMessage; });
    result.diagnostics = std::move(check.diagnostics);
    if (result.hasErrors)
        return result;
    // A check without errors has read the whole chart: only errors stop it early.
    const auto document = std::move(check.document);
    const ChartStatsEntry entry{ std::string(name), document->title, computeChartStats(*document) };
    result.statsJson = formatChartStatsJson(std::span(&entry, 1));
    if (picture == PreviewPicture::Skip)
        return result;
    const SlotRelease slot(m_drawings);
    const FontLease font(*this);
    const BandedScore score =
        ScoreRenderer(m_spriteSheet, font.font()).bands(*document, kPngBandRows);
    result.png = encodeChartPng(bandsOf(score), makeSourceChunk(reader.takeText()));
    return result;
}

} // namespace beatplate
