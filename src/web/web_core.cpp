#include "web/web_core.h"

#include "base/chart_encoding.h"
#include "base/utf8_path.h"
#include "chart/chart_reading.h"
#include "chart/chart_stats_report.h"
#include "chart/chart_text_form.h"
#include "cli/option_parser.h"
#include "extract/chart_chunk_reader.h"
#include "extract/extract_error.h"
#include "load/sprite_sheet.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/picture_form_options.h"
#include "sound/chart_sound.h"

#include <array>
#include <nlohmann/json.hpp>
#include <variant>

namespace beatplate {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::array kEncodings{ ChartEncoding::Cp932, ChartEncoding::Utf8, ChartEncoding::Utf16Le,
                                 ChartEncoding::Utf16Be };

} // namespace

static WebAnswer jsonAnswer(const Json& json)
{
    return { json.dump(), {} };
}

static WebAnswer errorAnswer(const std::string& message)
{
    return jsonAnswer({ { "error", message } });
}

// A failure as the command line reports it: the message, and the reason on a line of its own.
static WebAnswer errorAnswer(const PipelineError& error)
{
    return errorAnswer(error.reason.empty() ? error.message
                                            : error.message + "\n(" + error.reason + ")");
}

// A chart's first error as the command line reports a chart it cannot draw, and its place.
static WebAnswer errorAnswer(const ChartDiagnostic& diagnostic)
{
    return jsonAnswer({ { "error", formatErrorReport(diagnostic) },
                        { "line", diagnostic.line() },
                        { "column", diagnostic.column() } });
}

WebAnswer failureAnswer(const std::exception& error)
{
    return errorAnswer(pictureErrorOf(error));
}

WebAnswer loadedAnswer(bool loaded)
{
    return jsonAnswer({ { "loaded", loaded } });
}

// The chart read from bytes as the command line reads a file, in the encoding it decides.
static ChartReading readChartBytes(std::string chart, ChartScope scope)
{
    return readChart(std::move(chart), { .scope = scope, .encoding = std::nullopt });
}

bool WebCore::loadSpriteSheet(std::span<const std::uint8_t> png)
{
    m_sheet = beatplate::loadSpriteSheet(png);
    return m_sheet.has_value();
}

bool WebCore::loadHeaderFont(std::vector<std::uint8_t> font)
{
    m_font = HeaderFont::fromBytes(std::move(font));
    return m_font.has_value();
}

PictureTools WebCore::tools() const
{
    return { m_sheet ? &*m_sheet : nullptr, m_font ? &*m_font : nullptr };
}

// The picture's form as --columns and --max-size take it, or why not.
static std::variant<PictureForm, std::string> pictureFormOf(std::string_view columns,
                                                            std::string_view maxSize)
{
    PictureForm form;
    try {
        form.columns = parseColumnsOption(columns);
        if (!maxSize.empty())
            form.maxSize = parseMaxSizeOption(maxSize);
    } catch (const CommandLineError& error) {
        return std::string(error.what());
    }
    return form;
}

WebAnswer WebCore::draw(std::string chart, std::string_view columns, std::string_view maxSize)
{
    const auto form = pictureFormOf(columns, maxSize);
    if (const auto* failure = std::get_if<std::string>(&form))
        return errorAnswer(*failure);
    ChartReading reading = readChartBytes(std::move(chart), ChartScope::FirstError);
    if (const ChartDiagnostic* error = reading.firstErrorDiagnostic())
        return errorAnswer(*error);
    ChartPipeline pipeline(reading.document, std::move(reading.text));
    if (const auto error = pipeline.layOutPicture(std::get<PictureForm>(form)))
        return errorAnswer(*error);
    WebAnswer answer;
    for (std::size_t part = 0; part < pipeline.pictureParts(); ++part) {
        PngSink sink(answer.files.emplace_back());
        // The page has one thread; the bytes are the same on any number.
        if (const auto failure = pipeline.drawPicture(tools(), sink, { .threads = 1 }, part))
            return errorAnswer(*failure);
    }
    answer.json = Json{ { "parts", answer.files.size() } }.dump();
    return answer;
}

