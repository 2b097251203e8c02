#include "server/chart_server.h"

#include "platform/network.h"
#include "server/chart_directory.h"

#include <array>
#include <chrono>
#include <httplib.h>
#include <nlohmann/json.hpp>

namespace beatplate {

namespace {

// Each event stream holds a worker while it is open; the listeners get at most half of them,
// so that renders and saves always find one free.
constexpr std::size_t kWorkerThreads = 16;
constexpr std::size_t kMaxListeners = kWorkerThreads / 2;
// A comment this often tells a stream whose page has gone from one that only waits.
constexpr std::chrono::milliseconds kKeepAliveInterval{ 15000 };
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

ChartServer::ChartServer(ChartDirectory& directory, ChartPreview& preview, WebPage page,
                         HostCheck hosts)
    : m_directory(directory)
    , m_api(directory, preview)
    , m_page(std::move(page))
    , m_hosts(hosts)
    , m_events(directory, kMaxListeners)
    , m_server(std::make_unique<httplib::Server>())
{
    // The server takes the queue and deletes it when it stops.
    m_server->new_task_queue = [] {
        return std::make_unique<httplib::ThreadPool>(kWorkerThreads).release();
    };
    m_server->set_payload_max_length(kMaxChartBytes);
    // The library's default shares the port with any server already on it (SO_REUSEPORT), so
    // that a second beatplate serve would take half the requests instead of failing.
    m_server->set_socket_options([](int socket) { allowAddressReuse(socket); });
    route();
}

ChartServer::~ChartServer()
{
    stop();
}

int ChartServer::bind(const std::string& address, int port)
{
    const int bound = port == 0 ? m_server->bind_to_any_port(address)
                                : (m_server->bind_to_port(address, port) ? port : -1);
    m_port = bound;
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

void ChartServer::route()
{
    using Request = httplib::Request;
    using Response = httplib::Response;
    using Handled = httplib::Server::HandlerResponse;
    m_server->set_pre_routing_handler([this](const Request& request, Response& response) {
        const std::string header = request.get_header_value("Host");
        const auto host = hostName(header);
        const bool known =
            std::find(kLoopbackHosts.begin(), kLoopbackHosts.end(), host) != kLoopbackHosts.end();
        // Another site's name bound to 127.0.0.1 must not read the charts through our page.
        if (m_hosts == HostCheck::Any || known)
            return Handled::Unhandled;
        response.status = 403;
        response.set_content(errorJson("unknown host: " + std::string(host)),
                             "application/json; charset=utf-8");
        return Handled::Handled;
    });
    // Refusals of the server itself (no route, a body over the limit) are JSON as well.
    m_server->set_error_handler([](const Request&, Response& response) {
        if (!response.body.empty())
            return;
        const char* message = response.status == 413 ? "chart is too long."
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
