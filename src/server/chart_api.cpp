#include "server/chart_api.h"

#include "base/text_codec.h"
#include "chart/chart_error.h"
#include "platform/files.h"
#include "server/chart_directory.h"
#include "server/chart_preview.h"
#include "server/chart_text_form.h"
#include "server/http_text.h"
#include "server/preview_json.h"
#include "sound/chart_sound.h"

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

} // namespace

std::string errorJson(const std::string& message)
{
    return Json{ { "error", message } }.dump();
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

// {"diagnostics": [...], "stats": {...} or null, "sound": {...} or null} and, when asked,
// "png": base64 or null; the figures are the --stats JSON as it stands, without its final line
// end.
static std::string previewJson(const ChartPreviewResult& result, bool withPicture)
{
    std::string stats = result.statsJson.empty() ? "null" : result.statsJson;
    while (stats.ends_with('\n'))
        stats.pop_back();
    std::string json =
        "{\"diagnostics\":" + diagnosticsJson(result.diagnostics) + ",\"stats\":" + stats;
    json += ",\"sound\":" + (stats == "null" ? "null" : soundJson(result.strokes));
    if (withPicture)
        json +=
            result.png.empty() ? ",\"png\":null" : ",\"png\":\"" + encodeBase64(result.png) + "\"";
    return json + "}";
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

void ChartApi::getText(const httplib::Request& request, httplib::Response& response) const
{
    const auto chart = readNamedChart(m_directory, request, response);
    if (!chart)
        return;
    const auto [form, text] = decodeChartFile(chart->bytes);
    if (!text)
        return fail(response, kUnprocessable,
                    "the chart cannot be read whole as "
                        + std::string(chartEncodingName(form.encoding))
                        + ", so it cannot be edited here");
    Json json = infoJson(chart->info);
    json["etag"] = chart->etag;
    json["encoding"] = chartEncodingName(form.encoding);
    json["byteOrderMark"] = form.byteOrderMark;
    json["lineEnds"] = form.crlf ? "CRLF" : "LF";
    json["text"] = *text;
    json["readOnly"] = nullptr;
    if (const auto cut = placeCutOff(chart->bytes))
        json["readOnly"] = cutOffReason(*cut);
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
    auto chart = readNamedChart(m_directory, request, response);
    if (!chart)
        return;
    const auto result = m_preview.preview(std::move(chart->bytes), std::nullopt, chart->info.name,
                                          PreviewPicture::Draw, *form);
    if (result.hasErrors)
        return result.tooLong ? fail(response, kPayloadTooLarge, kChartTooLong)
                              : fail(response, kUnprocessable, "the chart has an error");
    if (result.pictureError)
        return fail(response, kServerError, result.pictureError->message);
    setVersionHeaders(response, chart->info, chart->etag);
    response.set_content(reinterpret_cast<const char*>(result.png.data()), result.png.size(),
                         "image/png");
}

void ChartApi::getReport(const httplib::Request& request, httplib::Response& response) const
{
    // The columns place the measures of the figures' timeline.
    const auto form = formOf(request, response);
    if (!form)
        return;
    auto chart = readNamedChart(m_directory, request, response);
    if (!chart)
        return;
    const auto result = m_preview.preview(std::move(chart->bytes), std::nullopt, chart->info.name,
                                          PreviewPicture::Skip, *form);
    setVersionHeaders(response, chart->info, chart->etag);
    if (result.tooLong)
        return fail(response, kPayloadTooLarge, kChartTooLong);
    answer(response, kOk, previewJson(result, false));
}

void ChartApi::render(const httplib::Request& request, httplib::Response& response) const
{
    const auto form = formOf(request, response);
    if (!form)
        return;
    const auto result =
        m_preview.preview(request.body, ChartEncoding::Utf8, "", PreviewPicture::Draw, *form);
    if (result.tooLong)
        return fail(response, kPayloadTooLarge, kChartTooLong);
    if (result.pictureError)
        return fail(response, kServerError, result.pictureError->message);
    answer(response, kOk, previewJson(result, true));
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

namespace {

// Why a save may not replace what is on disk.
struct Refusal {
    int status;
    std::string message;
};

} // namespace

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

// The refusal of a text that would not read back as sent, naming where.
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
    if (current) {
        if (const auto cut = placeCutOff(current->bytes))
            return fail(response, kUnprocessable, cutOffReason(*cut));
    }
    if (const auto reason = m_directory.whyNotWritable(name))
        return fail(response, kForbidden, *reason);
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