WebAnswer WebCore::check(std::string chart)
{
    const ChartReading reading = readChartBytes(std::move(chart), ChartScope::WholeChart);
    return jsonAnswer(diagnosticsJson(reading.diagnostics));
}

WebAnswer WebCore::figures(std::string chart, const std::string& name, std::string_view columns,
                           std::string_view maxSize)
{
    const auto form = pictureFormOf(columns, maxSize);
    if (const auto* failure = std::get_if<std::string>(&form))
        return errorAnswer(*failure);
    const ChartReading reading = readChartBytes(std::move(chart), ChartScope::FirstError);
    if (const ChartDiagnostic* error = reading.firstErrorDiagnostic())
        return errorAnswer(*error);
    ChartStatsEntry entry{ utf8Path(name), reading.document.title, reading.figures() };
    placeOnPicture(entry.stats, reading.document, std::get<PictureForm>(form));
    return { formatChartStatsJson(std::span(&entry, 1)), {} };
}

WebAnswer WebCore::sound(std::string chart)
{
    const ChartReading reading = readChartBytes(std::move(chart), ChartScope::FirstError);
    if (const ChartDiagnostic* error = reading.firstErrorDiagnostic())
        return errorAnswer(*error);
    return jsonAnswer(soundJson(reading.document, reading.timeline));
}

WebAnswer WebCore::voices()
{
    return { Json::object().dump(), { voicesWav(DrumVoices()) } };
}

WebAnswer WebCore::chartOf(std::string_view png)
{
    try {
        const std::string chunk = readChartChunkOfBytes(png);
        const ChartEncoding encoding = chartFileInEncodingThatHoldsIt(chunk).encoding;
        return jsonAnswer({ { "text", chartFileFromChunk(chunk, ChartEncoding::Utf8) },
                            { "encoding", chartEncodingName(encoding) } });
    } catch (const ExtractError& error) {
        return errorAnswer(error.what());
    }
}

WebAnswer WebCore::readChartFile(std::string_view bytes)
{
    const auto [form, text] = decodeChartFile(bytes);
    const std::string encoding(chartEncodingName(form.encoding));
    if (!text)
        return errorAnswer(notEditableReason(form));
    Json json{ { "text", *text },
               { "encoding", encoding },
               { "byteOrderMark", form.byteOrderMark },
               { "lineEnds", form.crlf ? "CRLF" : "LF" },
               { "readOnly", nullptr } };
    if (const auto cut = placeCutOff(bytes))
        json["readOnly"] = cutOffReason(*cut);
    return jsonAnswer(json);
}

WebAnswer WebCore::writeChartFile(std::string_view text, std::string_view encoding,
                                  bool byteOrderMark, std::string_view lineEnds)
{
    const auto named = std::find_if(kEncodings.begin(), kEncodings.end(), [&](ChartEncoding e) {
        return chartEncodingName(e) == encoding;
    });
    if (named == kEncodings.end() || (lineEnds != "LF" && lineEnds != "CRLF"))
        return errorAnswer("no such chart file form: " + std::string(encoding) + ", "
                           + std::string(lineEnds));
    const ChartTextForm form{ *named, byteOrderMark, lineEnds == "CRLF" };
    EncodedChart encoded = encodeChartText(text, form);
    if (encoded.invalidText)
        return errorAnswer("the text is not UTF-8");
    if (encoded.unwritableLine)
        return jsonAnswer({ { "error", unwritableLineMessage(*encoded.unwritableLine) },
                            { "line", *encoded.unwritableLine },
                            { "column", 1 } });
    if (const auto place = placeNotReadBack(text, encoded.bytes))
        return jsonAnswer({ { "error", notReadBackReason(text, *place) },
                            { "line", place->line },
                            { "column", place->column } });
    return { Json::object().dump(),
             { std::vector<std::uint8_t>(encoded.bytes.begin(), encoded.bytes.end()) } };
}

} // namespace beatplate
