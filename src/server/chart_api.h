#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace beatplate {

class ChartDirectory;
class ChartPreview;

// The JSON API of the charts of one directory, on the routes of an HTTP server:
//   GET  /api/charts                    the charts: name, size, modified
//   GET  /api/charts/NAME               the text (UTF-8, LF), its encoding and entity tag
//   GET  /api/charts/NAME/picture.png   the picture with the chart inside
//   GET  /api/charts/NAME/report        diagnostics and figures
//   POST /api/render                    diagnostics, figures and picture of the text sent;
//                                       ?since=NAME: what differs from NAME on disk, marked
//   PUT  /api/charts/NAME               saves the text sent, in the chart's encoding
//   GET  /api/sound/voices.wav          the voices the strokes of a chart's sound are played with
// Every failure is answered with a status and {"error": MESSAGE}.
class ChartApi {
public:
    ChartApi(ChartDirectory& directory, ChartPreview& preview);

    // Adds the routes; the API must outlive the server.
    void route(httplib::Server& server);

private:
    void listCharts(const httplib::Request& request, httplib::Response& response) const;
    void getText(const httplib::Request& request, httplib::Response& response) const;
    void getPicture(const httplib::Request& request, httplib::Response& response) const;
    void getReport(const httplib::Request& request, httplib::Response& response) const;
    void render(const httplib::Request& request, httplib::Response& response) const;
    void save(const httplib::Request& request, httplib::Response& response) const;

    ChartDirectory& m_directory;
    ChartPreview& m_preview;
    std::vector<std::uint8_t> m_voices; // a WAV file
};

// The body of a failure: {"error": message}.
[[nodiscard]] std::string errorJson(const std::string& message);

} // namespace beatplate
