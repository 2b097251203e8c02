#include "server/chart_api.h"

#include "base/base64.h"
#include "base/text_codec.h"
#include "base/utf8_path.h"
#include "chart/chart_comparison_report.h"
#include "chart/chart_diagnostic.h"
#include "chart/chart_reading.h"
#include "chart/chart_stats_report.h"
#include "chart/chart_text_form.h"
#include "pipeline/chart_pipeline.h"
#include "platform/files.h"
#include "server/chart_directory.h"
#include "server/chart_preview.h"
#include "server/http_text.h"
#include "sound/chart_sound.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <httplib.h>
#include <nlohmann/json.hpp>

namespace beatplate {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kJsonType = "application/json; charset=utf-8";
constexpr int kOk = 200;
constexpr int kBadRequest = 400;
constexpr int kForbidden = 403;
constexpr int kNotFound = 404;
constexpr int kConflict = 409;
constexpr int kPreconditionFailed = 412;
constexpr int kPayloadTooLarge = 413;
constexpr int kUnprocessable = 422;
constexpr int kPreconditionRequired = 428;
constexpr int kServerError = 500;
constexpr int kInsufficientStorage = 507;
constexpr const char* kChartTooLong = kChartTooLongMessage;

// Why a save may not replace what is on disk.
struct Refusal {
    int status;
    std::string message;
};

} // namespace

std::string errorJson(const std::string& message)
{
    return Json{ { "error", message } }.dump();
}

