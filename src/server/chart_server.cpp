#include "server/chart_server.h"

#include "chart/chart_error.h"
#include "platform/network.h"
#include "server/chart_directory.h"
#include "server/connection_threads.h"

#include <array>
#include <charconv>
#include <chrono>
#include <httplib.h>
#include <nlohmann/json.hpp>

namespace beatplate {

namespace {

// Each connection has a thread of its own, up to this many at once; past them, new ones wait.
constexpr std::size_t kMaxConnections = 256;
constexpr int kListenBacklog = 256;
// A request's headers and body come within this of each other, or the connection is dropped,
// so that idle or dripping clients give their threads back soon.
constexpr std::chrono::seconds kReadTimeout{ 2 };
constexpr std::time_t kKeepAliveSeconds = 2;
// A comment this often finds the socket of a page that has gone: the second write to it fails.
constexpr std::chrono::milliseconds kKeepAliveInterval{ 500 };
constexpr std::array<std::string_view, 3> kLoopbackHosts{ "127.0.0.1", "localhost", "[::1]" };
// The page draws nothing from elsewhere, so no other origin's script, style or frame may run.
constexpr const char* kContentSecurityPolicy =
    "default-src 'self'; img-src 'self' blob: data:; object-src 'none'; base-uri 'none'; "
    "frame-ancestors 'none'; form-action 'none'";

} // namespace

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
                         HostCheck hosts)
    : m_directory(directory)
    , m_api(directory, preview)
    , m_page(std::move(page))
    , m_hosts(hosts)
    , m_hostNames(kLoopbackHosts.begin(), kLoopbackHosts.end())
    , m_events(directory, kMaxEventListeners)
    , m_server(std::make_unique<httplib::Server>())
{
    // The server takes the queue and deletes it when it stops.
    m_server->new_task_queue = [] {
        return std::make_unique<ConnectionThreads>(kMaxConnections).release();
    };
    m_server->set_payload_max_length(kMaxChartBytes);
    m_server->set_read_timeout(kReadTimeout);
    m_server->set_keep_alive_timeout(kKeepAliveSeconds);
    // The library's default shares the port with any server already on it (SO_REUSEPORT), so
    // that a second beatplate serve would take half the requests instead of failing.
    m_server->set_socket_options([this](int socket) {
        allowAddressReuse(socket);
        m_listeningSocket = socket;
    });
    route();
}

ChartServer::~ChartServer()
{
    stop();
}

int ChartServer::bind(const std::string& address, int port)
{
    const std::string name = address.find(':') == std::string::npos ? address : "[" + address + "]";
    if (std::find(m_hostNames.begin(), m_hostNames.end(), name) == m_hostNames.end())
        m_hostNames.push_back(name);
    const int bound = port == 0 ? m_server->bind_to_any_port(address)
                                : (m_server->bind_to_port(address, port) ? port : -1);
    m_port = bound;
    // The library's backlog of 5 drops the connections that come in a burst, which then wait a
    // second or more for the kernel to try them again.
    if (bound >= 0)
        listenWithBacklog(m_listeningSocket, kListenBacklog);
    return bound;
}

bool ChartServer::run()
{
    if (m_stopRequested)
        return true;
    return m_server->listen_after_bind();
}

void ChartServer::stop()
{
    m_stopRequested = true;
    // The streams end first, or the server would wait for the workers they hold.
    m_events.stop();
    m_server->stop();
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
        // A body whose length is refused is not read: the connection ends instead.
        if (refusal->first != 403)
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
