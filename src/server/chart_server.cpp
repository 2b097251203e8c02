#include "server/chart_server.h"

#include "chart/chart_diagnostic.h"
#include "platform/network.h"
#include "server/chart_directory.h"
#include "server/connection_stream.h"

#include <array>
#include <charconv>
#include <chrono>
#include <httplib.h>
#include <nlohmann/json.hpp>

namespace beatplate {

namespace {

constexpr int kListenBacklog = 256;
// A comment this often finds the socket of a page that has gone: the second write to it fails.
constexpr std::chrono::milliseconds kKeepAliveInterval{ 500 };
constexpr std::array<std::string_view, 3> kLoopbackHosts{ "127.0.0.1", "localhost", "[::1]" };
// The page draws nothing from elsewhere, so no other origin's script, style or frame may run.
constexpr const char* kContentSecurityPolicy =
    "default-src 'self'; img-src 'self' blob: data:; object-src 'none'; base-uri 'none'; "
    "frame-ancestors 'none'; form-action 'none'";

} // namespace

// The HTTP library's server as a parser of requests and a writer of answers on connections
// that the listener holds, not as the taker of connections.
class ChartServer::Routes : public httplib::Server {
public:
    // Reads one request from stream and answers it; false when it could not be read or
    // answered. closed: the request asked for the connection to end.
    bool answer(httplib::Stream& stream, bool last, bool& closed,
                const std::function<void(httplib::Request&)>& onHead)
    {
        return process_request(stream, last, closed, onHead);
    }
    // Streams of events go on while the server runs; they end once this is called.
    void setRunning(bool running) { svr_sock_ = running ? 0 : INVALID_SOCKET; }
};

// The host of a Host header, without its port.
static std::string_view hostName(std::string_view header)
{
    if (header.starts_with('['))
        return header.substr(0, header.find(']') + 1);
    return header.substr(0, header.find(':'));
}

HostCheck hostCheckFor(const std::string& address)
{
    // A name is looked up to an address of this machine's choosing: only loopback names pass.
    if (!isNumericAddress(address) || isLoopbackAddress(address))
        return HostCheck::LoopbackNames;
    return HostCheck::Any;
}

ChartServer::ChartServer(ChartDirectory& directory, ChartPreview& preview, WebPage page,
                         HostCheck hosts, const ConnectionLimits& limits)
    : m_directory(directory)
    , m_api(directory, preview)
    , m_page(std::move(page))
    , m_hosts(hosts)
    , m_hostNames(kLoopbackHosts.begin(), kLoopbackHosts.end())
    , m_limits(limits)
    , m_events(directory, kMaxEventListeners)
    , m_server(std::make_unique<Routes>())
{
    m_server->set_payload_max_length(kMaxChartBytes);
    // What the answers' Keep-Alive header tells clients.
    m_server->set_keep_alive_timeout(
        std::chrono::duration_cast<std::chrono::seconds>(limits.requestTime).count());
    route();
}

ChartServer::~ChartServer()
{
    stop();
    // The listener's threads use the routes: they end first.
    m_listener.reset();
}

int ChartServer::bind(const std::string& address, int port)
{
    const std::string name = address.find(':') == std::string::npos ? address : "[" + address + "]";
    if (std::find(m_hostNames.begin(), m_hostNames.end(), name) == m_hostNames.end())
        m_hostNames.push_back(name);
    // A backlog long enough for the connections that come in a burst, which would otherwise
    // wait a second or more for the kernel to try them again.
    Socket listening = Socket::listenOn(address, port, kListenBacklog);
    if (!listening.valid())
        return -1;
    const int bound = listening.localPort();
    m_listener = std::make_unique<ConnectionListener>(
        std::move(listening), m_limits, [this](ClientConnection& connection, ClientWait& wait) {
            return answer(connection, wait);
        });
    return bound;
}

bool ChartServer::run()
{
    if (m_stopRequested)
        return true;
    if (!m_listener)
        return false;
    m_server->setRunning(true);
    // A stop() that came as the streams were let run ends them again.
    if (m_stopRequested)
        m_server->setRunning(false);
    return m_listener->run();
}

void ChartServer::stop()
{
    m_stopRequested = true;
    // The streams end first, or the server would wait for the threads they hold.
    m_events.stop();
    m_server->setRunning(false);
    if (m_listener)
        m_listener->stop();
}

// The length of the body a request declares: 0 when it declares none; none when it is sent
// in chunks or its length is no number.
static std::optional<std::size_t> declaredBodyLength(const httplib::Request& request)
{
    if (request.has_header("Transfer-Encoding"))
        return std::nullopt;
    const auto length = request.get_header_value("Content-Length");
    std::size_t declared = 0;
    const auto [end, error] =
        std::from_chars(length.data(), length.data() + length.size(), declared);
    if (length.empty())
        return 0;
    if (error != std::errc() || end != length.data() + length.size())
        return std::nullopt;
    return declared;
}

bool ChartServer::answer(ClientConnection& connection, ClientWait& wait)
{
    ConnectionStream stream(connection, wait, m_limits.writeTimeout);
    bool closed = false;
    std::size_t bodyStart = 0;
    std::optional<std::size_t> bodyLength;
    const bool answered =
        m_server->answer(stream, m_stopRequested, closed, [&](httplib::Request& request) {
            bodyStart = stream.bytesRead();
            bodyLength = declaredBodyLength(request);
        });
    // A body the answer left unread, as a refusal does, must never be read as a request of its
    // own: another site could send one inside the body of a request it may make.
    const bool bodyRead = bodyLength && stream.bytesRead() - bodyStart == *bodyLength;
    return answered && !closed && bodyRead && !stream.saidClose() && !m_stopRequested;
}

std::optional<std::pair<int, std::string>>
ChartServer::refusalOf(const httplib::Request& request) const
{
    const std::string host(hostName(request.get_header_value("Host")));
    // Another site's name bound to a loopback address must not reach the charts through the
    // browser of the user.
    if (m_hosts == HostCheck::LoopbackNames
        && std::find(m_hostNames.begin(), m_hostNames.end(), host) == m_hostNames.end())
        return std::pair(403, "unknown host: " + host);
    // Browsers say where a request comes from, even one for a picture that sends no Origin;
    // another site is refused before anything is looked up or drawn, so that the answer tells it
    // nothing.
    const std::string site = request.get_header_value("Sec-Fetch-Site");
    if (site == "cross-site" || site == "same-site")
        return std::pair(403, std::string("requests from other sites are refused"));
    // Browsers name the page that makes a request; only our own page may make one.
    if (request.has_header("Origin")
        && request.get_header_value("Origin") != "http://" + request.get_header_value("Host"))
        return std::pair(
            403, "requests from other pages are refused: " + request.get_header_value("Origin"));
    const auto length = request.get_header_value("Content-Length");
    if (length.empty())
        return std::nullopt;
    std::size_t declared = 0;
    const auto [end, error] =
        std::from_chars(length.data(), length.data() + length.size(), declared);
    if (error == std::errc::result_out_of_range
        || (error == std::errc() && end == length.data() + length.size()
            && declared > kMaxChartBytes))
        return std::pair(413, std::string("chart is too long."));
    if (error != std::errc() || end != length.data() + length.size())
        return std::pair(400, "Content-Length is not a number: " + length);
    return std::nullopt;
}

void ChartServer::route()
{
    using Request = httplib::Request;
    using Response = httplib::Response;
    using Handled = httplib::Server::HandlerResponse;
    m_server->set_pre_routing_handler([this](const Request& request, Response& response) {
        const auto refusal = refusalOf(request);
        if (!refusal)
            return Handled::Unhandled;
        response.status = refusal->first;
        response.set_content(errorJson(refusal->second), "application/json; charset=utf-8");
        // The body of a refused request is not read: the connection ends instead.
        response.set_header("Connection", "close");
        return Handled::Handled;
    });
    // Refusals of the server itself (no route, a body over the limit) are JSON as well.
    m_server->set_error_handler([](const Request&, Response& response) {
        if (!response.body.empty())
            return;
        const char* message = response.status == 413 ? kChartTooLongMessage
            : response.status == 404                 ? "not found"
                                                     : "the request cannot be answered";
        response.set_content(errorJson(message), "application/json; charset=utf-8");
    });
    m_server->set_post_routing_handler([](const Request&, Response& response) {
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Cache-Control", "no-store");
        response.set_header("Content-Security-Policy", kContentSecurityPolicy);
    });
    const auto servePage = [this](std::string_view name) {
        return [this, name](const Request&, Response& response) {
            const WebFile* file = m_page.find(name);
            response.set_content(file->bytes, file->contentType.c_str());
        };
    };
    m_server->Get("/", servePage("index.html"));
    m_server->Get("/style.css", servePage("style.css"));
    m_server->Get("/app.js", servePage("app.js"));
    m_server->Get("/player.js", servePage("player.js"));
    m_server->Get("/served.js", servePage("served.js"));
    m_server->Get("/standalone.js", servePage("standalone.js"));
    m_server->Get("/api/events",
                  [this](const Request&, Response& response) { serveEvents(response); });
    m_api.route(*m_server);
}

// One "saved" event for each chart saved, as JSON {"name", "etag"}.
static std::string eventsText(const std::vector<SavedChart>& saves)
{
    std::string text;
    for (const auto& save : saves) {
        const nlohmann::json data{ { "name", save.name }, { "etag", save.etag } };
        text += "event: saved\ndata: " + data.dump() + "\n\n";
    }
    return text;
}

void ChartServer::serveEvents(httplib::Response& response)
{
    auto feed = m_events.subscribe();
    if (!feed) {
        response.status = 503;
        response.set_content(errorJson("too many pages are listening"),
                             "application/json; charset=utf-8");
        return;
    }
    response.set_header("X-Accel-Buffering", "no");
    response.set_chunked_content_provider(
        "text/event-stream",
        [feed, started = false](std::size_t, httplib::DataSink& sink) mutable {
            // The first bytes tell the page that the stream is open.
            std::string text = started ? "" : ": listening\n\n";
            started = true;
            if (text.empty()) {
                const auto saves = feed->next(kKeepAliveInterval);
                if (!saves) {
                    sink.done();
                    return true;
                }
                text = saves->empty() ? ": waiting\n\n" : eventsText(*saves);
            }
            return sink.is_writable() && sink.write(text.data(), text.size());
        },
        [this, feed](bool) { m_events.unsubscribe(feed); });
}

} // namespace beatplate