// A name need not be UTF-8; its undecodable bytes become U+FFFD rather than an error.
static std::string textOf(const Json& json)
{
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

static void answer(httplib::Response& response, int status, const std::string& json)
{
    response.status = status;
    response.set_content(json, kJsonType);
}

static void fail(httplib::Response& response, int status, const std::string& message)
{
    answer(response, status, errorJson(message));
}

// Whether reading stopped at the most text it takes: what is read is not the whole chart.
static bool tooLong(const ChartReading& chart)
{
    return std::any_of(chart.diagnostics.begin(), chart.diagnostics.end(),
                       [](const ChartDiagnostic& diagnostic) {
                           return diagnostic.kind == ChartErrorKind::TooLong;
                       });
}

// Why a chart without errors has no preview picture: more measures than a preview draws.
static std::optional<std::string> tooManyMeasures(const ChartDocument& document)
{
    const std::size_t measures = document.measures.size();
    if (measures <= kMaxPreviewMeasures)
        return std::nullopt;
    return "the chart has " + std::to_string(measures) + " measures; the preview draws "
        + std::to_string(kMaxPreviewMeasures) + " at most (the command line draws any number)";
}

// {"diagnostics": [...], "stats": the --stats JSON object, its measures placed on the picture in
// form, "sound": {...}}; stats and sound are null for a chart with errors.
static Json reportJson(const ChartReading& chart, const std::string& name, const PictureForm& form)
{
    Json json{ { "diagnostics", diagnosticsJson(chart.diagnostics) },
               { "stats", nullptr },
               { "sound", nullptr } };
    if (chart.hasErrors())
        return json;
    ChartStatsEntry figures{ utf8Path(name), chart.document.title, chart.figures() };
    placeOnPicture(figures.stats, chart.document, form);
    json["stats"] = chartStatsJson(figures);
    json["sound"] = soundJson(chart.document, chart.timeline);
    return json;
}

static Json infoJson(const ChartFileInfo& info)
{
    return { { "name", info.name },
             { "size", info.size },
             { "modified", formatIsoTime(info.modified) } };
}

static void setVersionHeaders(httplib::Response& response, const ChartFileInfo& info,
                              const std::string& etag)
{
    response.set_header("ETag", etag);
    response.set_header("Last-Modified", formatHttpDate(info.modified.tv_sec));
}

ChartApi::ChartApi(ChartDirectory& directory, ChartPreview& preview)
    : m_directory(directory)
    , m_preview(preview)
    , m_voices(voicesWav(DrumVoices()))
{
}

void ChartApi::route(httplib::Server& server)
{
    using Request = httplib::Request;
    using Response = httplib::Response;
    server.Get("/api/charts", [this](const Request& q, Response& r) { listCharts(q, r); });
    server.Get("/api/charts/([^/]+)", [this](const Request& q, Response& r) { getText(q, r); });
    server.Get("/api/charts/([^/]+)/picture\\.png",
               [this](const Request& q, Response& r) { getPicture(q, r); });
    server.Get("/api/charts/([^/]+)/report",
               [this](const Request& q, Response& r) { getReport(q, r); });
    server.Post("/api/render", [this](const Request& q, Response& r) { render(q, r); });
    server.Put("/api/charts/([^/]+)", [this](const Request& q, Response& r) { save(q, r); });
    server.Get("/api/sound/voices.wav", [this](const Request&, Response& r) {
        r.set_content(reinterpret_cast<const char*>(m_voices.data()), m_voices.size(), "audio/wav");
    });
}

void ChartApi::listCharts(const httplib::Request&, httplib::Response& response) const
{
    Json list = Json::array();
    for (const auto& chart : m_directory.list())
        list.push_back(infoJson(chart));
    answer(response, kOk, list.dump());
}

// The chart the request names, or none with the failure answered.
static std::optional<ChartFile> readNamedChart(const ChartDirectory& directory,
                                               const httplib::Request& request,
                                               httplib::Response& response)
{
    ChartReadFailure failure = ChartReadFailure::NotFound;
    auto chart = directory.read(request.matches[1].str(), &failure);
    if (!chart && failure == ChartReadFailure::TooLarge)
        fail(response, kPayloadTooLarge, kChartTooLong);
    else if (!chart)
        fail(response, kNotFound, "no such chart");
    return chart;
}

// Why the chart on disk may not be saved over, whatever is sent: the page shows it before a
// save, and the save is refused with it.
static std::optional<Refusal> refusalOfSave(const ChartDirectory& directory, const ChartFile& chart)
{
    if (const auto cut = placeCutOff(chart.bytes))
        return Refusal{ kUnprocessable, cutOffReason(*cut) };
    if (const auto reason = directory.whyNotWritable(chart.info.name))
        return Refusal{ kForbidden, *reason };
    return std::nullopt;
}

void ChartApi::getText(const httplib::Request& request, httplib::Response& response) const
{
    const auto chart = readNamedChart(m_directory, request, response);
    if (!chart)
        return;
    const auto [form, text] = decodeChartFile(chart->bytes);
    if (!text)
        return fail(response, kUnprocessable, notEditableReason(form));
    Json json = infoJson(chart->info);
    json["etag"] = chart->etag;
    json["encoding"] = chartEncodingName(form.encoding);
    json["byteOrderMark"] = form.byteOrderMark;
    json["lineEnds"] = form.crlf ? "CRLF" : "LF";
    json["text"] = *text;
    json["readOnly"] = nullptr;
    if (const auto refusal = refusalOfSave(m_directory, *chart))
        json["readOnly"] = refusal->message;
    setVersionHeaders(response, chart->info, chart->etag);
    answer(response, kOk, json.dump());
}

// The form the query's "columns" asks for: 1 to 6 or auto; none, answered, for anything else.
static std::optional<PictureForm> formOf(const httplib::Request& request,
                                         httplib::Response& response)
{
    constexpr std::size_t kMostColumns = 6;
    const std::string columns = request.get_param_value("columns");
    if (columns.empty())
        return PictureForm{};
    if (columns == "auto")
        return PictureForm{ PictureForm::kAutoColumns, std::nullopt };
    if (columns.size() == 1 && columns[0] >= '1'
        && columns[0] <= static_cast<char>('0' + kMostColumns))
        return PictureForm{ static_cast<std::size_t>(columns[0] - '0'), std::nullopt };
    fail(response, kBadRequest, "columns is 1 to 6 or auto");
    return std::nullopt;
}

void ChartApi::getPicture(const httplib::Request& request, httplib::Response& response) const
{
    const auto form = formOf(request, response);
    if (!form)
        return;
    auto file = readNamedChart(m_directory, request, response);
    if (!file)
        return;
    ChartReading chart = readChart(std::move(file->bytes));
    if (chart.hasErrors())
        return tooLong(chart) ? fail(response, kPayloadTooLarge, kChartTooLong)
                              : fail(response, kUnprocessable, "the chart has an error");
    if (const auto reason = tooManyMeasures(chart.document))
        return fail(response, kPayloadTooLarge, *reason);
    const auto picture = m_preview.draw(chart.document, std::move(chart.text), *form);
    if (picture.error)
        return fail(response, kServerError, picture.error->message);
    setVersionHeaders(response, file->info, file->etag);
    response.set_content(reinterpret_cast<const char*>(picture.png.data()), picture.png.size(),
                         "image/png");
}

void ChartApi::getReport(const httplib::Request& request, httplib::Response& response) const
{
    // The columns place the measures of the figures' timeline.
    const auto form = formOf(request, response);
    if (!form)
        return;
    auto file = readNamedChart(m_directory, request, response);
    if (!file)
        return;
    const ChartReading chart = readChart(std::move(file->bytes));
    setVersionHeaders(response, file->info, file->etag);
    if (tooLong(chart))
        return fail(response, kPayloadTooLarge, kChartTooLong);
    answer(response, kOk, textOf(reportJson(chart, file->info.name, *form)));
}

// The measures that differ from the saved chart, as beatplate diff --json gives them.
static Json changesJson(const ChartComparison& changes)
{
    const Json whole = comparisonJson({ {}, {}, changes });
    return { { "same", whole["same"] },
             { "changed", whole["changed"] },
             { "added", whole["added"] },
             { "removed", whole["removed"] } };
}

// What differs from the chart saved as name; none when there is none or it has an error, as it
// then has no picture to compare with.
static std::optional<ChartComparison>
changesSince(const ChartDirectory& directory, const std::string& name, const ChartDocument& edited)
{
    if (name.empty())
        return std::nullopt;
    auto file = directory.read(name);
    if (!file)
        return std::nullopt;
    const ChartReading saved =
        readChart(std::move(file->bytes), { ChartScope::FirstError, std::nullopt });
    if (saved.hasErrors())
        return std::nullopt;
    return compareCharts(saved.document, edited);
}

void ChartApi::render(const httplib::Request& request, httplib::Response& response) const
{
    const auto form = formOf(request, response);
    if (!form)
        return;
    ChartReading chart = readChart(request.body, { ChartScope::WholeChart, ChartEncoding::Utf8 });
    if (tooLong(chart))
        return fail(response, kPayloadTooLarge, kChartTooLong);
    Json json = reportJson(chart, "", *form);
    json["png"] = nullptr;
    if (chart.hasErrors())
        return answer(response, kOk, textOf(json));
    if (const auto reason = tooManyMeasures(chart.document)) {
        json["error"] = *reason;
        return answer(response, kPayloadTooLarge, textOf(json));
    }
    // since=NAME: marks what differs from that chart as saved.
    const auto changes =
        changesSince(m_directory, request.get_param_value("since"), chart.document);
    const auto picture = m_preview.draw(chart.document, std::move(chart.text), *form,
                                        changes ? std::optional(changes->marks) : std::nullopt);
    if (picture.error)
        return fail(response, kServerError, picture.error->message);
    json["png"] = encodeBase64(picture.png);
    if (changes)
        json["changes"] = changesJson(*changes);
    answer(response, kOk, textOf(json));
}

// Whether an If-Match or If-None-Match list names the tag; weak tags never match strongly.
static bool listNames(std::string_view list, std::string_view etag, bool strong)
{
    while (!list.empty()) {
        const auto comma = list.find(',');
        auto tag = list.substr(0, comma);
        list = comma == std::string_view::npos ? "" : list.substr(comma + 1);
        while (tag.starts_with(' ') || tag.starts_with('\t'))
            tag.remove_prefix(1);
        while (tag.ends_with(' ') || tag.ends_with('\t'))
            tag.remove_suffix(1);
        if (tag.starts_with("W/")) {
            if (strong)
                continue;
            tag.remove_prefix(2);
        }
        if (tag == etag)
            return true;
    }
    return false;
}

// Why the chart on disk may not be replaced by this request; none when it may.
static std::optional<Refusal> refusalOfPreconditions(const httplib::Request& request,
                                                     const std::optional<ChartFile>& current)
{
    const bool ifMatch = request.has_header("If-Match");
    const bool ifNoneMatch = request.has_header("If-None-Match");
    const bool ifUnmodified = request.has_header("If-Unmodified-Since");
    const Refusal changed{ kPreconditionFailed, "the chart changed on disk since it was loaded" };
    // Without a version to compare, a save could overwrite what someone else saved.
    if (!ifMatch && !ifNoneMatch && !ifUnmodified)
        return Refusal{ kPreconditionRequired,
                        "a save needs If-Match, If-None-Match: * or If-Unmodified-Since" };
    if (ifMatch) {
        const auto tags = request.get_header_value("If-Match");
        if (!current)
            return changed;
        if (tags != "*" && !listNames(tags, current->etag, true))
            return changed;
    }
    if (ifNoneMatch && current) {
        const auto tags = request.get_header_value("If-None-Match");
        if (tags == "*")
            return Refusal{ kPreconditionFailed, "a chart of this name exists already" };
        if (listNames(tags, current->etag, false))
            return changed;
    }
    if (ifUnmodified && !ifMatch) {
        const auto date = parseHttpDate(request.get_header_value("If-Unmodified-Since"));
        if (!date)
            return Refusal{ kBadRequest, "If-Unmodified-Since is not an HTTP date" };
        if (!current || current->info.modified.tv_sec > *date)
            return changed;
        // The date has whole seconds: a change within its second cannot be told from none.
        if (current->info.modified.tv_sec == *date)
            return Refusal{ kPreconditionFailed,
                            "the chart changed within the second If-Unmodified-Since names, so "
                            "it may have changed since it was loaded; save with If-Match" };
    }
    return std::nullopt;
}

// The form the saved text takes: the chart's own, or the encoding the request asks for.
static std::optional<ChartTextForm> formOfSave(const httplib::Request& request,
                                               const std::optional<ChartFile>& current)
{
    ChartTextForm form = current ? textFormOf(current->bytes) : ChartTextForm{};
    if (!request.has_param("encoding"))
        return form;
    const auto asked = chartEncodingNamed(request.get_param_value("encoding"));
    if (!asked)
        return std::nullopt;
    if (*asked != form.encoding)
        // As beatplate-chart writes UTF-8 to a file: with a mark, so that it reads back alike.
        form.byteOrderMark = *asked == ChartEncoding::Utf8;
    form.encoding = *asked;
    return form;
}

// The refusal of a text that would not read back as sent, naming where and, for a U+001A,
// why.
static std::string notReadBackJson(std::string_view text, const TextPlace& place)
{
    return Json{
        { "error", notReadBackReason(text, place) },
        { "line", place.line },
        { "column", place.column }
    }.dump();
}

// Writes the chart, or answers why it could not be written.
static std::optional<ChartFileInfo> writeChart(const ChartDirectory& directory,
                                               const std::string& name, std::string_view bytes,
                                               httplib::Response& response)
{
    try {
        return directory.write(name, bytes);
    } catch (const std::system_error& error) {
        const int code = error.code().value();
        if (meansDiskFull(code))
            fail(response, kInsufficientStorage,
                 "the disk is full: the chart was not saved (" + std::string(error.what()) + ")");
        else if (code == EACCES || code == EPERM || code == EROFS)
            fail(response, kForbidden,
                 "the chart cannot be saved here: " + std::string(error.what()));
        else
            fail(response, kServerError, "the chart was not saved: " + std::string(error.what()));
        return std::nullopt;
    }
}

void ChartApi::save(const httplib::Request& request, httplib::Response& response) const
{
    const std::string name = request.matches[1].str();
    const auto lock = m_directory.lockForWriting();
    if (!m_directory.writeTarget(name))
        return fail(response, kNotFound, "no chart may be saved under this name");
    ChartReadFailure failure = ChartReadFailure::NotFound;
    const auto current = m_directory.read(name, &failure);
    if (!current && failure == ChartReadFailure::TooLarge)
        return fail(response, kPayloadTooLarge, kChartTooLong);
    if (const auto refusal = refusalOfPreconditions(request, current)) {
        Json json{ { "error", refusal->message } };
        json["etag"] = current ? Json(current->etag) : Json(nullptr);
        return answer(response, refusal->status, json.dump());
    }
    if (const auto refusal = current ? refusalOfSave(m_directory, *current) : std::nullopt)
        return fail(response, refusal->status, refusal->message);
    const auto form = formOfSave(request, current);
    if (!form)
        return fail(response, kBadRequest, "encoding must be cp932 or utf-8");
    const EncodedChart encoded = encodeChartText(request.body, *form);
    if (encoded.invalidText)
        return fail(response, kBadRequest, "the text sent is not UTF-8");
    if (encoded.unwritableLine) {
        Json json{ { "error", unwritableLineMessage(*encoded.unwritableLine) },
                   { "line", *encoded.unwritableLine },
                   { "encoding", chartEncodingName(form->encoding) } };
        return answer(response, kConflict, json.dump());
    }
    if (const auto place = placeNotReadBack(request.body, encoded.bytes))
        return answer(response, kUnprocessable, notReadBackJson(request.body, *place));
    const auto info = writeChart(m_directory, name, encoded.bytes, response);
    if (!info)
        return;
    const auto etag = entityTagOf(encoded.bytes);
    Json json = infoJson(*info);
    json["etag"] = etag;
    json["encoding"] = chartEncodingName(form->encoding);
    setVersionHeaders(response, *info, etag);
    answer(response, kOk, json.dump());
}

} // namespace beatplate
