#pragma once

#include "server/chart_api.h"
#include "server/chart_save_events.h"
#include "server/connection_listener.h"
#include "server/web_page.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace beatplate {

class ChartDirectory;
class ChartPreview;

// Pages listening for save events at once; each holds a connection and its thread.
inline constexpr std::size_t kMaxEventListeners = 64;

enum class HostCheck {
    LoopbackNames, // only Host headers that name the loopback: no other site can reach the API
    Any, // an address others reach: it may be reached under any name
};

// The check that an address to listen on needs: LoopbackNames for a loopback address.
[[nodiscard]] HostCheck hostCheckFor(const std::string& address);

// The preview server: the page, the chart API and the save events of one chart directory.
class ChartServer {
public:
    // Throws std::system_error when the directory cannot be watched.
    ChartServer(ChartDirectory& directory, ChartPreview& preview, WebPage page, HostCheck hosts,
                const ConnectionLimits& limits = {});
    ChartServer(const ChartServer&) = delete;
    ChartServer& operator=(const ChartServer&) = delete;
    ~ChartServer();

    // Binds address and port (0: any free port); returns the port bound, or -1 with errno set
    // when it cannot.
    [[nodiscard]] int bind(const std::string& address, int port);
    // Answers requests until stop(); false when the server could not listen. Returns at once
    // when stop() came first.
    bool run();
    // Ends the save events and the server; requests under way are answered first. Any thread.
    void stop();

private:
    class Routes;

    void route();
    // Answers the request whose head is in connection; true when the connection may carry
    // another.
    bool answer(ClientConnection& connection, ClientWait& wait);
    // Why a request is refused before it is routed, as a status and a message; none when not.
    [[nodiscard]] std::optional<std::pair<int, std::string>>
    refusalOf(const httplib::Request& request) const;
    void serveEvents(httplib::Response& response);

    ChartDirectory& m_directory;
    ChartApi m_api;
    WebPage m_page;
    HostCheck m_hosts;
    std::vector<std::string> m_hostNames; // the Host names that LoopbackNames lets in
    ConnectionLimits m_limits;
    std::atomic<bool> m_stopRequested{ false };
    ChartSaveEvents m_events;
    std::unique_ptr<Routes> m_server;
    std::unique_ptr<ConnectionListener> m_listener; // from bind()
};

} // namespace beatplate
