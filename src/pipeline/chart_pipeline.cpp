#include "pipeline/chart_pipeline.h"

#include "base/part_label.h"
#include "base/utf8_path.h"
#include "chart/chart_parser.h"
#include "chart/chart_stats.h"
#include "cli/messages.h"
#include "pipeline/picture_tools.h"
#include "platform/files.h"
#include "render/column_picture.h"
#include "render/score_layout.h"
#include "render/score_renderer.h"
#include "render/text_header.h"
#include "render/timeline_places.h"

#include <algorithm>
#include <cassert>

namespace beatplate {

namespace {

constexpr const char* kSheetUnreadableMessage = "スプライトシートを読み込めません。";

} // namespace

ChartPipeline::ChartPipeline(ChartSource source)
    : m_source(std::move(source))
{
}

std::optional<PipelineError> ChartPipeline::open()
{
    if (auto* bytes = std::get_if<std::string>(&m_source.from)) {
        m_reader.emplace(ChartTextReader::fromBytes(std::move(*bytes), m_source.encoding));
        return std::nullopt;
    }
    const auto& path = std::get<std::filesystem::path>(m_source.from);
    std::error_code error;
    // A directory opens like a file on Linux but holds no chart.
    if (path != standardInputPath() && std::filesystem::is_directory(path, error))
        return PipelineError{ PipelineErrorKind::ChartMissing, kFileMissingMessage, {}, path, {} };
    m_reader = ChartTextReader::open(path, m_source.encoding);
    if (!m_reader)
        return PipelineError{ PipelineErrorKind::ChartMissing, kFileMissingMessage, {}, path, {} };
    return std::nullopt;
}

std::optional<PipelineError> ChartPipeline::read(DiagnosticScope scope)
{
    assert(m_reader);
    ChartParser parser;
    if (scope == DiagnosticScope::WholeChart) {
        ChartCheck check = parser.check(*m_reader);
        m_document = std::move(*check.document);
        m_diagnostics = std::move(check.diagnostics);
        m_omittedWarnings = check.omittedWarnings;
        m_complete = check.complete;
        m_noteLines = std::move(check.noteLines);
    } else {
        try {
            ParsedChart parsed = parser.parse(*m_reader);
            m_document = std::move(parsed.document);
            m_diagnostics = std::move(parsed.warnings);
            m_omittedWarnings = parsed.omittedWarnings;
            m_noteLines = std::move(parsed.noteLines);
        } catch (const ChartParseError& error) {
            m_diagnostics.push_back(error.diagnostic());
            m_complete = false;
        }
    }
    // The reader kept the text it gave; its buffers are not needed past here.
    m_text = m_reader->takeText();
    m_reader.reset();
    const auto firstError = std::find_if(m_diagnostics.begin(), m_diagnostics.end(),
                                         [](const ChartDiagnostic& diagnostic) {
                                             return diagnostic.severity == ChartSeverity::Error;
                                         });
    if (firstError == m_diagnostics.end())
        return std::nullopt;
    return chartErrorOf(*firstError);
}

bool ChartPipeline::hasErrors() const
{
    return std::any_of(m_diagnostics.begin(), m_diagnostics.end(),
                       [](const ChartDiagnostic& diagnostic) {
                           return diagnostic.severity == ChartSeverity::Error;
                       });
}

// Gives each measure the note line that fills it on each branch path: the last line before it
// that the path meets.
static void fillLines(std::vector<MeasureTime>& timeline, const ChartDocument& document,
                      std::span<const NoteLinePlace> noteLines)
{
    for (std::size_t path = 0; path < 3; ++path) {
        const auto bit = static_cast<std::uint8_t>(1 << path);
        std::int32_t line = 0;
        auto next = noteLines.begin();
        for (std::uint32_t measure = 0; measure < timeline.size(); ++measure) {
            for (; next != noteLines.end() && next->firstMeasure <= measure; ++next) {
                const std::int32_t mask = document.measures[next->firstMeasure].branchMask;
                if ((pathsHearing(next->branch, mask) & bit) != 0)
                    line = next->line;
            }
            timeline[measure].lines[path] = line;
        }
    }
}

ChartStatsEntry ChartPipeline::figures(const std::string& name, const PictureForm& form) const
{
    ChartStatsEntry entry{ utf8Path(name), m_document.title, computeChartStats(m_document) };
    fillLines(entry.stats.timeline, m_document, m_noteLines);
    const ScoreLayout layout(m_document);
    // A picture that cannot be made has no places to give.
    if (!layout.fitsPicture() || m_document.measures.empty())
        return entry;
    const PagePlan plan = planPages(rowBounds(layout), form);
    if (plan.refusal.empty())
        placeTimeline(entry.stats.timeline, layout, plan.pages);
    return entry;
}

std::optional<PipelineError> ChartPipeline::fitPicture() const
{
    // The layout alone, without a sheet or a canvas: it is what decides the picture's size.
    if (ScoreLayout(m_document).fitsPicture())
        return std::nullopt;
    return PipelineError{ PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage, {}, {}, {} };
}

std::optional<PipelineError> ChartPipeline::layOutPicture(const PictureForm& form)
{
    m_pages.clear();
    if (form.isOneColumn())
        return std::nullopt;
    m_layout.emplace(m_document);
    if (!m_layout->fitsPicture())
        return PipelineError{
            PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage, {}, {}, {}
        };
    PagePlan plan = planPages(rowBounds(*m_layout), form);
    if (!plan.refusal.empty())
        return PipelineError{
            PipelineErrorKind::PictureTooLarge, kPictureTooLargeMessage, {}, {}, plan.refusal
        };
    // One page of one column is the picture of today.
    if (plan.pages.size() > 1 || plan.pages.front().columns.size() > 1)
        m_pages = std::move(plan.pages);
    return std::nullopt;
}

// The chunk of the whole chart for a picture or a part; the last takes the one kept.
SourceChunk ChartPipeline::chunkFor(std::size_t part)
{
    if (!m_chunk) {
        m_chunk = makeSourceChunk(m_text);
        // Assigning an empty text would keep the buffer.
        ChartText().swap(m_text);
    }
    SourceChunk chunk;
    if (part + 1 < pictureParts()) {
        chunk = *m_chunk;
    } else {
        chunk = std::move(*m_chunk);
        m_chunk.reset();
    }
    // A part names itself, so that a later run knows the file for one of ours.
    if (m_pages.size() > 1)
        chunk.partLabel = partLabel({ part + 1, m_pages.size() });
    return chunk;
}

std::optional<PipelineError> ChartPipeline::drawPicture(PictureTools& tools, PngSink& sink,
                                                        const PngWriteOptions& options,
                                                        std::size_t part)
{
    assert(part < pictureParts());
    try {
        SourceChunk chunk = chunkFor(part);
        const Canvas* const sheet = tools.spriteSheet();
        if (sheet == nullptr)
            return PipelineError{
                PipelineErrorKind::SheetUnreadable, kSheetUnreadableMessage, {}, {}, {}
            };
        if (m_pages.empty()) {
            const BandedScore score =
                ScoreRenderer(*sheet, tools.headerFont()).bands(m_document, kPngBandRows);
            writeChartPng(bandsOf(score), std::move(chunk), sink, options);
            return std::nullopt;
        }
        std::optional<HeaderLines> header;
        if (const HeaderFont* font = tools.headerFont()) {
            const std::string& label = chunk.partLabel;
            header = layOutHeaderLines(*font, m_document, kPageWidth,
                                       std::u16string(label.begin(), label.end()));
        }
        const ColumnPicture picture(*sheet, std::move(header), *m_layout, m_document,
                                    m_pages[part]);
        writeChartPng(bandsOf(picture), std::move(chunk), sink, options);
        return std::nullopt;
    } catch (const std::exception& error) {
        return pictureErrorOf(error);
    } catch (...) {
        return PipelineError{
            PipelineErrorKind::OutputFailed, kUnexpectedFailureMessage, {}, {}, {}
        };
    }
}

} // namespace beatplate
